#include "netunit/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "netunit/fdio.h"
#include "netunit/sharing.h"

namespace netunit {
namespace {

constexpr int kModeRead = 0;
constexpr int kModeWrite = 1;
constexpr int kTemporaryNameTries = 100;
constexpr size_t kReadChunk = 64 * 1024;
// Past a file's known size only its end (or what was appended) is left to read.
constexpr size_t kEndProbe = 4 * 1024;

bool Store(tfilehandle& f, int fd, uint16_t mode) {
    if (fd < 0) return false;
    f.Handle = fd;
    f.Mode = mode;
    return true;
}

// A fresh name beside the target; the process id and a counter keep two
// writers (threads or instances) from meeting.
std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// The folder's entry for the renamed file is made durable too.
void SyncFolderOf(const std::string& path) { SyncFolder(WideExtractPath(path)); }

bool SyncOpened(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

}  // namespace

bool FileCreateForWrite(tfilehandle& f, const std::string& name, FileAccess access) {
    WideForceDirectories(WideExtractPath(name));
    if (!Store(f, OpenShared(name, O_WRONLY | O_CREAT, ShareMode::Write, true), kModeWrite)) return false;
    // Still empty: nothing was readable before the narrowing.
    if (KeepToOwner(f.Handle, access)) return true;
    FileCloseHandle(f);
    return false;
}

bool FileOpenForRead(tfilehandle& f, const std::string& name, int64_t* size) {
    struct stat st {};
    if (!Store(f, OpenShared(name, O_RDONLY, ShareMode::Read, false, &st), kModeRead)) return false;
    if (size != nullptr) *size = st.st_size;
    return true;
}

bool FileOpenForAppend(tfilehandle& f, const std::string& name, int64_t position) {
    const int fd = OpenShared(name, O_WRONLY, ShareMode::Write);
    if (fd < 0) return false;
    tfilehandle opened{fd, kModeWrite};
    if (position == 0) position = FileSize64(opened);
    if (!FileSeek64(opened, position)) {
        CloseShared(fd);
        return false;
    }
    f = opened;
    return true;
}

int FileReadBlock(tfilehandle& f, void* buffer, int& count) {
    const ssize_t n = ReadRetrying(f.Handle, buffer, count > 0 ? static_cast<size_t>(count) : 0);
    count = n > 0 ? static_cast<int>(n) : 0;
    return count;
}

bool FileWriteBlock(tfilehandle& f, const void* buffer, int count) {
    if (count < 0) return false;
    return WriteAll(f.Handle, buffer, static_cast<size_t>(count));
}

bool FileCloseHandle(tfilehandle& f) {
    const bool closed = CloseShared(f.Handle);
    f.Handle = -1;
    return closed;
}

int64_t FilePosition64(tfilehandle& f) { return ::lseek(f.Handle, 0, SEEK_CUR); }

int64_t FileSize64(tfilehandle& f) {
    struct stat st {};
    if (::fstat(f.Handle, &st) != 0) return -1;
    return st.st_size;
}

bool FileSeek64(tfilehandle& f, int64_t position) {
    return position >= 0 && ::lseek(f.Handle, position, SEEK_SET) == position;
}

bool FileAtEnd(tfilehandle& f) { return FilePosition64(f) >= FileSize64(f); }

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    struct stat info {};
    const int fd = OpenShared(path, O_RDONLY, ShareMode::Read, false, &info);
    if (fd < 0) return false;
    bool ok = true;
    // Read straight into the result, sized from the file, so that a small
    // file costs no large scratch buffer; a file that grows meanwhile is
    // still read to its end.
    const size_t expected = info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
    for (;;) {
        const size_t used = bytes.size();
        const size_t more = used < expected ? expected - used : expected > 0 ? kEndProbe : kReadChunk;
        bytes.resize(used + more);
        const ssize_t n = ReadRetrying(fd, bytes.data() + used, bytes.size() - used);
        bytes.resize(used + static_cast<size_t>(n > 0 ? n : 0));
        if (n < 0) ok = false;
        if (n <= 0) break;
    }
    CloseShared(fd);
    if (!ok) bytes.clear();
    return ok;
}

bool KeepToOwner(int fd, FileAccess access) {
    if (access != FileAccess::Private) return true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    const mode_t narrow = st.st_mode & 0700;
    return (st.st_mode & 07777) == narrow || ::fchmod(fd, narrow) == 0;
}

bool NarrowToOwner(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const mode_t narrow = st.st_mode & 0700;
    return (st.st_mode & 07777) == narrow || ::chmod(path.c_str(), narrow) == 0;
}

bool EnsurePrivateFolder(const char* path) {
    if (::mkdir(path, 0700) == 0) return true;
    struct stat st {};
    if (::stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const mode_t narrow = st.st_mode & 0700;
    if ((st.st_mode & 07777) != narrow) ::chmod(path, narrow);  // not ours to narrow: it is still there
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes, FileAccess access) {
    // A file that one of our writers holds would lose that writer's data.
    if (ShareIsOpenForWrite(path)) return false;
    std::string temporary;
    int fd = -1;
    for (int i = 0; i < kTemporaryNameTries && fd < 0; ++i) {
        temporary = TemporaryName(path);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    struct stat target {};
    bool ok = true;
    if (::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode))
        ok = ::fchmod(fd, target.st_mode & 07777) == 0;
    ok = ok && KeepToOwner(fd, access);
    ok = ok && WriteAll(fd, bytes.data(), bytes.size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool SyncFileByName(const std::string& name) {
    return SyncOpened(name, O_RDONLY | O_NONBLOCK | O_NOCTTY);
}

bool SyncFolder(const std::string& folder) {
    return SyncOpened(folder.empty() ? std::string(".") : folder, O_RDONLY | O_DIRECTORY);
}

}  // namespace netunit
