// Reading the items of one folder for the folder tree. A folder on a network
// or FUSE mount is read by a worker thread, so that a server that does not
// answer never stops the window: the window waits a bounded time and then
// goes on without the items.
#pragma once

#include <string>
#include <vector>

#include "widgets/shell/pidl.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

struct TFolderItems {
    bool Enumerated = false;     // the folder let itself be enumerated
    HRESULT LastResult = E_FAIL; // the last fetch: S_FALSE at a normal end
    std::vector<PidlPtr> Items;  // relative one-item lists
};

// path is the folder's file-system path ("" for virtual folders).
TFolderItems ReadFolderItems(const ShellFolderPtr& folder, const std::string& path, uint32_t flags,
                             uintptr_t owner);

}  // namespace shell
