#include "widgets/unicode/unisysutils.h"

#include <fcntl.h>

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "netunit/sharing.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {
namespace {

// The buffer the full path of a name is asked into first.
constexpr int kMaxPath = 260;

}  // namespace

std::u16string WideExpandFileName(const std::u16string& FileName) {
    std::u16string buffer(kMaxPath, u'\0');
    int n = WideGetFullPathName(FileName, kMaxPath, buffer.data(), nullptr);
    if (n >= kMaxPath) {
        // Longer than the usual buffer: the size it asked for fits.
        buffer.assign(static_cast<size_t>(n), u'\0');
        n = WideGetFullPathName(FileName, n, buffer.data(), nullptr);
    }
    buffer.resize(static_cast<size_t>(std::max(n, 0)));
    return buffer;
}

int WideFileCreate(const std::u16string& FileName) { return WideCreateFile(FileName, 2, 0, true); }

int WideFileOpen(const std::u16string& FileName, unsigned Mode) {
    return WideCreateFile(FileName, Mode & 3, (Mode >> 4) & 0xF, false);
}

void WideFileClose(int Handle) {
    if (Handle >= 0) netunit::CloseShared(Handle);
}

void RaiseLastOSError() {
    const int code = errno;
    throw std::system_error(code, std::generic_category(),
                            code ? "System Error. Code: " + std::to_string(code) : "A call to an OS function failed");
}

void WideCanvasTextOut(TUniCanvas& Canvas, int X, int Y, const std::u16string& Text) {
    QPainter& p = Canvas.Painter();
    const QString text = QString::fromStdU16String(Text);
    const QFontMetrics metrics(p.font());
    const int width = metrics.horizontalAdvance(text);
    if (Canvas.RightToLeft) X += width + 1;
    // The canvas puts text by its top left corner; Qt by its base line.
    p.drawText(QPoint(X, Y + metrics.ascent()), text);
    Canvas.PenPos = QPoint(X + width, Y);
}

QSize WideGetTextExtent(const QFont& Font, const std::u16string& Text) {
    const QFontMetrics metrics(Font);
    return QSize(metrics.horizontalAdvance(QString::fromStdU16String(Text)), metrics.height());
}

QSize WideCanvasTextExtent(TUniCanvas& Canvas, const std::u16string& Text) {
    return WideGetTextExtent(Canvas.Painter().font(), Text);
}

int WideCanvasTextWidth(TUniCanvas& Canvas, const std::u16string& Text) {
    return WideCanvasTextExtent(Canvas, Text).width();
}

int WideCanvasTextHeight(TUniCanvas& Canvas, const std::u16string& Text) {
    return WideCanvasTextExtent(Canvas, Text).height();
}

}  // namespace uni
