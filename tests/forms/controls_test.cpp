// Simple controls: names, own flags, geometry, and the class library's event
// rules for edits, check boxes, radio buttons and buttons.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>

#include "forms/forms.h"
#include "forms_test_util.h"
#include "platform/guard.h"

using namespace forms;
using formstest::Key;
using formstest::Pump;

namespace {

class FormsControls : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        form->Show();
        Pump();
    }
    void TearDown() override { delete form; }
    template <class T>
    T* Add(const char* name, TWinControl* parent = nullptr) {
        T* c = new T(form);
        c->SetName(name);
        c->SetParent(parent ? parent : form);
        return c;
    }
    TForm* form = nullptr;
};

TEST_F(FormsControls, QtNamesAreComponentNames) {
    TControl* controls[] = {Add<TEdit>("webport"), Add<TCheckBox>("webenabled"), Add<TListBox>("status"),
                            Add<TPanel>("Panel1"), Add<TTreeView>("protocoltree"), Add<TLabel>("Label3")};
    for (TControl* c : controls) {
        SCOPED_TRACE(c->Name());
        EXPECT_EQ(c->Widget()->objectName().toStdString(), c->Name());
        EXPECT_EQ(c->Widget()->accessibleName().toStdString(), c->Name());
        EXPECT_EQ(form->FindComponent(c->Name()), c);
    }
}

TEST_F(FormsControls, EnabledAndVisibleAreTheControlsOwnFlags) {
    auto* box = Add<TGroupBox>("relaybox");
    auto* inner = Add<TEdit>("helodomain", box);
    box->SetEnabled(false);
    EXPECT_TRUE(inner->Enabled()) << "a disabled parent leaves the child's own flag";
    EXPECT_FALSE(inner->Widget()->isEnabled());
    box->SetEnabled(true);
    EXPECT_TRUE(inner->Widget()->isEnabled());
    inner->SetEnabled(false);
    box->SetEnabled(false);
    box->SetEnabled(true);
    EXPECT_FALSE(inner->Enabled()) << "the child's own off survives its parent's on";

    box->SetVisible(false);
    EXPECT_TRUE(inner->Visible());
    auto* hidden = Add<TLabel>("dynlabel");
    hidden->SetVisible(false);
    EXPECT_FALSE(hidden->Visible());
    hidden->SetVisible(true);
    EXPECT_TRUE(hidden->Widget()->isVisible());
}

TEST_F(FormsControls, ClientAlignedControlsFollowTheirParentEvenWhenHidden) {
    auto* outer = Add<TPanel>("Panel4");
    outer->SetVisible(false);
    auto* inner = Add<TPanel>("Panel15", outer);
    inner->SetAlign(alClient);
    outer->SetBounds(0, 0, 300, 200);
    EXPECT_EQ(inner->Width(), 300);
    EXPECT_EQ(inner->Height(), 200);
    outer->SetBounds(5, 5, 250, 120);
    EXPECT_EQ(inner->Width(), 250);
    EXPECT_EQ(inner->Height(), 120);

    auto* group = Add<TGroupBox>("anonftpbox");
    auto* groupInner = Add<TPanel>("ftppanel", group);
    groupInner->SetAlign(alClient);
    group->SetBounds(0, 0, 200, 100);
    EXPECT_GT(groupInner->Top(), 0) << "a group box keeps its caption line free";
    EXPECT_LT(groupInner->Height(), 100);
    EXPECT_LT(groupInner->Width(), 200);
}

// The band above a group box's frame is for its caption: without one the
// box's controls start just below the frame; with or without, the first
// control keeps a margin below the drawn top line.
TEST_F(FormsControls, GroupBoxBandOnlyForACaptionAndAMarginBelowTheTopLine) {
    for (const char* caption : {"", "Relay Settings"}) {
        SCOPED_TRACE(caption);
        auto* group = Add<TGroupBox>("relaybox");
        group->SetCaption("Title");
        auto* inner = Add<TPanel>("Panel8", group);
        inner->SetAlign(alClient);
        group->SetBounds(0, 0, 200, 100);
        group->SetCaption(caption);  // the band follows a later caption
        Pump();
        // The frame's top line: the first row that differs from the box's
        // background, down the middle where no caption is drawn.
        inner->SetVisible(false);
        const QImage image = group->Widget()->grab().toImage();
        const QColor background = image.pixelColor(image.width() / 2, image.height() / 2);
        int line = -1;
        for (int y = 0; y < image.height() && line < 0; ++y)
            if (image.pixelColor(image.width() * 3 / 4, y) != background) line = y * 100 / image.height();
        ASSERT_GE(line, 0);
        EXPECT_GE(inner->Top(), line + 3) << "the first control keeps clear of the top line";
        if (*caption == '\0') { EXPECT_LE(inner->Top(), line + 6) << "no empty band above it"; }
        delete group;
    }
}

TEST_F(FormsControls, GeometryIsPixelsSetByCode) {
    auto* e = Add<TEdit>("webdir");
    e->SetBounds(7, 9, 123, 21);
    EXPECT_EQ(e->Left(), 7);
    EXPECT_EQ(e->Top(), 9);
    EXPECT_EQ(e->Width(), 123);
    EXPECT_EQ(e->Height(), 21);
    e->SetLeft(11);
    e->SetWidth(-5);
    EXPECT_EQ(e->Left(), 11);
    EXPECT_EQ(e->Width(), 0) << "negative sizes are cut to 0";
}

