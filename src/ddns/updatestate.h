// What the main window shares with its dynamic-DNS workers: the last address
// each service accepted and whether a run of it is going. Workers hold it by
// a shared pointer, so a worker that outlives the window finds no window
// rather than a freed one.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>

namespace core {
class tsessionface;
}

namespace ddns {

enum class tservice : int { DynDns = 0, NoIp = 1 };

class tupdatestate {
public:
    // face: where the workers' log lines go; lastPublicIp: the window's record
    // of the last address either service took.
    tupdatestate(core::tsessionface* face, std::string* lastPublicIp) : face_(face), lastPublicIp_(lastPublicIp) {}

    // Main thread only (workers reach them inside the synchronise call); null
    // once the window is gone.
    core::tsessionface* Face() const { return face_; }
    std::string* LastPublicIp() const { return lastPublicIp_; }
    void Detach() {
        face_ = nullptr;
        lastPublicIp_ = nullptr;
    }

    // Each service keeps its own: one service taking a new address must not
    // make the other skip its update.
    std::string LastAddress(tservice service) const;
    void SetLastAddress(tservice service, const std::string& address);

    // A service whose account or hosts were refused stops updating until its
    // settings change: Halt records the settings (as one key text) that got
    // the refusal; Halted is true while a run's settings are still those, and
    // forgets the halt once they differ.
    void Halt(tservice service, const std::string& settingsKey);
    bool Halted(tservice service, const std::string& settingsKey);

    // False while a run of the service is still going.
    bool BeginRun(tservice service);
    void EndRun(tservice service);
    bool Running(tservice service) const;

private:
    static size_t Slot(tservice service) { return static_cast<size_t>(service); }

    core::tsessionface* face_;
    std::string* lastPublicIp_;
    mutable std::mutex mutex_;
    std::array<std::string, 2> last_;
    std::array<bool, 2> running_{};
    std::array<bool, 2> halted_{};
    std::array<std::string, 2> haltedKey_;
};

// The window's end of the shared state: the window is detached when it goes.
class tupdatelink {
public:
    tupdatelink(core::tsessionface* face, std::string* lastPublicIp)
        : state_(std::make_shared<tupdatestate>(face, lastPublicIp)) {}
    ~tupdatelink() { state_->Detach(); }
    tupdatelink(const tupdatelink&) = delete;
    tupdatelink& operator=(const tupdatelink&) = delete;
    const std::shared_ptr<tupdatestate>& State() const { return state_; }

private:
    std::shared_ptr<tupdatestate> state_;
};

}  // namespace ddns
