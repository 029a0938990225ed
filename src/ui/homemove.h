// Moving the users' home folder: every entry of the old folder goes to the
// new one. Nothing is ever replaced; an entry that cannot be moved stays and
// is listed. A rename across file systems is done by the file layer's move:
// a whole copy, then the removal of only what was copied and is unchanged,
// since the services keep writing to the users' folders meanwhile.
#pragma once

#include <string>
#include <vector>

namespace netunit {
class TCopyProgress;
}

namespace homemove {


// Moves the entries of OldHome into NewHome (both ending in "/"). Returns
// what stayed behind, in the order met: the name of an entry that was not
// moved at all, and for an entry that was, each part of it that stayed in
// the old folder, as its path below OldHome and why ("bob/upload.bin: it
// changed while it was copied"). Safe on a worker thread; progress, when
// given, counts the entries renamed and the files and folders copied, and a
// stop asked for through it undoes the entry in hand and begins no other.
std::vector<std::string> MoveHomeContents(const std::string& OldHome, const std::string& NewHome,
                                         netunit::TCopyProgress* progress = nullptr);

}  // namespace homemove
