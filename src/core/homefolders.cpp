#include "core/homefolders.h"

#include "netunit/names.h"

namespace core {

bool MoveAside(const std::string& Home, const std::string& Name) {
    const std::string from = Home + Name;
    if (!netunit::WideDirectoryExists(from) && !netunit::WideFileExists(from)) return true;
    std::string candidate = Name + "^";
    while (!netunit::FileRename(from, Home + candidate)) {
        if (candidate.size() >= kMoveAsideMaxName) return false;
        candidate += "^";
    }
    return true;
}

HomeRename RenameHomeFolder(const std::string& Home, const std::string& OldName, const std::string& NewName) {
    if (!netunit::WideDirectoryExists(Home + OldName)) return HomeRename::OldMissing;
    return netunit::FileRename(Home + OldName, Home + NewName) ? HomeRename::Moved : HomeRename::Failed;
}

bool RetireHomeFolder(const std::string& Home, const std::string& Name, std::string* Kept) {
    const std::string from = Home + Name;
    if (!netunit::WideDirectoryExists(from)) return true;
    const std::string retired = Home + kRetiredFolder + "/";
    if (!netunit::WideDirectoryExists(retired) && !netunit::WideForceDirectories(retired)) return false;
    for (int n = 1; n <= kRetiredCopies; ++n) {
        const std::string name = n == 1 ? Name : Name + std::to_string(n);
        if (netunit::WideDirectoryExists(retired + name) || netunit::WideFileExists(retired + name)) continue;
        if (!netunit::FileRename(from, retired + name)) return false;
        if (Kept != nullptr) *Kept = name;
        return true;
    }
    return false;
}

}  // namespace core
