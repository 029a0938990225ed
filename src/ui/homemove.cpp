#include "ui/homemove.h"

#include <sys/stat.h>

#include <cerrno>

#include "netunit/files.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/treecopy.h"

namespace homemove {

namespace {

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    netunit::ForEachFolderEntry(folder, [&](const netunit::tfolderentry& e) { names.emplace_back(e.Name); });
    return names;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::vector<std::string> MoveHomeContents(const std::string& OldHome, const std::string& NewHome,
                                         netunit::TCopyProgress* progress) {
    std::vector<std::string> stayed;
    for (const std::string& name : EntriesOf(OldHome)) {
        const std::string from = OldHome + name, to = NewHome + name;
        // A stop leaves the entries not yet begun where they are.
        if (Exists(to) || (progress != nullptr && progress->Cancelled)) {
            stayed.push_back(name);
            continue;
        }
        errno = 0;
        if (netunit::FileRename(from, to)) {
            if (progress != nullptr) ++progress->Copied;
            continue;
        }
        std::string problem;
        std::vector<netunit::TStayed> kept;
        if (errno != EXDEV || !netunit::MoveTree(from, to, problem, kept, progress)) {
            stayed.push_back(name);
            continue;
        }
        // The entry is in the new folder; what appeared or changed in it
        // meanwhile is still in the old one, and both places hold it whole.
        for (const netunit::TStayed& k : kept) stayed.push_back(k.Path.substr(OldHome.size()) + ": " + k.Why);
    }
    return stayed;
}

}  // namespace homemove
