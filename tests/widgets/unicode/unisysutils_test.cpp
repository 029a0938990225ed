// Files by wide name, wide text on a painter and the window-text routine.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <unistd.h>

#include "netunit/tempdir.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

using namespace uni;

namespace {

TEST(WideFiles, CreateAndOpenByWideName) {
    TempDir dir;
    const std::u16string name = Utf8ToWide(dir / "\xE4\xB8\xAD.txt");
    const int created = WideFileCreate(name);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    ASSERT_EQ(::write(created, "abc", 3), 3);
    // Open for writing here: not opened again.
    EXPECT_EQ(WideFileOpen(name, 0), INVALID_HANDLE_VALUE);
    WideFileClose(created);
    EXPECT_EQ(TempDir::Read(dir / "\xE4\xB8\xAD.txt"), "abc");
    const int reader = WideFileOpen(name, 0 | 0x20);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char buf[4] = {};
    EXPECT_EQ(::read(reader, buf, 3), 3);
    EXPECT_STREQ(buf, "abc");
    WideFileClose(reader);
    EXPECT_EQ(WideFileOpen(Utf8ToWide(dir / "missing"), 0), INVALID_HANDLE_VALUE);
}

TEST(WideCanvas, TextOutLeavesThePenAfterTheText) {
    QImage image(200, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TUniCanvas canvas(painter);
    const std::u16string text = u"ab\u4E2D";
    const int width = WideCanvasTextWidth(canvas, text);
    EXPECT_GT(width, 0);
    EXPECT_EQ(WideCanvasTextHeight(canvas, text), QFontMetrics(painter.font()).height());
    WideCanvasTextOut(canvas, 10, 5, text);
    EXPECT_EQ(canvas.PenPos, QPoint(10 + width, 5));
    canvas.RightToLeft = true;
    WideCanvasTextOut(canvas, 10, 5, text);
    EXPECT_EQ(canvas.PenPos, QPoint(10 + width + 1 + width, 5));
    painter.end();
    bool inked = false;
    for (int x = 10; x < 10 + width && !inked; ++x)
        for (int y = 0; y < 40 && !inked; ++y) inked = image.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_TRUE(inked);
}

TEST(WideWindowText, SetsWhatTheWidgetShows) {
    QLineEdit edit;
    QPushButton button;
    QLabel label;
    QWidget window;
    WideSetWindowText(&edit, u"\u4E2D");
    WideSetWindowText(&button, u"&Yes");
    WideSetWindowText(&label, u"l");
    WideSetWindowText(&window, u"Quillnest \u6587");
    EXPECT_EQ(edit.text().toStdU16String(), u"\u4E2D");
    EXPECT_EQ(button.text().toStdU16String(), u"&Yes");
    EXPECT_EQ(label.text().toStdU16String(), u"l");
    EXPECT_EQ(window.windowTitle().toStdU16String(), u"Quillnest \u6587");
}

}  // namespace
