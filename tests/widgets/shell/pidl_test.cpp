// Item-id lists: sizes, concatenation, walking, the sorted pair list and the
// list manager.
#include <gtest/gtest.h>

#include <optional>

#include "widgets/shell/pidl.h"
#include "widgets/shell/pidllist.h"
#include "widgets/shell/pidlmanager.h"

using namespace shell;

namespace {

// One item whose count is n bytes (n >= 4: count, kind, name, NUL).
std::string ItemOfSize(int n, char fill = 'a') {
    return MakeSegment(skFolder, std::string(static_cast<size_t>(n - 4), fill));
}

PidlPtr List(const std::string& items) { return PidlPtr(PidlFromBytes(items)); }

}  // namespace

TEST(PidlArithmetic, SizesTable) {
    struct Row {
        const char* what;
        std::string items;
        bool nil;
        uint32_t size;
        int count;
    } rows[] = {
        {"nil", "", true, 0, 0},
        {"empty list (the desktop)", "", false, 2, 0},
        {"one 20-byte item", ItemOfSize(20), false, 22, 1},
        {"two items", ItemOfSize(20) + ItemOfSize(6), false, 28, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        PidlPtr l = r.nil ? nullptr : List(r.items);
        EXPECT_EQ(PidlSize(l.get()), r.size);
        EXPECT_EQ(PidlCount(l.get()), r.count);
    }
}

TEST(PidlArithmetic, ConcatenationTable) {
    const std::string a = ItemOfSize(8, 'a'), b = ItemOfSize(10, 'b');
    struct Row {
        const char* what;
        std::optional<std::string> first, second;  // nullopt: a nil list
        std::string expected;
    } rows[] = {
        {"two nil lists give an empty list", std::nullopt, std::nullopt, ""},
        {"empty and a list give a copy", "", a, a},
        {"a list and nil give a copy", a, std::nullopt, a},
        {"two lists in order", a, b, a + b},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        PidlPtr f = r.first ? List(*r.first) : nullptr, s = r.second ? List(*r.second) : nullptr;
        PidlPtr c(PidlConcat(nullptr, f.get(), s.get()));
        ASSERT_TRUE(c);
        EXPECT_EQ(PidlBytes(c.get()), r.expected);
        EXPECT_EQ(PidlSize(c.get()), r.expected.size() + 2);
    }
}

TEST(PidlArithmetic, CopyIsEqualAndFailedAllocationGivesNil) {
    PidlPtr l = List(ItemOfSize(12) + ItemOfSize(5));
    PidlPtr c(PidlCopy(nullptr, l.get()));
    EXPECT_TRUE(PidlEqual(l.get(), c.get()));
    EXPECT_NE(l.get(), c.get());
    EXPECT_EQ(PidlCopy(nullptr, nullptr), nullptr);

    struct Refusing : IMalloc {
        void* Alloc(size_t) override { return nullptr; }
        void Free(void*) override {}
    } refusing;
    EXPECT_EQ(PidlCopy(&refusing, l.get()), nullptr);
    EXPECT_EQ(PidlConcat(&refusing, l.get(), l.get()), nullptr);
}

TEST(PidlArithmetic, ParentTest) {
    const std::string a = ItemOfSize(6, 'a'), b = ItemOfSize(6, 'b'), c = ItemOfSize(7, 'c');
    PidlPtr pa = List(a), pab = List(a + b), pabc = List(a + b + c), pb = List(b);
    EXPECT_TRUE(PidlIsParent(pa.get(), pab.get(), true));
    EXPECT_FALSE(PidlIsParent(pa.get(), pabc.get(), true));
    EXPECT_TRUE(PidlIsParent(pa.get(), pabc.get(), false));
    EXPECT_FALSE(PidlIsParent(pb.get(), pab.get(), false));
    EXPECT_FALSE(PidlIsParent(nullptr, pab.get(), false));
}

TEST(IdListWalker, ItemsAndLeadingPart) {
    const std::string a = ItemOfSize(6, 'a'), b = ItemOfSize(9, 'b'), c = ItemOfSize(5, 'c');
    PidlPtr l = List(a + b + c);
    TScIdListArray w(l.get());
    EXPECT_EQ(w.Count(), 3);
    EXPECT_EQ(PidlBytes(w.Item(1)), b);
    EXPECT_EQ(PidlBytes(w.Item(2)), c);
    EXPECT_EQ(w.Item(3), nullptr);
    EXPECT_EQ(w.Item(-1), nullptr);
    EXPECT_EQ(PidlBytes(w.Leading(1)), a + b);
    EXPECT_EQ(PidlBytes(w.Leading(3)), "");

    PidlPtr empty = List("");
    TScIdListArray we(empty.get());
    ASSERT_NE(we.Item(0), nullptr);
    EXPECT_EQ(PidlSize(we.Item(0)), 2u);
    TScIdListArray wn(nullptr);
    EXPECT_EQ(wn.Leading(0), nullptr);
}

TEST(PidlManager, StripAppendAndLastItem) {
    auto m = TPIDLManager::Create();
    ASSERT_TRUE(m);
    const std::string a = ItemOfSize(6, 'a'), b = ItemOfSize(7, 'b');
    PItemIDList one = PidlFromBytes(a);
    m->StripLastID(one);
    EXPECT_TRUE(m->IsDesktopFolder(one));
    m->FreePIDL(one);
    EXPECT_FALSE(m->IsDesktopFolder(nullptr));
    EXPECT_EQ(m->StripLastID(nullptr), nullptr);

    PidlPtr la = List(a), lb = List(b);
    PidlPtr ab(m->AppendPIDL(la.get(), lb.get()));
    EXPECT_EQ(PidlBytes(ab.get()), a + b);
    PidlPtr anil(m->AppendPIDL(la.get(), nullptr));
    EXPECT_EQ(PidlBytes(anil.get()), a);
    EXPECT_EQ(PidlSize(anil.get()), a.size() + 2);
    EXPECT_EQ(PidlBytes(m->GetPointerToLastID(ab.get())), b);
    EXPECT_EQ(m->GetPointerToLastID(la.get()), la.get());
    PItemIDList two = PidlCopy(nullptr, ab.get());
    m->StripLastID(two);
    EXPECT_EQ(PidlBytes(two), a);
    m->FreeAndNilPIDL(two);
    EXPECT_EQ(two, nullptr);
}

TEST(PidlList, DuplicatePolicies) {
    const std::string a = ItemOfSize(6, 'a'), b = ItemOfSize(6, 'b'), c = ItemOfSize(6, 'c');
    {
        TScPidlList l;
        l.OwningAllocator = ShellAllocator();
        l.SetSorted(true);
        l.Duplicates = scdupIgnore;
        EXPECT_EQ(l.Add(PidlFromBytes(c)), 0);
        EXPECT_EQ(l.Add(PidlFromBytes(a)), 0);
        PItemIDList dup = PidlFromBytes(c);
        EXPECT_EQ(l.Add(dup), 1);
        ShellFree(dup);  // not taken
        EXPECT_EQ(l.Count(), 2);
        EXPECT_EQ(l.IndexOf(PidlPtr(PidlFromBytes(b)).get()), -1);
    }
    {
        TScPidlList l;
        l.OwningAllocator = ShellAllocator();
        l.SetSorted(true);
        l.Add(PidlFromBytes(a));
        PidlPtr dup(PidlFromBytes(a));
        try {
            l.Add(dup.get());
            FAIL() << "no exception";
        } catch (const EPidlListError& e) {
            EXPECT_STREQ(e.what(), "TScPidlList: Duplicate PIDL");
        }
        EXPECT_EQ(l.Count(), 1);
    }
    {
        TScPidlList l;
        l.OwningAllocator = ShellAllocator();
        l.SetSorted(true);
        l.Duplicates = scdupAccept;
        l.Add(PidlFromBytes(a));
        l.Add(PidlFromBytes(b));
        l.Add(PidlFromBytes(b));
        EXPECT_EQ(l.Add(PidlFromBytes(b)), 1);  // the first equal place
        EXPECT_EQ(l.Count(), 4);
    }
}

TEST(PidlList, SortingUnsortedEntriesOrdersThem) {
    TScPidlList l;
    l.OwningAllocator = ShellAllocator();
    for (char ch : std::string("dbca")) l.AddObject(PidlFromBytes(ItemOfSize(6, ch)), nullptr);
    EXPECT_EQ(l.IndexOf(PidlPtr(PidlFromBytes(ItemOfSize(6, 'c'))).get()), 2);
    l.SetSorted(true);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ItemName(l.IdList(i))[0], "abcd"[i]);
    l.Delete(0);
    EXPECT_EQ(l.Count(), 3);
}
