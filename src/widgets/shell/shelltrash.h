// Moving items to the Trash in the shared freedesktop.org layout that other
// programs read and restore from: an item on the home Trash's file system
// goes to the home Trash ($XDG_DATA_HOME/Trash); an item on another file
// system goes to that file system's own Trash ($topdir/.Trash/$uid when the
// administrator set it up, else $topdir/.Trash-$uid), so that nothing is
// copied. Only when neither can be had is the item copied whole into the
// home Trash and then removed.
#pragma once

#include <string>

namespace netunit {
class TCopyProgress;
}

namespace shell {

// Where an item went: the Trash folder (which holds files/ and info/) and
// the item's name in files/ (its info file is info/<Name>.trashinfo).
struct TTrashPlace {
    std::string Trash;
    std::string Name;
};

// Moves an item (a link as a link) to its Trash. Throws EShellVerbError
// when it stayed where it was, ESourceKept when a complete copy went to the
// Trash (with its info file) but not all of the item could be removed.
// Progress, when given, shows how far a copy got and can stop it between
// files, as for TransferItem.
TTrashPlace MoveToTrash(const std::string& path, netunit::TCopyProgress* progress = nullptr);

// The contents of a .trashinfo file for a path (absolute, or relative to
// the top folder of its file system's Trash): the path's bytes
// percent-encoded and the deletion time in local time.
std::string TrashInfoText(const std::string& path, const std::string& deletionDate);

}  // namespace shell
