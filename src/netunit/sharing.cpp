#include "netunit/sharing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

namespace netunit {
namespace {

using FileKey = std::pair<dev_t, ino_t>;

struct Openers {
    int readers = 0;
    int writers = 0;
};

struct Registration {
    FileKey key;
    ShareMode mode;
};

// Workers (relay, dynamic DNS) may read whole files while the main thread
// opens others, so the table is behind a mutex.
std::mutex tableMutex;
std::map<FileKey, Openers> openFiles;
std::map<int, Registration> openDescriptors;

bool Allowed(const Openers& o, ShareMode mode) {
    if (mode == ShareMode::Write) return o.readers == 0 && o.writers == 0;
    return o.writers == 0;
}

bool KeyOf(const std::string& path, FileKey& key) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    key = {st.st_dev, st.st_ino};
    return true;
}

void CloseKeepingErrno(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

}  // namespace

int OpenShared(const std::string& path, int flags, ShareMode mode, bool truncate, struct stat* status) {
    // O_TRUNC would empty a file before the table has been asked.
    flags &= ~O_TRUNC;
    int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        CloseKeepingErrno(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    FileKey key{st.st_dev, st.st_ino};
    {
        std::lock_guard<std::mutex> lock(tableMutex);
        Openers& o = openFiles[key];
        if (!Allowed(o, mode)) {
            if (o.readers == 0 && o.writers == 0) openFiles.erase(key);
            ::close(fd);
            errno = EBUSY;
            return -1;
        }
        (mode == ShareMode::Write ? o.writers : o.readers)++;
        openDescriptors[fd] = {key, mode};
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        int saved = errno;
        CloseShared(fd);
        errno = saved;
        return -1;
    }
    if (status != nullptr) {
        *status = st;
        if (truncate) status->st_size = 0;
    }
    return fd;
}

bool CloseShared(int fd) {
    {
        std::lock_guard<std::mutex> lock(tableMutex);
        auto it = openDescriptors.find(fd);
        if (it == openDescriptors.end()) return false;
        auto f = openFiles.find(it->second.key);
        if (f != openFiles.end()) {
            (it->second.mode == ShareMode::Write ? f->second.writers : f->second.readers)--;
            if (f->second.readers <= 0 && f->second.writers <= 0) openFiles.erase(f);
        }
        openDescriptors.erase(it);
    }
    return ::close(fd) == 0;
}

bool ShareIsOpen(const std::string& path) {
    FileKey key;
    if (!KeyOf(path, key)) return false;
    std::lock_guard<std::mutex> lock(tableMutex);
    return openFiles.count(key) != 0;
}

bool ShareIsOpenForWrite(const std::string& path) {
    FileKey key;
    if (!KeyOf(path, key)) return false;
    std::lock_guard<std::mutex> lock(tableMutex);
    auto f = openFiles.find(key);
    return f != openFiles.end() && f->second.writers > 0;
}

}  // namespace netunit
