// Components (ownership, names) and string lists.
#include <gtest/gtest.h>

#include <stdexcept>

#include "forms/forms.h"

using namespace forms;

namespace {

struct Probe : TComponent {
    Probe(TComponent* owner, int* deaths) : TComponent(owner), deaths_(deaths) {}
    ~Probe() override { ++*deaths_; }
    int* deaths_;
};

TEST(FormsComponent, OwnerDeletesWhatItOwnsAndFindsByNameIgnoringCase) {
    int deaths = 0;
    auto* owner = new TComponent(nullptr);
    auto* a = new Probe(owner, &deaths);
    a->SetName("webport");
    auto* b = new Probe(owner, &deaths);
    b->SetName("Timer1");
    EXPECT_EQ(owner->FindComponent("WEBPORT"), a);
    EXPECT_EQ(owner->FindComponent("timer1"), b);
    EXPECT_EQ(owner->FindComponent("missing"), nullptr);
    EXPECT_EQ(owner->FindComponent(""), nullptr);
    delete b;  // leaves its owner's list
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner;
    EXPECT_EQ(deaths, 2);
}

TEST(FormsStrings, ListOperations) {
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TStringList*) { ++changes; };
    EXPECT_EQ(l.Add("b"), 0);
    EXPECT_EQ(l.Add("a"), 1);
    l.Insert(0, "c");
    l.SetStrings(1, "B2");
    EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"c", "B2", "a"}));
    EXPECT_EQ(l.IndexOf("b2"), 1) << "IndexOf ignores case";
    EXPECT_EQ(l.IndexOf("zz"), -1);
    l.Delete(0);
    EXPECT_EQ(l[0], "B2");
    EXPECT_EQ(changes, 5);
    EXPECT_THROW(l.Strings(2), std::out_of_range);
    EXPECT_THROW(l.Insert(3, "x"), std::out_of_range);
    EXPECT_THROW(l.Delete(-1), std::out_of_range);
}

TEST(FormsStrings, TextSplitsAtLineFeedAndDropsCarriageReturn) {
    struct Row {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"CR LF lines", "a\r\nb\r\n", {"a", "b"}},
        {"LF lines, last unterminated", "a\nb", {"a", "b"}},
        {"empty lines kept", "\r\n\r\nx", {"", "", "x"}},
        {"nothing", "", {}},
        {"lone CR stays inside", "a\rb\n", {"a\rb"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TStringList l;
        l.Add("old");
        l.SetText(r.text);
        EXPECT_EQ(l.ToVector(), r.lines);
    }
    TStringList l;
    l.Add("x");
    l.Add("y");
    EXPECT_EQ(l.Text(), "x\r\ny\r\n");
}

TEST(FormsStrings, CompareTextIgnoresCaseBeyondAscii) {
    EXPECT_EQ(CompareText("Alpha", "aLPHA"), 0);
    EXPECT_LT(CompareText("apple", "Banana"), 0);
    EXPECT_EQ(CompareText("\xC3\x84rger", "\xC3\xA4RGER"), 0);  // Ärger / äRGER
}

}  // namespace
