// Copying a file, a symbolic link or a folder tree to a new name, and moving
// one across file systems, for the folder controls' paste and drop and for
// the move of the users' home folder. Everything goes by name: a link is
// copied as a link and what it points at is never touched. Names are bytes.
//
// A move across file systems is a copy followed by the removal of the
// original, while other programs and the server's own sessions may still
// write to it. The removal therefore takes only what the copy recorded and
// what is still as it was copied; whatever appeared or changed meanwhile
// stays where it is, with the folders that hold it.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

namespace netunit {

// How far a copy got, read by the window while a worker copies, and the
// window's wish that it stop. A stop takes effect between files.
class TCopyProgress {
public:
    std::atomic<int64_t> Total{0};   // files, links and folders to copy, as counted before
    std::atomic<int64_t> Copied{0};  // files, links and folders copied so far
    std::atomic<bool> Cancelled{false};

    void SetCurrent(const std::string& path);
    std::string Current() const;

private:
    mutable std::mutex lock_;
    std::string current_;
};

// A copy on a worker thread, known to the program's end from the moment it
// is made (on the thread that starts the worker, before the worker starts)
// until the worker calls Finish as its last step, so that the end can stop
// it the way Cancel does and wait for the item in hand to be undone.
class TCopyWorker {
public:
    TCopyWorker();
    ~TCopyWorker();
    TCopyWorker(const TCopyWorker&) = delete;
    TCopyWorker& operator=(const TCopyWorker&) = delete;

    TCopyProgress Progress;

    void Finish();
    bool Finished() const { return finished_; }

private:
    std::atomic<bool> finished_{false};
};

// Stops every copy running on a worker between files, as Cancel does,
// and waits up to Bound for their workers to finish. False when one is
// still running when Bound is over.
bool StopCopyWorkers(std::chrono::milliseconds Bound);

// One entry of a source as it was when it was copied.
struct TCopiedEntry {
    std::string Path;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    struct timespec Modified {};
    bool Folder = false;
};

// What a copy took from its source, in the order copied (a folder after
// everything in it), and the files that changed while they were read, whose
// copies need not match what they hold now.
struct TTreeCopy {
    std::vector<TCopiedEntry> Entries;
    std::vector<std::string> Changed;
};

// An entry of a moved source that stayed where it was, and why, as the user
// reads it ("it appeared while it was copied").
struct TStayed {
    std::string Path;
    std::string Why;
};

// Copies From to To, which must not exist. Files are read through the file
// layer's sharing table, so a file a session is writing is not taken half
// written; a device, a pipe or a socket is not copied. Each file is written
// under a temporary name in its target folder (".quillnest-part-<pid>-<n>")
// and takes its own name only once it is whole, so a copy that is killed
// never leaves a short file under the name of its source. A folder is filled
// before its permission bits and times are set, so a read-only folder is
// complete before it becomes read-only; the owner is kept where the user may
// set it. False on the first failure or on a stop asked for through
// Progress (looked at between files), with Problem saying what failed ("Cannot read \"path\": reason")
// and the partial copy removed again. Copy, when given, receives what was
// copied.
bool CopyTree(const std::string& From, const std::string& To, std::string& Problem, TTreeCopy* Copy = nullptr,
              TCopyProgress* Progress = nullptr);

// Moves From to To (which must not exist) across file systems: a whole copy,
// flushed to disk, then the removal of what the copy took and is unchanged
// since (the same file, size and modification time, looked at just before it
// goes). False, with Problem, when the copy failed: nothing of it stays and
// the source is untouched. True once the copy is whole; Stayed then lists
// what is still at From and why.
bool MoveTree(const std::string& From, const std::string& To, std::string& Problem, std::vector<TStayed>& Stayed,
              TCopyProgress* Progress = nullptr);

// Removes a copy of the caller's own making, read-only folders and all.
void RemoveOwnCopy(const std::string& Path);

// What went wrong with a path, as the user reads it: "What \"Path\": reason".
std::string PathProblem(const std::string& What, const std::string& Path, int Error);

}  // namespace netunit
