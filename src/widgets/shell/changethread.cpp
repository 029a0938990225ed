#include "widgets/shell/changethread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

#include "platform/guard.h"

namespace shell {

namespace {

constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The folder itself going away is worth a look too (its parent's watch may
// be past the bound).
constexpr uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

// Whether an event of a watch with this filter is worth a notice.
bool Wanted(uint32_t filter, uint32_t mask) {
    if (mask & (IN_Q_OVERFLOW | kSelfEvents)) return true;
    if (!(mask & kNameEvents)) return false;
    return (mask & IN_ISDIR) ? (filter & FILE_NOTIFY_CHANGE_DIR_NAME) != 0
                             : (filter & FILE_NOTIFY_CHANGE_FILE_NAME) != 0;
}

}  // namespace

TChangeHandlerThread::TChangeHandlerThread(std::function<void(int)> notice) : notice_(std::move(notice)) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotify_ < 0 || wake_ < 0) {
        if (inotify_ >= 0) ::close(inotify_);
        if (wake_ >= 0) ::close(wake_);
        inotify_ = wake_ = -1;
        return;
    }
    thread_ = std::thread([this] { Execute(); });
}

TChangeHandlerThread::~TChangeHandlerThread() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            command_ = cmdQuit;
            ++issued_;
        }
        const uint64_t one = 1;
        (void)!::write(wake_, &one, sizeof one);
        thread_.join();
    }
    // Closing the instance ends every watch it holds.
    if (inotify_ >= 0) ::close(inotify_);
    if (wake_ >= 0) ::close(wake_);
}

bool TChangeHandlerThread::Run(TCommand command, const std::string& path, uint32_t filter, int* slot) {
    if (!thread_.joinable()) return false;
    std::lock_guard call(callMutex_);
    std::unique_lock lock(mutex_);
    command_ = command;
    path_ = path;
    filter_ = filter;
    result_ = -1;
    const uint64_t ticket = ++issued_;
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    if (!done_.wait_for(lock, std::chrono::milliseconds(kCommandWaitMs), [&] { return finished_ >= ticket; }))
        return false;
    if (slot) *slot = result_;
    return result_ >= 0;
}

bool TChangeHandlerThread::AddWatch(const std::string& path, uint32_t filter, int& slot) {
    slot = -1;
    if (path.empty()) return false;
    return Run(cmdAdd, path, filter, &slot);
}

bool TChangeHandlerThread::RemoveWatch(const std::string& path) {
    return !path.empty() && Run(cmdRemove, path, 0, nullptr);
}

void TChangeHandlerThread::RemoveAllWatches() { Run(cmdRemoveAll, {}, 0, nullptr); }

int TChangeHandlerThread::WatchCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(table_.size());
}

void TChangeHandlerThread::Execute() {
    for (;;) {
        pollfd fds[2] = {{wake_, POLLIN, 0}, {inotify_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            (void)!::read(wake_, &count, sizeof count);
            std::lock_guard lock(mutex_);
            if (command_ == cmdQuit) return;
            if (finished_ < issued_) DoCommand();
        }
        if (fds[1].revents & POLLIN) ReadEvents();
    }
}

// Runs under mutex_.
void TChangeHandlerThread::DoCommand() {
    result_ = -1;
    switch (command_) {
        case cmdAdd: {
            for (auto& [wd, w] : table_)
                if (w.Path == path_) {
                    ++w.Count;
                    result_ = wd;
                    break;
                }
            if (result_ >= 0 || static_cast<int>(table_.size()) >= kMaxWatches) break;
            uint32_t mask = IN_ONLYDIR | kSelfEvents;
            if (filter_ & (FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_FILE_NAME)) mask |= kNameEvents;
            const int wd = ::inotify_add_watch(inotify_, path_.c_str(), mask);
            if (wd < 0) break;  // no such folder, no access, or the system's limit
            Watch& w = table_[wd];
            if (w.Count > 0) {
                // Another name of a folder already watched (a link): one watch.
                w.Filter |= filter_;
                ++w.Count;
            } else {
                w = Watch{path_, filter_, 1};
            }
            result_ = wd;
            break;
        }
        case cmdRemove:
            for (auto it = table_.begin(); it != table_.end(); ++it)
                if (it->second.Path == path_) {
                    result_ = it->first;
                    if (--it->second.Count <= 0) {
                        ::inotify_rm_watch(inotify_, it->first);
                        table_.erase(it);
                    }
                    break;
                }
            break;
        case cmdRemoveAll:
            for (const auto& [wd, w] : table_) ::inotify_rm_watch(inotify_, wd);
            table_.clear();
            result_ = 0;
            break;
        case cmdQuit:
            break;
    }
    finished_ = issued_;
    done_.notify_all();
}

void TChangeHandlerThread::ReadEvents() {
    alignas(inotify_event) char buffer[16384];
    std::vector<int> fired;
    for (;;) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW) {
                fired.push_back(-1);
                continue;
            }
            auto w = table_.find(e->wd);
            if (w == table_.end()) continue;
            if (Wanted(w->second.Filter, e->mask)) fired.push_back(e->wd);
            // The system has ended this watch (the folder is gone).
            if (e->mask & IN_IGNORED) table_.erase(w);
        }
    }
    if (fired.empty()) return;
    // One notice per batch: the view coalesces notices anyway, and a burst
    // of changes must not flood its queue.
    const int slot = fired.size() == 1 ? fired.front() : -1;
    QMetaObject::invokeMethod(
        &receiver_, [fn = notice_, slot] { platform::RunGuarded([&] { fn(slot); }); }, Qt::QueuedConnection);
}

}  // namespace shell
