#include "widgets/shell/filetransfer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "netunit/paths.h"
#include "netunit/treecopy.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

// How many numbered copy names are tried before giving up.
constexpr int kCopyNameTries = 10000;
// A message names at most this many entries of one item; the rest are counted.
constexpr size_t kEntriesShown = 10;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EShellVerbError(netunit::PathProblem(what, path, error));
}

// Entries of an item as the user reads them, one a line: "path": why.
std::string Listed(const std::vector<netunit::TStayed>& entries) {
    std::string text;
    for (size_t i = 0; i < entries.size() && i < kEntriesShown; ++i)
        text += "\n  \"" + entries[i].Path + "\"" + (entries[i].Why.empty() ? "" : ": " + entries[i].Why);
    if (entries.size() > kEntriesShown) text += "\n  ... and " + std::to_string(entries.size() - kEntriesShown) + " more";
    return text;
}

}  // namespace

bool PathTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

std::string ItemPathOf(const std::string& item) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(item), ec).lexically_normal();
    if (p.filename().empty() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p.string();
}

std::string CutName(const std::string& name, size_t max) {
    if (name.size() <= max) return name;
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

std::string FreeCopyName(const std::string& folder, const std::string& name, bool isFolder) {
    size_t dot = isFolder ? std::string::npos : name.rfind('.');
    if (dot == 0) dot = std::string::npos;  // a hidden file's name is all stem
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int i = 1; i <= kCopyNameTries; ++i) {
        const std::string mark = i == 1 ? " (copy)" : " (copy " + std::to_string(i) + ")";
        const size_t room = NAME_MAX > mark.size() + extension.size() ? NAME_MAX - mark.size() - extension.size() : 0;
        const std::string candidate = CutName(stem, room) + mark + CutName(extension, NAME_MAX - mark.size());
        if (!PathTaken(netunit::AddBackslash(folder) + candidate)) return candidate;
    }
    throw EShellVerbError("\"" + folder + "\" has no free name for a copy of \"" + name + "\"");
}

std::string TransferItem(const std::string& from, const std::string& to, bool move, netunit::TCopyProgress* progress) {
    if (PathTaken(to)) throw EShellVerbError("\"" + to + "\" exists already");
    if (move) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
        int error = errno;
        if (error == EINVAL || error == ENOSYS) {  // a file system without RENAME_NOREPLACE
            if (!PathTaken(to) && ::rename(from.c_str(), to.c_str()) == 0) return {};
            error = errno;
        }
        if (error != EXDEV) Fail("Cannot move", from, error);
    }
    // Half a copy is no copy: it goes, and the source stays.
    std::string problem;
    if (move) {
        std::vector<netunit::TStayed> stayed;
        if (!netunit::MoveTree(from, to, problem, stayed, progress)) throw EShellVerbError(problem);
        if (!stayed.empty())
            throw ESourceKept("\"" + from + "\" was copied to \"" + to +
                              "\", but not all of it could be removed from where it was. These stay there:" +
                              Listed(stayed));
        return {};
    }
    netunit::TTreeCopy copy;
    if (!netunit::CopyTree(from, to, problem, &copy, progress)) throw EShellVerbError(problem);
    if (copy.Changed.empty()) return {};
    std::vector<netunit::TStayed> changed;
    for (const std::string& path : copy.Changed) changed.push_back({path, {}});
    return "\"" + from + "\" was copied to \"" + to +
           "\", but these changed while they were copied, so their copies may not hold what they hold now:" +
           Listed(changed);
}

void DeletePermanently(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) throw EShellVerbError("Cannot delete \"" + path + "\": " + ec.message());
}

bool IsInsideOf(const std::string& item, const std::string& folder) {
    return netunit::IsInsideFolder(item, folder);
}

TTransferReport TransferInto(const std::vector<std::string>& items, const std::string& folder, TTransferKind kind,
                             netunit::TCopyProgress* progress) {
    TTransferReport report;
    std::error_code failed;
    const fs::path target = fs::canonical(folder, failed);
    if (failed || !fs::is_directory(target, failed)) {
        for (const std::string& item : items)
            report.Problems.push_back("\"" + item + "\" was not put into \"" + folder + "\": " +
                                      (failed ? failed.message() : std::string("it is no folder")));
        return report;
    }
    for (const std::string& item : items) {
        if (progress != nullptr && progress->Cancelled) {
            report.Problems.push_back("\"" + item + "\" was not put into \"" + target.string() + "\": cancelled.");
            continue;
        }
        const fs::path source = ItemPathOf(item);
        const std::string name = source.filename().string();
        struct stat st {};
        if (name.empty() || ::lstat(source.c_str(), &st) != 0) {
            report.Problems.push_back("\"" + item + "\" was not found.");
            continue;
        }
        // The folder the item really lies in; the item itself is not followed.
        std::error_code ec;
        const fs::path home = fs::weakly_canonical(source.parent_path(), ec);
        if (kind != TTransferKind::Link && S_ISDIR(st.st_mode) && netunit::IsInsideFolder(target.string(), (home / name).string())) {
            report.Problems.push_back("\"" + item + "\" was not put into \"" + target.string() +
                                      "\": a folder cannot go into itself.");
            continue;
        }
        std::string to = (target / name).string();
        if (home == target) {
            if (kind == TTransferKind::Move) {
                report.Problems.push_back("\"" + item + "\" was not moved: it is in \"" + target.string() + "\" already.");
                continue;
            }
            if (kind == TTransferKind::Copy) {
                try {
                    to = (target / FreeCopyName(target.string(), name, S_ISDIR(st.st_mode))).string();
                } catch (const EShellVerbError& e) {
                    report.Problems.push_back(e.what());
                    continue;
                }
            }
        }
        if (PathTaken(to)) {
            report.Problems.push_back("\"" + item + "\" was not put into \"" + target.string() +
                                      "\": an item named \"" + name + "\" is there already.");
            continue;
        }
        try {
            if (kind == TTransferKind::Link) {
                if (::symlink(source.c_str(), to.c_str()) != 0) Fail("Cannot make a link to", source.string(), errno);
            } else {
                const std::string note = TransferItem(source.string(), to, kind == TTransferKind::Move, progress);
                if (!note.empty()) report.Problems.push_back(note);
            }
            report.Done.push_back(item);
        } catch (const EShellVerbError& e) {
            report.Problems.push_back(e.what());
        }
    }
    return report;
}

}  // namespace shell
