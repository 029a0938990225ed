// Holds a copy at the open of chosen files, so that a test can change the
// source at a known point of it: the kernel's file access notification asks
// this gate before each of those files is opened, and the open waits until
// it is answered (or, with FAN_ACCESS_PERM, before each read of them). The
// gate acts at the Nth open: it lets go of its marks
// (so that the action may open the files itself), runs the action with the
// path of the first file opened, and only then lets that open go on. Every
// other open goes on at once. Needs the administrator's rights.
#pragma once

#include <poll.h>
#include <sys/fanotify.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class TOpenGate {
public:
    using TAction = std::function<void(const std::string& firstOpened)>;

    TOpenGate(const std::vector<std::string>& files, int actAtOpen, TAction action, uint64_t events = FAN_OPEN_PERM)
        : actAt_(actAtOpen), action_(std::move(action)) {
        fd_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE);
        if (fd_ < 0) return;
        for (const std::string& f : files)
            if (::fanotify_mark(fd_, FAN_MARK_ADD, events, AT_FDCWD, f.c_str()) != 0) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        watcher_ = std::thread([this] { Watch(); });
    }
    ~TOpenGate() {
        stop_ = true;
        if (watcher_.joinable()) watcher_.join();
        if (fd_ >= 0) ::close(fd_);  // any open still held goes on
    }
    TOpenGate(const TOpenGate&) = delete;
    TOpenGate& operator=(const TOpenGate&) = delete;

    bool Armed() const { return fd_ >= 0; }
    bool Acted() const { return acted_; }
    std::string FirstOpened() const { return acted_ ? first_ : std::string(); }

private:
    static std::string PathOf(int fd) {
        char link[64], path[PATH_MAX];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = ::readlink(link, path, sizeof path);
        return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
    }

    void Answer(int eventFd) {
        const fanotify_response r{eventFd, FAN_ALLOW};
        (void)!::write(fd_, &r, sizeof r);
        ::close(eventFd);
    }

    void Watch() {
        alignas(fanotify_event_metadata) char buffer[4096];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) continue;
            auto* e = reinterpret_cast<fanotify_event_metadata*>(buffer);
            for (ssize_t left = got; FAN_EVENT_OK(e, left); e = FAN_EVENT_NEXT(e, left)) {
                if (e->fd < 0) continue;
                if (++opens_ == 1) first_ = PathOf(e->fd);
                if (opens_ == actAt_ && !acted_) {
                    ::fanotify_mark(fd_, FAN_MARK_FLUSH, 0, AT_FDCWD, nullptr);
                    action_(first_);
                    acted_ = true;
                }
                Answer(e->fd);
            }
        }
    }

    int fd_ = -1;
    int actAt_;
    TAction action_;
    int opens_ = 0;
    std::string first_;
    std::atomic<bool> acted_{false}, stop_{false};
    std::thread watcher_;
};
