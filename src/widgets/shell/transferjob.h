// Paste and drop on a worker: the window's loop steps every session of the
// services, so a copy of many files must never hold it. While a transfer
// runs the loop goes on; one that takes long shows how far it got, and its
// Cancel stops it between files.
#pragma once

#include <string>
#include <vector>

#include "widgets/shell/filetransfer.h"

namespace shell {

// TransferInto on a worker thread, returning once it is over. Until the
// progress dialog shows, the user's input waits; from then on the dialog is
// modal, so no second paste or drop can start meanwhile.
TTransferReport TransferWhileServing(const std::vector<std::string>& items, const std::string& folder,
                                     TTransferKind kind);

// MoveToTrash of each item on a worker, in the same way: a Trash on another
// file system than an item's may take a copy. What did not go is in
// Problems, one line an item.
TTransferReport TrashWhileServing(const std::vector<std::string>& items);

}  // namespace shell
