// The locale's order of wide texts: the lists and the list view sort and
// search as a person reads, by Qt's collator for the default locale (set
// here explicitly, so that the machine's own locale does not matter).
#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <string>
#include <vector>

#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicollate.h"
#include "widgets/unicode/unilistview.h"

using namespace uni;

namespace {

class CollationTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(saved_); }

    const std::vector<std::u16string> names_ = {u"zoe", u"\u00C9lodie", u"eve", u"Eve", u"o'neil", u"o-neil"};

private:
    QLocale saved_ = QLocale();
};

std::vector<std::u16string> Lines(const TUniStringList& list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
    return out;
}

TEST_F(CollationTest, PairsCompareAsTheLocaleReads) {
    const struct {
        const char* what;
        std::u16string a, b;
        bool ignoreCase;
        int sign;
    } rows[] = {
        {"accent beside its letter, not after z", u"\u00E9", u"z", false, -1},
        {"accented name before the next letter", u"\u00C9lodie", u"eve", true, -1},
        {"lower case first when case counts", u"eve", u"Eve", false, -1},
        {"case counts only after the letters", u"Eve", u"eva", false, 1},
        {"a, A, b, B", u"A", u"b", false, -1},
        {"equal ignoring case", u"EVE", u"eve", true, 0},
        {"hyphen before apostrophe", u"o-neil", u"o'neil", false, -1},
        {"same text", u"zoe", u"zoe", false, 0},
        {"texts the collator ties stay apart", u"a\u0001", u"a", false, 1},
        {"... also ignoring case", u"a\u0001", u"A", true, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(WideCompareText(row.a, row.b, row.ignoreCase), row.sign);
        EXPECT_EQ(WideCompareText(row.b, row.a, row.ignoreCase), -row.sign);
    }
}

TEST_F(CollationTest, SortedListsOrderAndFindByTheLocale) {
    const std::vector<std::u16string> expect = {u"\u00C9lodie", u"eve", u"Eve", u"o-neil", u"o'neil", u"zoe"};
    TUniStringList exact;
    exact.SetCaseSensitive(true);
    exact.SetDuplicates(TDuplicates::dupAccept);
    exact.SetSorted(true);
    for (const auto& n : names_) exact.Add(n);
    EXPECT_EQ(Lines(exact), expect);
    EXPECT_EQ(exact.IndexOf(u"Eve"), 2);
    EXPECT_EQ(exact.IndexOf(u"EVE"), -1);

    TUniStringList folded;
    folded.SetSorted(true);
    for (const auto& n : names_) folded.Add(n);
    // "eve" and "Eve" are one line when case is ignored.
    ASSERT_EQ(folded.Count(), 5);
    EXPECT_EQ(folded[0], u"\u00C9lodie");
    EXPECT_EQ(folded[4], u"zoe");
    EXPECT_EQ(folded.IndexOf(u"EVE"), 1);
    EXPECT_EQ(folded.IndexOf(u"\u00E9LODIE"), 0);
}

TEST_F(CollationTest, ListViewSortsRowsByTheLocale) {
    TUniListView view(nullptr);
    view.AddColumn(u"Name", 80);
    for (const auto& n : names_) view.Items().Add()->SetCaption(n);
    view.AlphaSort();
    std::vector<std::u16string> order;
    for (int i = 0; i < view.Items().Count(); ++i) order.push_back(view.Items()[i]->GetCaption());
    EXPECT_EQ(order, (std::vector<std::u16string>{u"\u00C9lodie", u"eve", u"Eve", u"o-neil", u"o'neil", u"zoe"}));
}

// Sorting needs a strict weak order: antisymmetric and transitive, with 0
// only where the Part allows it.
TEST_F(CollationTest, OrderIsStrictAndTotal) {
    std::vector<std::u16string> texts = names_;
    for (const char16_t* t : {u"a", u"A", u"\u00E1", u"\u00DF", u"SS", u"ss", u"-a", u"a-", u"", u"a\u0001",
                              u"\u4E2D", u"\uFF21", u"\u0041\u0301", u"\u00C1"})
        texts.emplace_back(t);
    for (bool ignoreCase : {false, true}) {
        SCOPED_TRACE(ignoreCase);
        for (const auto& a : texts)
            for (const auto& b : texts) {
                const int ab = WideCompareText(a, b, ignoreCase);
                EXPECT_EQ(ab, -WideCompareText(b, a, ignoreCase));
                if (!ignoreCase && a != b) { EXPECT_NE(ab, 0); }
                for (const auto& c : texts)
                    if (ab <= 0 && WideCompareText(b, c, ignoreCase) <= 0) {
                        EXPECT_LE(WideCompareText(a, c, ignoreCase), 0);
                    }
            }
    }
}

}  // namespace
