#include "widgets/shell/shelltrash.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "widgets/shell/filetransfer.h"
#include "widgets/shell/fileuri.h"
#include "widgets/shell/shellfolder.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

// How many numbered names the Trash tries before giving up.
constexpr int kTrashNameTries = 10000;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// Room left in a name for the number of a numbered Trash name (".9999").
constexpr size_t kNumberRoom = 6;

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

// A folder of the user's own, made when missing: a real folder (no link)
// on the given device, owned by the user.
bool OwnFolder(const std::string& path, dev_t device) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && st.st_dev == device;
}

bool TrashFolders(const std::string& trash, dev_t device) {
    return OwnFolder(trash, device) && OwnFolder(trash + "/files", device) && OwnFolder(trash + "/info", device);
}

// The highest folder above a path that lies on the same device: the top
// folder of its file system.
std::string TopFolderOf(const fs::path& item, dev_t device) {
    fs::path top = item.parent_path();
    while (top.has_parent_path() && top != top.root_path()) {
        struct stat st {};
        if (::stat(top.parent_path().c_str(), &st) != 0 || st.st_dev != device) break;
        top = top.parent_path();
    }
    return top.string();
}

// The Trash of a file system that is not the home Trash's: the shared
// .Trash (a real folder with the sticky bit) with the user's own folder in
// it, else .Trash-<uid>; none when neither can be made.
std::optional<std::string> TopFolderTrash(const std::string& top, dev_t device) {
    const std::string uid = std::to_string(::geteuid());
    const std::string base = top == "/" ? std::string() : top;
    struct stat st {};
    const std::string shared = base + "/.Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) && st.st_dev == device &&
        TrashFolders(shared + "/" + uid, device))
        return shared + "/" + uid;
    const std::string own = base + "/.Trash-" + uid;
    if (TrashFolders(own, device)) return own;
    return std::nullopt;
}

// Claims a name free in both files/ and info/ by creating its .trashinfo
// exclusively; short enough that the info file's name fits.
std::string ClaimTrashName(const std::string& trash, const std::string& itemName, const std::string& text) {
    const std::string base = CutName(itemName, NAME_MAX - kInfoSuffix.size() - kNumberRoom);
    for (int i = 1; i <= kTrashNameTries; ++i) {
        const std::string name = i == 1 ? base : base + "." + std::to_string(i);
        const std::string info = trash + "/info/" + name + std::string(kInfoSuffix);
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw EShellVerbError("Cannot write to the Trash \"" + info + "\": " + ErrorText(errno));
        }
        // A leftover in files/ without its info file keeps its name.
        if (PathTaken(trash + "/files/" + name)) {
            ::close(fd);
            ::unlink(info.c_str());
            continue;
        }
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(info.c_str());
            throw EShellVerbError("Cannot write to the Trash \"" + info + "\"");
        }
        return name;
    }
    throw EShellVerbError("The Trash has no free name for \"" + itemName + "\"");
}

}  // namespace

std::string TrashInfoText(const std::string& path, const std::string& deletionDate) {
    return "[Trash Info]\nPath=" + PercentEncodePath(path) + "\nDeletionDate=" + deletionDate + "\n";
}

TTrashPlace MoveToTrash(const std::string& path, netunit::TCopyProgress* progress) {
    const fs::path item = ItemPathOf(path);
    struct stat st {};
    if (item.filename().empty() || ::lstat(item.c_str(), &st) != 0)
        throw EShellVerbError("\"" + path + "\" does not exist");
    const std::string home = fs::path(TrashDirectory()).parent_path().string();
    std::error_code ec;
    fs::create_directories(home + "/files", ec);
    if (!ec) fs::create_directories(home + "/info", ec);
    if (ec) throw EShellVerbError("Cannot make the Trash \"" + home + "\": " + ec.message());
    struct stat homeStat {};
    if (::stat(home.c_str(), &homeStat) != 0) throw EShellVerbError("Cannot make the Trash \"" + home + "\"");
    if (IsInsideOf(home, item.string())) throw EShellVerbError("\"" + path + "\" holds the Trash itself");

    TTrashPlace place{home, {}};
    std::string recorded = item.string();
    if (st.st_dev != homeStat.st_dev) {
        const std::string top = TopFolderOf(item, st.st_dev);
        if (std::optional<std::string> trash = TopFolderTrash(top, st.st_dev)) {
            place.Trash = *trash;
            // Relative to the top folder, so that the entry holds wherever
            // the file system is mounted next.
            recorded = item.string().substr(top == "/" ? 1 : top.size() + 1);
        }
    }
    place.Name = ClaimTrashName(place.Trash, item.filename().string(), TrashInfoText(recorded, NowText()));
    const std::string info = place.Trash + "/info/" + place.Name + std::string(kInfoSuffix);
    const std::string to = place.Trash + "/files/" + place.Name;
    try {
        TransferItem(item.string(), to, true, progress);
    } catch (const ESourceKept&) {
        // A complete copy is in the Trash: its info file stays, so that it
        // can be restored; the message says what stayed where.
        throw;
    } catch (...) {
        ::unlink(info.c_str());
        throw;
    }
    return place;
}

}  // namespace shell
