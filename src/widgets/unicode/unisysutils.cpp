#include "widgets/unicode/unisysutils.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QPainter>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "netunit/sharing.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {

std::u16string WideExpandFileName(const std::u16string& FileName) {
    std::string name = WideToUtf8(FileName);
    if (name.empty() || name[0] != '/') {
        std::vector<char> cwd(4096);
        while (!getcwd(cwd.data(), cwd.size())) {
            if (errno != ERANGE || cwd.size() > (1u << 20)) return FileName;
            cwd.resize(cwd.size() * 2);
        }
        name = std::string(cwd.data()) + "/" + name;
    }
    // Resolve "." and ".." by the text alone, as the system's full-path call
    // does; a trailing "/" is kept.
    std::vector<std::string> parts;
    size_t pos = 1;
    while (pos <= name.size()) {
        size_t slash = name.find('/', pos);
        if (slash == std::string::npos) slash = name.size();
        const std::string part = name.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    if (full.empty() || (name.back() == '/' && !parts.empty())) full += "/";
    return Utf8ToWide(full);
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
