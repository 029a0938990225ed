// The change thread: one worker that waits on inotify for the folders a
// folder view has loaded and tells the view, on the view's own thread, that
// something changed. The view owns the thread and hands it commands (add a
// folder, drop a folder, drop all, quit) one at a time; the thread owns its
// watch table while it runs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <QObject>

namespace shell {

// What a watch reports (the filter bits of the folder views).
enum : uint32_t {
    FILE_NOTIFY_CHANGE_FILE_NAME = 0x1,  // entries that are no folders appear, go or move
    FILE_NOTIFY_CHANGE_DIR_NAME = 0x2,   // folders appear, go or move
};

// At most this many folders are watched at once. The system's own limit
// (fs.inotify.max_user_watches) is shared by every program of the user and
// may be low; past either limit a folder is simply not watched.
inline constexpr int kMaxWatches = 1024;
// The longest a command makes its caller wait for the thread.
inline constexpr int kCommandWaitMs = 2000;

class TChangeHandlerThread {
public:
    // Notice runs on the thread that made this object (queued there), with
    // the watch slot that fired (-1 when the system dropped events and
    // anything may have changed).
    explicit TChangeHandlerThread(std::function<void(int slot)> notice);
    // Wakes the thread with the quit command and joins it before the watch
    // table goes: a thread never outlives the table it works on.
    ~TChangeHandlerThread();
    TChangeHandlerThread(const TChangeHandlerThread&) = delete;
    TChangeHandlerThread& operator=(const TChangeHandlerThread&) = delete;

    // Watches one folder (not its subfolders). Adding a folder already
    // watched counts it once more. False for an empty path, a path that
    // cannot be watched, a full table or a thread that does not answer.
    bool AddWatch(const std::string& path, uint32_t filter, int& slot);
    // Drops one count of a folder's watch; the watch ends with the last.
    bool RemoveWatch(const std::string& path);
    void RemoveAllWatches();
    // The number of folders watched now.
    int WatchCount() const;
    // False when the system gave no inotify instance: nothing is watched.
    bool Working() const { return inotify_ >= 0; }

private:
    enum TCommand : uint8_t { cmdAdd = 0, cmdRemove = 1, cmdRemoveAll = 2, cmdQuit = 3 };
    struct Watch {
        std::string Path;
        uint32_t Filter = 0;
        int Count = 0;
    };
    bool Run(TCommand command, const std::string& path, uint32_t filter, int* slot);
    void Execute();
    void DoCommand();
    void ReadEvents();

    std::function<void(int)> notice_;
    QObject receiver_;  // lives on the owner's thread: notices are queued to it
    int inotify_ = -1;
    int wake_ = -1;     // eventfd: a command is waiting

    std::mutex callMutex_;  // one command in flight
    mutable std::mutex mutex_;
    std::condition_variable done_;
    TCommand command_ = cmdAdd;
    std::string path_;
    uint32_t filter_ = 0;
    int result_ = -1;
    uint64_t issued_ = 0, finished_ = 0;
    std::map<int, Watch> table_;  // by watch descriptor (the slot)
    std::thread thread_;
};

}  // namespace shell
