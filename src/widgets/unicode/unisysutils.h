// Platform flags, the layer's two error kinds, files by wide name and wide
// text on a painter.
//
// The layer was designed for a platform family with an 8-bit and a 16-bit
// system interface; here the 16-bit path is the only one, so the flags are
// constants and every routine takes the wide path.
#pragma once

#include <QPoint>
#include <stdexcept>
#include <string>

class QPainter;
class QFont;
class QSize;

namespace uni {

inline constexpr bool UnicodePlatform = true;
inline constexpr bool PlatformIsXP = true;
inline constexpr bool PlatformIs2003 = true;
inline constexpr bool PlatformIsVista = true;

// Bad data handed to the layer (malformed UTF-7, for one).
class EUniGeneralError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A condition that must not happen; the message begins "Internal Error: ".
class EUniInternalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of a handle that names no open file.
inline constexpr int INVALID_HANDLE_VALUE = -1;

// The full path of a name, against the working folder for a relative one;
// "." and ".." are resolved by the text alone. Empty for an empty name, as
// WideGetFullPathName gives nothing for it.
std::u16string WideExpandFileName(const std::u16string& FileName);

// Creates or empties the file for reading and writing, no sharing; the
// handle or INVALID_HANDLE_VALUE.
int WideFileCreate(const std::u16string& FileName);

// Opens an existing file: access in the low two bits of Mode (0 read,
// 1 write, 2 both), sharing in bits 4 to 7; the handle or
// INVALID_HANDLE_VALUE.
int WideFileOpen(const std::u16string& FileName, unsigned Mode);

// Closes a handle from WideFileCreate or WideFileOpen.
void WideFileClose(int Handle);

// Raises the last system error when the pointer is null; else returns it.
template <class T>
T* RaiseIfNil(T* p);
[[noreturn]] void RaiseLastOSError();

template <class T>
T* RaiseIfNil(T* p) {
    if (!p) RaiseLastOSError();
    return p;
}

// A painter with the pen position and reading order of the class
// library's canvas.
class TUniCanvas {
public:
    explicit TUniCanvas(QPainter& painter) : painter_(painter) {}
    QPainter& Painter() const { return painter_; }
    QPoint PenPos;
    bool RightToLeft = false;

private:
    QPainter& painter_;
};

// Draws text with its top left at (X, Y) and leaves the pen just after it.
void WideCanvasTextOut(TUniCanvas& Canvas, int X, int Y, const std::u16string& Text);
// Width and height of the text in a font.
QSize WideGetTextExtent(const QFont& Font, const std::u16string& Text);
QSize WideCanvasTextExtent(TUniCanvas& Canvas, const std::u16string& Text);
int WideCanvasTextWidth(TUniCanvas& Canvas, const std::u16string& Text);
int WideCanvasTextHeight(TUniCanvas& Canvas, const std::u16string& Text);

}  // namespace uni