TEST_F(FormsControls, LabelsSizeThemselves) {
    auto* l = Add<TLabel>("homedirlabel");
    l->SetCaption("Home directory: ");
    const int shortWidth = l->Width();
    l->SetCaption("Home directory: /a/much/longer/folder/name/than/before");
    EXPECT_GT(l->Width(), shortWidth);
    l->SetBounds(6, 6, 3, 3);
    EXPECT_GT(l->Width(), 3) << "auto-size wins over a set size";
    EXPECT_EQ(l->Left(), 6);
    l->SetAutoSize(false);
    l->SetBounds(6, 6, 40, 10);
    EXPECT_EQ(l->Width(), 40);
}

TEST_F(FormsControls, EditChangeFiresOnEveryTextChange) {
    auto* e = Add<TEdit>("maxrcpt");
    int changes = 0;
    e->OnChange = [&](TObject* s) {
        EXPECT_EQ(s, e);
        ++changes;
    };
    struct Row {
        const char* what;
        std::function<void()> act;
        int changesAfter;
    };
    const Row rows[] = {
        {"code sets a new text", [&] { e->SetText("16"); }, 1},
        {"code sets the same text", [&] { e->SetText("16"); }, 1},
        {"code empties it", [&] { e->SetText(""); }, 2},
        {"the user types", [&] { Key(e->Widget(), Qt::Key_5); }, 3},
    };
    e->SetFocus();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.act();
        EXPECT_EQ(changes, r.changesAfter);
    }
    EXPECT_EQ(e->Text(), "5");
}

TEST_F(FormsControls, EditMaxLengthLimitsTypingButKeepsCodeText) {
    auto* e = Add<TEdit>("webport");
    e->SetMaxLength(5);
    e->SetText("1234567");
    EXPECT_EQ(e->Text(), "1234567") << "text set by code is kept whole";
    e->SetText("8080");
    auto* w = static_cast<QLineEdit*>(e->Widget());
    w->setFocus();
    w->end(false);
    Key(w, Qt::Key_1);
    Key(w, Qt::Key_2);
    EXPECT_EQ(e->Text(), "80801");
    e->SetText("\xC3\xA9\xC3\xA9");  // two é: four bytes of the record's five
    w->end(false);
    Key(w, Qt::Key_A);
    Key(w, Qt::Key_B);
    EXPECT_EQ(e->Text(), "\xC3\xA9\xC3\xA9" "a") << "bytes count, not characters";
}

TEST_F(FormsControls, CheckBoxClickRules) {
    auto* c = Add<TCheckBox>("cgienabled");
    int clicks = 0;
    c->OnClick = [&](TObject*) { ++clicks; };
    struct Row {
        const char* what;
        std::function<void()> act;
        bool checked;
        int clicksAfter;
    };
    const Row rows[] = {
        {"code checks it: click", [&] { c->SetChecked(true); }, true, 1},
        {"code checks it again: nothing", [&] { c->SetChecked(true); }, true, 1},
        {"code unchecks it: click", [&] { c->SetChecked(false); }, false, 2},
        {"user toggles: click", [&] { static_cast<QCheckBox*>(c->Widget())->click(); }, true, 3},
        {"user presses space: click", [&] {
             c->SetFocus();
             Key(c->Widget(), Qt::Key_Space);
         }, false, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.act();
        EXPECT_EQ(c->Checked(), r.checked);
        EXPECT_EQ(clicks, r.clicksAfter);
    }
}

TEST_F(FormsControls, RadioButtonClicksWhenItBecomesChecked) {
    auto* a = Add<TRadioButton>("ra");
    auto* b = Add<TRadioButton>("rb");
    std::vector<std::string> clicks;
    a->OnClick = [&](TObject*) { clicks.push_back("a"); };
    b->OnClick = [&](TObject*) { clicks.push_back("b"); };
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked()) << "buttons of one parent exclude each other";
    static_cast<QRadioButton*>(a->Widget())->click();
    static_cast<QRadioButton*>(a->Widget())->click();  // already checked: nothing
    a->SetChecked(false);
    EXPECT_FALSE(a->Checked());
    EXPECT_EQ(clicks, (std::vector<std::string>{"a", "b", "a"}));
}

TEST_F(FormsControls, HandlerExceptionsAreReportedNotPropagated) {
    std::string reported;
    platform::SetErrorReporter([&](const std::string& m) { reported = m; });
    auto* b = Add<TButton>("clearlog");
    b->OnClick = [](TObject*) { throw std::runtime_error("handler failed"); };
    EXPECT_NO_THROW(b->Click());
    EXPECT_EQ(reported, "handler failed");
    platform::SetErrorReporter(nullptr);
}

TEST_F(FormsControls, ControlsDieInAnyOrder) {
    // A parent deleted before its child must not take the child's widget
    // with it; the child is then deleted on its own.
    auto* panel = Add<TPanel>("p");
    auto* list = Add<TListView>("lv", panel);
    list->AddColumn("User Name", 100);
    list->AddItem()->SetCaption("bob");
    auto* tree = Add<TTreeView>("tv", panel);
    tree->Items()->Add(nullptr, "HTTP");
    delete panel;
    EXPECT_EQ(list->Parent(), nullptr);
    EXPECT_NE(list->Widget(), nullptr);
    delete list;
    delete tree;
}

}  // namespace
