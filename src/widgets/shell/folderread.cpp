#include "widgets/shell/folderread.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelltree.h"

namespace shell {

namespace {

TFolderItems ReadHere(IShellFolder* folder, uint32_t flags, uintptr_t owner) {
    TFolderItems result;
    std::unique_ptr<IEnumIDList> items;
    if (FAILED(folder->EnumObjects(owner, flags, items)) || !items) return result;
    result.Enumerated = true;
    for (;;) {
        PItemIDList item = nullptr;
        result.LastResult = items->Next(item);
        if (result.LastResult != S_OK) break;
        result.Items.emplace_back(item);
    }
    return result;
}

}  // namespace

TFolderItems ReadFolderItems(const ShellFolderPtr& folder, const std::string& path, uint32_t flags,
                             uintptr_t owner) {
    if (!folder) return {};
    if (path.empty() || !IsRemotePath(path)) return ReadHere(folder.get(), flags, owner);
    // The worker owns what it touches; when the wait runs out it finishes
    // (or hangs) on its own and its result is dropped.
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        TFolderItems result;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, folder, flags] {
        TFolderItems result = ReadHere(folder.get(), flags, 0);
        std::lock_guard lock(shared->mutex);
        shared->result = std::move(result);
        shared->finished = true;
        shared->done.notify_all();
    }).detach();
    std::unique_lock lock(shared->mutex);
    if (!shared->done.wait_for(lock, std::chrono::milliseconds(kRemoteReadWaitMs), [&] { return shared->finished; }))
        return {};
    return std::move(shared->result);
}

}  // namespace shell
