// The framed panel: its client area per frame style, the enabled state it
// hands to its children, and what it paints.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <stdexcept>

#include "forms/stdctrls.h"
#include "widgets/shell/scgroup.h"
#include "widgets/shell/scimagecombo.h"

using namespace shell;

namespace {

int HeightOfZero(const QWidget* w) { return w->fontMetrics().size(Qt::TextSingleLine, "0").height(); }

// Compared as 8-bit RGB: the palette keeps more precision than the image.
QRgb PixelOf(forms::TControl& c, int x, int y) { return c.Widget()->grab().toImage().pixel(x, y); }

}  // namespace

TEST(ScGroup, ClientAreaInsetByStyleTable) {
    constexpr int W = 100, H = 80;
    constexpr int kCaption = -1;  // stands for the height of "0" in the font
    struct Row {
        const char* name;
        TScFrameStyle style;
        bool caption;
        int l, t, r, b;
    } rows[] = {
        {"none", scfsNone, false, 0, 0, 0, 0},
        {"none, caption", scfsNone, true, 0, 0, 0, 0},
        {"group", scfsGroup, false, 2, 2, 2, 2},
        {"group, caption", scfsGroup, true, 2, kCaption, 2, 2},
        {"lowered", scfsLowered, false, 2, 2, 2, 2},
        {"lowered, caption", scfsLowered, true, 2, 2, 2, 2},
        {"raised", scfsRaised, true, 2, 2, 2, 2},
        {"dint", scfsDint, false, 1, 1, 1, 1},
        {"dint, caption", scfsDint, true, 1, 1, 1, 1},
        {"bump", scfsBump, true, 1, 1, 1, 1},
        {"single", scfsSingle, false, 1, 1, 1, 1},
        {"horizontal line", scfsHorzLine, true, 0, 2, 0, 0},
        {"horizontal edge", scfsHorzEdge, false, 0, 2, 0, 2},
        {"vertical line", scfsVertLine, true, 2, 0, 0, 0},
        {"vertical edge", scfsVertEdge, false, 2, 0, 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TScGroup group(nullptr);
        group.SetFrameStyle(row.style);
        if (row.caption) group.SetCaption("Folders");
        group.SetBounds(0, 0, W, H);
        // A child that fills the client area shows where children live.
        forms::TPanel child(nullptr);
        child.SetParent(&group);
        child.SetAlign(forms::alClient);

        const int t = row.t == kCaption ? HeightOfZero(group.Widget()) : row.t;
        EXPECT_EQ(group.ClientRect(), QRect(row.l, t, W - row.l - row.r, H - t - row.b));
        EXPECT_EQ(group.ClientWidth(), W - row.l - row.r);
        EXPECT_EQ(group.ClientHeight(), H - t - row.b);
        EXPECT_EQ(child.Widget()->mapTo(group.Widget(), QPoint(0, 0)), QPoint(row.l, t));
        EXPECT_EQ(child.Width(), group.ClientWidth());
        EXPECT_EQ(child.Height(), group.ClientHeight());
    }
}

TEST(ScGroup, DefaultsOfGroupAndPane) {
    TScGroup group(nullptr);
    EXPECT_EQ(group.Width(), 64);
    EXPECT_EQ(group.Height(), 48);
    EXPECT_EQ(group.Alignment(), forms::taCenter);
    EXPECT_TRUE(group.DefaultDrawing());
    EXPECT_EQ(group.FrameSpace(), 2);
    EXPECT_EQ(group.FrameStyle(), scfsGroup);

    TScPane pane(nullptr);
    EXPECT_EQ(pane.FrameStyle(), scfsLowered);
    EXPECT_EQ(pane.MinSize, 20);
    EXPECT_EQ(pane.ClientRect(), QRect(2, 2, 60, 44));
}

TEST(ScGroup, CaptionAndFontMoveTheGroupsTopInset) {
    TScGroup group(nullptr);
    group.SetBounds(0, 0, 200, 150);
    EXPECT_EQ(group.ClientRect().top(), 2);
    group.SetCaption("Web root");
    const int small = HeightOfZero(group.Widget());
    EXPECT_EQ(group.ClientRect().top(), small);

    QFont big = group.Widget()->font();
    big.setPixelSize(40);
    group.Widget()->setFont(big);
    const int large = HeightOfZero(group.Widget());
    ASSERT_GT(large, small);
    EXPECT_EQ(group.ClientRect().top(), large);

    group.SetCaption("");
    EXPECT_EQ(group.ClientRect().top(), 2);
}

TEST(ScGroup, PaneFontFollowsItsParent) {
    TScGroup parent(nullptr);
    TScPane pane(nullptr);
    pane.SetParent(&parent);
    QFont f = parent.Widget()->font();
    f.setPixelSize(31);
    parent.Widget()->setFont(f);
    EXPECT_EQ(pane.Widget()->font().pixelSize(), 31);
}

TEST(ScGroup, EnabledStateReachesEveryChild) {
    TScGroup group(nullptr);
    forms::TEdit edit(nullptr);
    TScPane pane(nullptr);
    forms::TLabel inner(nullptr);
    edit.SetParent(&group);
    pane.SetParent(&group);
    inner.SetParent(&pane);

    group.SetEnabled(false);
    EXPECT_FALSE(group.Enabled());
    EXPECT_FALSE(edit.Enabled());
    EXPECT_FALSE(pane.Enabled());
    EXPECT_FALSE(inner.Enabled()) << "a pane hands the state on to its own children";
    EXPECT_FALSE(edit.Widget()->isEnabled());

    group.SetEnabled(true);
    EXPECT_TRUE(edit.Enabled());
    EXPECT_TRUE(inner.Enabled());
    EXPECT_TRUE(edit.Widget()->isEnabled());
}

TEST(ScGroup, FrameIsPaintedAroundTheClientArea) {
    TScGroup group(nullptr);
    group.SetBounds(0, 0, 40, 30);
    const QPalette& pal = group.Widget()->palette();
    ASSERT_NE(pal.color(QPalette::WindowText), pal.color(QPalette::Window));
    ASSERT_NE(pal.color(QPalette::Dark), pal.color(QPalette::Window));

    group.SetFrameStyle(scfsSingle);
    EXPECT_EQ(PixelOf(group, 0, 0), pal.color(QPalette::WindowText).rgb());
    EXPECT_EQ(PixelOf(group, 39, 29), pal.color(QPalette::WindowText).rgb());
    EXPECT_EQ(PixelOf(group, 20, 15), pal.color(QPalette::Window).rgb());

    group.SetFrameStyle(scfsLowered);
    EXPECT_EQ(PixelOf(group, 0, 0), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(PixelOf(group, 39, 29), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(PixelOf(group, 1, 1), pal.color(QPalette::Shadow).rgb());

    group.SetFrameStyle(scfsNone);
    EXPECT_EQ(PixelOf(group, 0, 0), pal.color(QPalette::Window).rgb());
}

TEST(ScGroup, OnPaintDrawsOnTheClientArea) {
    TScGroup group(nullptr);
    group.SetFrameStyle(scfsLowered);
    group.SetBounds(0, 0, 40, 30);
    forms::TObject* sender = nullptr;
    group.OnPaint = [&](forms::TObject* s, QPainter& canvas) {
        sender = s;
        canvas.fillRect(canvas.window(), Qt::red);
    };
    const QImage image = group.Widget()->grab().toImage();
    EXPECT_EQ(sender, &group);
    EXPECT_EQ(image.pixel(2, 2), QColor(Qt::red).rgb());
    EXPECT_EQ(image.pixel(37, 27), QColor(Qt::red).rgb());
    EXPECT_NE(image.pixel(1, 1), QColor(Qt::red).rgb()) << "the frame stays outside the canvas";
}

TEST(ScImageCombo, ItemAccessorTypesTheObject) {
    TScImageComboItem item;
    forms::TObject other;
    const std::vector<forms::TObject*> objects{&item, &other, nullptr};
    EXPECT_EQ(ImageComboItemAt(objects, 0), &item);
    EXPECT_EQ(ImageComboItemAt(objects, 1), nullptr);
    EXPECT_EQ(ImageComboItemAt(objects, 2), nullptr);
    EXPECT_THROW(ImageComboItemAt(objects, 3), std::out_of_range);
    EXPECT_THROW(ImageComboItemAt(objects, -1), std::out_of_range);
}
