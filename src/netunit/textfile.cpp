#include "netunit/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "netunit/fdio.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/sharing.h"

namespace netunit {
namespace {

bool Flush(TTextFile& t) {
    const bool ok = WriteAll(t.Handle, t.Buffer.data(), t.Buffer.size());
    t.Buffer.clear();
    return ok;
}

// Reads the next block behind what is left; false at the end or on an error.
bool Fill(TTextFile& t) {
    t.Buffer.erase(0, t.Pos);
    t.Pos = 0;
    const size_t kept = t.Buffer.size();
    t.Buffer.resize(kept + kTextBufferSize);
    const ssize_t n = ReadRetrying(t.Handle, t.Buffer.data() + kept, kTextBufferSize);
    t.Buffer.resize(kept + (n > 0 ? static_cast<size_t>(n) : 0));
    return n > 0;
}

bool Open(TTextFile& t, const std::string& name, int flags, ShareMode mode, bool truncate) {
    if (t.Handle >= 0) TextClose(t);
    const int fd = OpenShared(name, flags, mode, truncate);
    if (fd < 0) return false;
    t.Handle = fd;
    t.Writing = mode == ShareMode::Write;
    t.Buffer.clear();
    t.Pos = 0;
    return true;
}

bool Write(TTextFile& t, const std::string& text, bool lineEnd) {
    if (t.Handle < 0 || !t.Writing) return false;
    t.Buffer += text;
    if (lineEnd) t.Buffer += "\r\n";
    return t.Buffer.size() < kTextBufferSize || Flush(t);
}

// The held file is still the one the name leads to.
bool StillNamed(const THeldTextFile& t, const std::string& name) {
    if (t.Handle < 0 || t.Name != name) return false;
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && st.st_dev == t.Device && st.st_ino == t.Inode;
}

// Opens the name for appending, creating the file when it is missing; only a
// regular file is kept, and the open never waits (a FIFO must not stall the server).
bool OpenHeld(THeldTextFile& t, const std::string& name, FileAccess access) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !KeepToOwner(fd, access)) {
        ::close(fd);
        return false;
    }
    t.Handle = fd;
    t.Name = name;
    t.Device = st.st_dev;
    t.Inode = st.st_ino;
    return true;
}

}  // namespace

THeldTextFile::~THeldTextFile() { HeldClose(*this); }

bool HeldAppendLines(THeldTextFile& t, const std::string& name, const std::vector<std::string>& lines,
                     FileAccess access) {
    if (!StillNamed(t, name)) {
        HeldClose(t);
        if (!OpenHeld(t, name, access)) return false;
    }
    size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    if (WriteAll(t.Handle, bytes.data(), bytes.size())) return true;
    HeldClose(t);
    return false;
}

void HeldClose(THeldTextFile& t) {
    if (t.Handle >= 0) ::close(t.Handle);
    t.Handle = -1;
    t.Name.clear();
}

TTextFile::~TTextFile() {
    if (Handle >= 0) TextClose(*this);
}

bool TextRewrite(TTextFile& t, const std::string& name, FileAccess access) {
    WideForceDirectories(WideExtractPath(name));
    if (!Open(t, name, O_WRONLY | O_CREAT, ShareMode::Write, true)) return false;
    // Still empty: nothing was readable before the narrowing.
    if (KeepToOwner(t.Handle, access)) return true;
    TextClose(t);
    return false;
}

bool TextReset(TTextFile& t, const std::string& name) {
    return Open(t, name, O_RDONLY, ShareMode::Read, false);
}

bool TextAppend(TTextFile& t, const std::string& name) {
    return Open(t, name, O_WRONLY | O_APPEND, ShareMode::Write, false);
}

bool TextReadLine(TTextFile& t, std::string& line) {
    line.clear();
    if (TextEof(t)) return false;
    for (;;) {
        while (t.Pos < t.Buffer.size()) {
            const char c = t.Buffer[t.Pos];
            if (c == '\n') {
                ++t.Pos;
                return true;
            }
            if (c != '\r') {
                // The rest of an overlong line comes with the next call.
                if (line.size() >= kTextLineLimit) return true;
                line += c;
            }
            ++t.Pos;
        }
        if (!Fill(t)) return true;  // the last line had no line end
    }
}

bool TextWriteLine(TTextFile& t, const std::string& text) { return Write(t, text, true); }

bool TextWrite(TTextFile& t, const std::string& text) { return Write(t, text, false); }

int TextClose(TTextFile& t) {
    if (t.Handle < 0) return EBADF;
    int error = 0;
    if (t.Writing && !Flush(t)) error = errno;
    if (!CloseShared(t.Handle) && error == 0) error = errno ? errno : EIO;
    t.Handle = -1;
    t.Writing = false;
    t.Buffer.clear();
    t.Pos = 0;
    return error;
}

bool TextEof(TTextFile& t) {
    if (t.Handle < 0 || t.Writing) return true;
    return t.Pos >= t.Buffer.size() && !Fill(t);
}

}  // namespace netunit
