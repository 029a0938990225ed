#include "netunit/treecopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <set>
#include <system_error>
#include <unordered_set>

#include "netunit/fdio.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/sharing.h"

namespace netunit {
namespace {

constexpr size_t kCopyBufferBytes = 256 * 1024;
// The start of the name a file is written under until it is whole.
constexpr const char* kPartName = ".quillnest-part-";

// Why an entry of a moved source stayed, as the user reads it.
constexpr const char* kAppeared = "it appeared while it was copied";
constexpr const char* kChanged = "it changed while it was copied";
constexpr const char* kReplaced = "it was replaced while it was copied";
constexpr const char* kInUse = "it is in use";

// The first failure of a copy, as the user reads it.
struct CopyFailed {
    std::string Text;
};

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw CopyFailed{PathProblem(what, path, error)};
}

// The names in a folder, listed before anything is copied, so that no folder
// stays open while its subfolders are copied.
bool NamesIn(const std::string& folder, std::vector<std::string>& names) {
    return ForEachFolderEntry(folder, [&](const tfolderentry& e) { names.emplace_back(e.Name); });
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (!NamesIn(folder, names)) Fail("Cannot read", folder, errno != 0 ? errno : EIO);
    return names;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The files, links and folders of a tree, for the progress shown while it
// is copied: the listing's types spare a status call for most names.
int64_t CountEntries(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 1;
    int64_t count = 1;
    std::vector<std::string> folders;
    ForEachFolderEntry(path, [&](const tfolderentry& e) {
        if (e.Type == DT_DIR || e.Type == DT_UNKNOWN) folders.emplace_back(e.Name);
        else ++count;
    });
    for (const std::string& name : folders) count += CountEntries(AddBackslash(path) + name);
    return count;
}

// The owner where the user may set it, then the permission bits, then the
// times: after the copy is filled, so that a read-only folder is complete
// before it becomes read-only and its time is not changed by its entries.
void KeepAttributes(const std::string& path, const struct stat& st) {
    const bool link = S_ISLNK(st.st_mode);
    if (::lchown(path.c_str(), st.st_uid, st.st_gid) != 0) {
        (void)::lchown(path.c_str(), static_cast<uid_t>(-1), st.st_gid);  // a group the user is in
    }
    if (!link && ::chmod(path.c_str(), st.st_mode & 07777) != 0) Fail("Cannot set the permissions of", path, errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) Fail("Cannot set the time of", path, errno);
}

// The copies running on workers.
struct TWorkers {
    std::mutex Lock;
    std::condition_variable Over;
    std::set<TCopyWorker*> Running;
};

TWorkers& Workers() {
    static TWorkers* workers = new TWorkers;  // outlives a worker still running at exit
    return *workers;
}

// A free temporary name in the folder of path, for a file until it is whole.
std::string PartNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return AddBackslash(WideExtractPath(path)) + kPartName + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

[[noreturn]] void Cancelled(const std::string& from) {
    throw CopyFailed{"The copy of \"" + from + "\" was cancelled"};
}

class TCopier {
public:
    TCopier(TTreeCopy* record, TCopyProgress* progress) : record_(record), progress_(progress) {}

    // Created is set once the new entry exists: from then on it is ours to
    // remove. A listed entry that is gone by the time it is copied was not
    // there to copy (top is false for those).
    void CopyInto(const std::string& from, const std::string& to, bool top, bool* created) {
        if (progress_ && progress_->Cancelled) Cancelled(from);
        struct stat st {};
        if (::lstat(from.c_str(), &st) != 0) {
            if (!top && errno == ENOENT) return;
            Fail("Cannot read", from, errno);
        }
        if (S_ISLNK(st.st_mode)) {
            if (::symlink(LinkText(from, st).c_str(), to.c_str()) != 0) Fail("Cannot copy", from, errno);
            if (created != nullptr) *created = true;
            KeepAttributes(to, st);
        } else if (S_ISREG(st.st_mode)) {
            CopyFileBytes(from, to, st, created);  // st becomes the file that was read
        } else if (S_ISDIR(st.st_mode)) {
            if (::mkdir(to.c_str(), 0700) != 0) Fail("Cannot copy", from, errno);
            if (created != nullptr) *created = true;
            for (const std::string& name : EntriesOf(from))
                CopyInto(AddBackslash(from) + name, AddBackslash(to) + name, false, nullptr);
            KeepAttributes(to, st);
        } else {
            throw CopyFailed{"Cannot copy \"" + from + "\": it is no file, folder or link"};
        }
        if (record_ != nullptr)
            record_->Entries.push_back({from, st.st_dev, st.st_ino, st.st_size, st.st_mtim, S_ISDIR(st.st_mode)});
        if (progress_ != nullptr) ++progress_->Copied;
    }

private:
    // Copies the bytes of the file open at from into a temporary name beside
    // to, which it takes once whole, with the source's attributes; status
    // becomes that file's status as it was opened. A file whose size or time
    // moved while it was read is recorded as changed: its copy holds what
    // was read.
    void CopyFileBytes(const std::string& from, const std::string& to, struct stat& status, bool* created) {
        if (progress_ != nullptr) progress_->SetCurrent(from);
        const int in = OpenShared(from, O_RDONLY | O_NOFOLLOW, ShareMode::Read, false, &status);
        if (in < 0) Fail("Cannot read", from, errno);
        const std::string part = PartNameFor(to);
        const int out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (out < 0) {
            const int e = errno;
            CloseShared(in);
            Fail("Cannot write", to, e);
        }
        std::vector<char> buffer(kCopyBufferBytes);
        int error = 0;
        std::string failedPath;
        off_t read = 0;
        for (;;) {
            // A failed read must not pass for the end: a moved original goes after its copy.
            const ssize_t got = ReadRetrying(in, buffer.data(), buffer.size());
            if (got < 0) {
                error = errno;
                failedPath = from;
                break;
            }
            if (got == 0) break;
            read += got;
            errno = 0;
            if (!WriteAll(out, buffer.data(), static_cast<size_t>(got))) {
                error = errno != 0 ? errno : EIO;
                failedPath = to;
                break;
            }
        }
        struct stat after {};
        const bool looked = ::fstat(in, &after) == 0;
        CloseShared(in);
        if (::close(out) != 0 && !error) {
            error = errno;
            failedPath = to;
        }
        try {
            if (error) Fail("Cannot copy", failedPath, error);
            KeepAttributes(part, status);
            errno = 0;
            if (!FileRename(part, to)) Fail("Cannot write", to, errno != 0 ? errno : EEXIST);
        } catch (const CopyFailed&) {
            ::unlink(part.c_str());
            throw;
        }
        if (created != nullptr) *created = true;
        if (record_ != nullptr &&
            (!looked || read != status.st_size || after.st_size != status.st_size || !SameTime(after.st_mtim, status.st_mtim)))
            record_->Changed.push_back(from);
    }

    static std::string LinkText(const std::string& from, const struct stat& st) {
        std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
        for (;;) {
            const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
            if (n < 0) Fail("Cannot read the link", from, errno);
            if (static_cast<size_t>(n) < target.size()) {
                target.resize(static_cast<size_t>(n));
                return target;
            }
            target.resize(target.size() * 2);  // the link changed meanwhile
        }
    }

    TTreeCopy* record_;
    TCopyProgress* progress_;
};

// Everything written to the file system that holds Folder is on disk.
bool FlushFileSystemOf(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    return (::close(fd) == 0) && ok;
}

std::string Reason(const char* what, int error) {
    return std::string(what) + ": " + std::error_code(error, std::generic_category()).message();
}

// Removes what a copy took and is still as it was copied, children before
// their folders; the rest stays, and is listed with why.
std::vector<TStayed> RemoveCopied(const TTreeCopy& copy) {
    std::vector<TStayed> stayed;
    std::unordered_set<std::string> recorded, changed(copy.Changed.begin(), copy.Changed.end());
    for (const TCopiedEntry& e : copy.Entries) recorded.insert(e.Path);
    for (const TCopiedEntry& e : copy.Entries) {
        struct stat now {};
        if (::lstat(e.Path.c_str(), &now) != 0) {
            if (errno != ENOENT) stayed.push_back({e.Path, Reason("it could not be looked at", errno)});
            continue;  // gone already: nothing of it is lost here
        }
        if (now.st_dev != e.Device || now.st_ino != e.Inode || S_ISDIR(now.st_mode) != e.Folder) {
            stayed.push_back({e.Path, kReplaced});
            continue;
        }
        if (e.Folder) {
            if (::rmdir(e.Path.c_str()) == 0) continue;
            if (errno != ENOTEMPTY && errno != EEXIST) {
                stayed.push_back({e.Path, Reason("it could not be removed", errno)});
                continue;
            }
            // What the copy never saw holds the folder; what it did see and
            // left is listed already.
            ForEachFolderEntry(e.Path, [&](const tfolderentry& child) {
                const std::string path = AddBackslash(e.Path) + std::string(child.Name);
                if (!recorded.count(path)) stayed.push_back({path, kAppeared});
            });
            continue;
        }
        if (changed.count(e.Path) || now.st_size != e.Size || !SameTime(now.st_mtim, e.Modified)) {
            stayed.push_back({e.Path, kChanged});
        } else if (S_ISREG(now.st_mode) && ShareIsOpen(e.Path)) {
            stayed.push_back({e.Path, kInUse});
        } else if (::unlink(e.Path.c_str()) != 0) {
            stayed.push_back({e.Path, Reason("it could not be removed", errno)});
        }
    }
    return stayed;
}

}  // namespace

TCopyWorker::TCopyWorker() {
    TWorkers& w = Workers();
    std::lock_guard<std::mutex> hold(w.Lock);
    w.Running.insert(this);
}

TCopyWorker::~TCopyWorker() { Finish(); }

void TCopyWorker::Finish() {
    TWorkers& w = Workers();
    std::lock_guard<std::mutex> hold(w.Lock);
    w.Running.erase(this);
    finished_ = true;
    w.Over.notify_all();
}

bool StopCopyWorkers(std::chrono::milliseconds Bound) {
    TWorkers& w = Workers();
    std::unique_lock<std::mutex> hold(w.Lock);
    for (TCopyWorker* worker : w.Running) worker->Progress.Cancelled = true;
    return w.Over.wait_for(hold, Bound, [&] { return w.Running.empty(); });
}

void TCopyProgress::SetCurrent(const std::string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    current_ = path;
}

std::string TCopyProgress::Current() const {
    std::lock_guard<std::mutex> hold(lock_);
    return current_;
}

std::string PathProblem(const std::string& What, const std::string& Path, int Error) {
    return What + " \"" + Path + "\": " + std::error_code(Error, std::generic_category()).message();
}

bool CopyTree(const std::string& From, const std::string& To, std::string& Problem, TTreeCopy* Copy,
              TCopyProgress* Progress) {
    if (Progress != nullptr) Progress->Total += CountEntries(From);
    bool created = false;
    try {
        TCopier(Copy, Progress).CopyInto(From, To, true, &created);
        return true;
    } catch (const CopyFailed& failed) {
        Problem = failed.Text;
    }
    // Half a copy is no copy; what held the name before is not ours.
    if (created) RemoveOwnCopy(To);
    if (Copy != nullptr) *Copy = {};
    return false;
}

bool MoveTree(const std::string& From, const std::string& To, std::string& Problem, std::vector<TStayed>& Stayed,
              TCopyProgress* Progress) {
    TTreeCopy copy;
    if (!CopyTree(From, To, Problem, &copy, Progress)) return false;
    // The original goes only once its copy is on disk.
    if (!FlushFileSystemOf(WideExtractPath(To))) {
        Problem = PathProblem("Cannot write", To, errno != 0 ? errno : EIO);
        RemoveOwnCopy(To);
        return false;
    }
    Stayed = RemoveCopied(copy);
    return true;
}

void RemoveOwnCopy(const std::string& Path) {
    struct stat st {};
    if (::lstat(Path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(Path.c_str());
        return;
    }
    ::chmod(Path.c_str(), 0700);
    std::vector<std::string> names;
    NamesIn(Path, names);  // what could be listed goes; the folder then stays
    for (const std::string& n : names) RemoveOwnCopy(AddBackslash(Path) + n);
    ::rmdir(Path.c_str());
}

}  // namespace netunit
