#include "widgets/shell/devicechange.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <set>
#include <string>

#include "platform/guard.h"
#include "platform/mainthread.h"
#include "widgets/shell/mounttable.h"

namespace shell {

namespace {

std::set<std::string> MountPoints() {
    std::set<std::string> out;
    for (const MountEntry& m : MountTable()) out.insert(m.MountPoint);
    return out;
}

// Reading the table to its end is what re-arms the kernel's change flag.
void Drain(int fd) {
    char buf[16384];
    ::lseek(fd, 0, SEEK_SET);
    while (::read(fd, buf, sizeof buf) > 0) {
    }
}

TScDeviceChangeHandler* relay = nullptr;

}  // namespace

// The kernel flags a change of the mount table with POLLPRI on an open
// mountinfo file.
struct TScDeviceChangeHandler::Watch {
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    std::set<std::string> mounts;
    ~Watch() {
        delete notifier;
        if (fd >= 0) ::close(fd);
    }
};

TScDeviceChangeHandler::TScDeviceChangeHandler() : watch_(std::make_unique<Watch>()), alive_(std::make_shared<bool>(true)) {
    watch_->fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (watch_->fd < 0) return;
    Drain(watch_->fd);
    watch_->mounts = MountPoints();
    watch_->notifier = new QSocketNotifier(watch_->fd, QSocketNotifier::Exception);
    QObject::connect(watch_->notifier, &QSocketNotifier::activated, [this] {
        platform::RunGuarded([this] { MountsChanged(); });
    });
}

TScDeviceChangeHandler::~TScDeviceChangeHandler() { *alive_ = false; }

void TScDeviceChangeHandler::AddHandler(TScDeviceHandler handler) { handlers_.push_back(std::move(handler)); }

void TScDeviceChangeHandler::RemoveHandler(const void* owner, int tag) {
    for (auto it = handlers_.begin(); it != handlers_.end(); ++it)
        if (it->Owner == owner && it->Tag == tag) {
            handlers_.erase(it);
            return;
        }
}

void TScDeviceChangeHandler::PostDeviceChange(TDeviceMessage msg) {
    std::weak_ptr<bool> alive = alive_;
    platform::PostToMain([this, alive, msg] {
        if (auto a = alive.lock(); a && *a) Deliver(msg);
    });
}

void TScDeviceChangeHandler::Deliver(TDeviceMessage msg) {
    if (!Enabled) return;
    // A handler may add or remove handlers: run over a copy.
    const std::vector<TScDeviceHandler> handlers = handlers_;
    for (const TScDeviceHandler& h : handlers)
        if (h.Call) platform::RunGuarded([&] {
                TDeviceMessage m = msg;
                h.Call(this, m);
            });
}

void TScDeviceChangeHandler::MountsChanged() {
    Drain(watch_->fd);
    RefreshMountTable();
    const std::set<std::string> now = MountPoints();
    bool added = false, removed = false;
    for (const std::string& m : now) added = added || !watch_->mounts.count(m);
    for (const std::string& m : watch_->mounts) removed = removed || !now.count(m);
    watch_->mounts = now;
    if (added) PostDeviceChange({DBT_DEVICEARRIVAL, 0});
    if (removed) PostDeviceChange({DBT_DEVICEREMOVECOMPLETE, 0});
}

TScDeviceChangeHandler* DeviceChangeHandler() {
    if (!relay) relay = new TScDeviceChangeHandler();
    return relay;
}

void FreeDeviceChangeHandler() {
    delete relay;
    relay = nullptr;
}

}  // namespace shell
