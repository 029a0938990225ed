#include "widgets/shell/shellfolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "forms/classes.h"
#include "netunit/names.h"
#include "netunit/files.h"
#include "widgets/shell/listdetails.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shelltexts.h"
#include "widgets/unicode/unistrutils.h"

namespace shell {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

bool IsDir(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "/a//b/./c/../d/" -> "/a/b/d"; "" for a relative path.
std::string NormalizePath(const std::string& path) {
    if (path.empty() || path[0] != '/') return {};
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/') ++i;
        const size_t start = i;
        while (i < path.size() && path[i] != '/') ++i;
        const std::string part = path.substr(start, i - start);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

bool IsUnderFolder(const std::string& path, const std::string& folder) {
    if (folder == "/") return path.size() > 1;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::vector<std::string> Components(const std::string& relative) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < relative.size()) {
        const size_t slash = relative.find('/', i);
        const size_t end = slash == std::string::npos ? relative.size() : slash;
        if (end > i) out.push_back(relative.substr(i, end - i));
        i = end + 1;
    }
    return out;
}

// Whether a link's target lies on a network or FUSE mount, found from the
// link's text alone (nothing on that mount is touched).
bool LinkPointsToRemote(const std::string& linkPath) {
    char buf[4096];
    const ssize_t n = ::readlink(linkPath.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return false;
    std::string target(buf, static_cast<size_t>(n));
    if (target[0] != '/') target = Join(linkPath.substr(0, linkPath.rfind('/')), target);
    return IsRemotePath(NormalizePath(target));
}

// Whether an entry is a folder, following links; a link into a network
// mount is taken as a folder without looking.
bool EntryIsFolder(const std::string& path, unsigned char type) {
    if (type == DT_DIR) return true;
    if (type != DT_LNK && type != DT_UNKNOWN) return false;
    if (type == DT_LNK && LinkPointsToRemote(path)) return true;
    return IsDir(path);
}

// Rank of an item's kind in the order of siblings: the desktop's virtual
// nodes first, then mount points, folders, files.
int KindRank(uint8_t kind) {
    switch (kind) {
    case skHome: return 0;
    case skComputer: return 1;
    case skTrash: return 2;
    case skMount: return 3;
    case skFolder: return 4;
    case skFile: return 5;
    default: return 6;
    }
}

int CompareItems(PCItemIDList a, PCItemIDList b) {
    const int ra = KindRank(ItemKind(a)), rb = KindRank(ItemKind(b));
    if (ra != rb) return ra < rb ? -1 : 1;
    const std::string na = ItemName(a), nb = ItemName(b);
    if (ItemKind(a) == skMount) {
        // "/" first, then by path.
        return na == nb ? 0 : na == "/" ? -1 : nb == "/" ? 1 : na < nb ? -1 : 1;
    }
    // Names ignoring case, then the bytes: a total order, so that sorting
    // and lookups never see an inconsistent answer.
    const int c = forms::CompareText(na, nb);
    if (c != 0) return c < 0 ? -1 : 1;
    return na == nb ? 0 : na < nb ? -1 : 1;
}

// The last item of a list (nullptr for an empty list).
PCItemIDList LastItem(PCItemIDList list) {
    PCItemIDList last = nullptr;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) last = p;
    return last;
}

std::string DisplayNameOfItem(PCItemIDList item) {
    switch (ItemKind(item)) {
    case skHome: return STR_HOME;
    case skComputer: return STR_COMPUTER;
    case skTrash: return STR_TRASH;
    default: return ItemName(item);
    }
}

// What a folder stands for: its absolute list and, for file-system folders,
// its path. One class serves the desktop, "Computer", the Trash and every
// file-system folder; they differ in what they enumerate and parse.
class TNamespaceFolder final : public IShellFolder {
public:
    enum TRole { rDesktop, rComputer, rTrash, rFileSystem };

    TNamespaceFolder(TRole role, std::string items, std::string path)
        : role_(role), items_(std::move(items)), path_(std::move(path)) {}

    HRESULT ParseDisplayName(const std::string& name, PItemIDList& out) override;
    HRESULT EnumObjects(uintptr_t owner, uint32_t flags, std::unique_ptr<IEnumIDList>& out) override;
    HRESULT BindToObject(PCItemIDList item, ShellFolderPtr& out) override;
    HRESULT CompareIDs(intptr_t column, PCItemIDList a, PCItemIDList b) override;
    HRESULT GetAttributesOf(PCItemIDList item, uint32_t& inout) override;
    HRESULT GetDisplayNameOf(PCItemIDList item, uint32_t flags, STRRET& out) override;
    HRESULT SetNameOf(uintptr_t owner, PCItemIDList item, const std::u16string& name, uint32_t flags,
                      PItemIDList& out) override;

private:
    std::string Absolute(PCItemIDList relative) const { return items_ + PidlBytes(relative); }
    TRole role_;
    std::string items_;  // this folder's absolute list, without terminator
    std::string path_;   // "" for the virtual folders
};

class TListEnum final : public IEnumIDList {
public:
    explicit TListEnum(std::vector<std::string> items) : items_(std::move(items)) {}
    HRESULT Next(PItemIDList& item) override {
        item = nullptr;
        if (next_ >= items_.size()) return S_FALSE;
        item = PidlFromBytes(items_[next_++]);
        return item ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::vector<std::string> items_;
    size_t next_ = 0;
};

// Reads a folder lazily; the caller decides the thread (a network folder is
// read off the main thread).
class TDirEnum final : public IEnumIDList {
public:
    TDirEnum(DIR* dir, std::string path, uint32_t flags, std::vector<std::string> first)
        : dir_(dir), path_(std::move(path)), flags_(flags), first_(std::move(first)) {}
    ~TDirEnum() override {
        if (dir_) ::closedir(dir_);
    }
    HRESULT Next(PItemIDList& item) override {
        item = nullptr;
        if (next_ < first_.size()) {
            item = PidlFromBytes(first_[next_++]);
            return item ? S_OK : E_OUTOFMEMORY;
        }
        if (!dir_) return S_FALSE;
        for (;;) {
            errno = 0;
            dirent* e = ::readdir(dir_);
            if (!e) return errno ? HresultFromErrno(errno) : S_FALSE;
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            if (name[0] == '.' && !(flags_ & SHCONTF_INCLUDEHIDDEN)) continue;
            const bool folder = EntryIsFolder(Join(path_, name), e->d_type);
            if (folder && !(flags_ & SHCONTF_FOLDERS)) continue;
            if (!folder && !(flags_ & SHCONTF_NONFOLDERS)) continue;
            item = PidlFromBytes(MakeSegment(folder ? skFolder : skFile, name));
            return item ? S_OK : E_OUTOFMEMORY;
        }
    }

private:
    DIR* dir_;
    std::string path_;
    uint32_t flags_;
    std::vector<std::string> first_;
    size_t next_ = 0;
};

HRESULT ParseUnder(const std::string& folder, const std::string& relative, std::string& items) {
    // Every element but the last is a folder when the whole path exists;
    // the last one's kind comes from the file system, except on a network
    // mount, which is not looked at here.
    const std::string full = relative.empty() ? folder : Join(folder, relative);
    bool lastIsFolder = true;
    if (!IsRemotePath(full)) {
        struct stat st;
        if (::stat(full.c_str(), &st) != 0) return HresultFromErrno(errno);
        lastIsFolder = S_ISDIR(st.st_mode);
    }
    const std::vector<std::string> parts = Components(relative);
    for (size_t i = 0; i < parts.size(); ++i)
        items += MakeSegment(i + 1 < parts.size() || lastIsFolder ? skFolder : skFile, parts[i]);
    return S_OK;
}

HRESULT TNamespaceFolder::ParseDisplayName(const std::string& name, PItemIDList& out) {
    out = nullptr;
    std::string items;
    if (role_ == rFileSystem) {
        if (name.empty() || name[0] == '/') return E_INVALIDARG;
        const std::string full = NormalizePath(Join(path_, name));
        if (!IsUnderFolder(full, path_)) return E_INVALIDARG;
        const HRESULT hr = ParseUnder(path_, full.substr(path_ == "/" ? 1 : path_.size() + 1), items);
        if (FAILED(hr)) return hr;
    } else if (role_ == rDesktop || role_ == rComputer) {
        const std::string path = NormalizePath(name);
        if (path.empty()) return E_INVALIDARG;
        const std::string desktop = DesktopDirectory(), home = HomeDirectory();
        std::string prefix, base;
        if (role_ == rDesktop && (path == desktop || IsUnderFolder(path, desktop))) {
            base = desktop;
        } else if (role_ == rDesktop && (path == home || IsUnderFolder(path, home))) {
            prefix = MakeSegment(skHome, {});
            base = home;
        } else {
            MountEntry m;
            if (!MountOfPath(ComputerMounts(), path, m)) return E_INVALIDARG;
            if (role_ == rDesktop) prefix = MakeSegment(skComputer, {});
            prefix += MakeSegment(skMount, m.MountPoint);
            base = m.MountPoint;
        }
        items = prefix;
        const std::string rest = path == base ? std::string() : path.substr(base == "/" ? 1 : base.size() + 1);
        const HRESULT hr = ParseUnder(base, rest, items);
        if (FAILED(hr)) return hr;
    } else {
        return E_INVALIDARG;
    }
    out = PidlFromBytes(items);
    return out ? S_OK : E_OUTOFMEMORY;
}

HRESULT TNamespaceFolder::EnumObjects(uintptr_t, uint32_t flags, std::unique_ptr<IEnumIDList>& out) {
    out.reset();
    std::vector<std::string> first;
    switch (role_) {
    case rTrash:
        out = std::make_unique<TListEnum>(std::move(first));
        return S_OK;
    case rComputer:
        if (flags & SHCONTF_FOLDERS)
            for (const MountEntry& m : ComputerMounts()) first.push_back(MakeSegment(skMount, m.MountPoint));
        out = std::make_unique<TListEnum>(std::move(first));
        return S_OK;
    case rDesktop:
        if (flags & SHCONTF_FOLDERS) {
            first.push_back(MakeSegment(skHome, {}));
            first.push_back(MakeSegment(skComputer, {}));
            first.push_back(MakeSegment(skTrash, {}));
        }
        break;
    case rFileSystem:
        break;
    }
    const std::string path = role_ == rDesktop ? DesktopDirectory() : path_;
    DIR* dir = ::opendir(path.c_str());
    if (!dir && role_ != rDesktop) return HresultFromErrno(errno);
    out = std::make_unique<TDirEnum>(dir, path, flags, std::move(first));
    return S_OK;
}

HRESULT TNamespaceFolder::BindToObject(PCItemIDList item, ShellFolderPtr& out) {
    out.reset();
    if (!item) return E_INVALIDARG;
    const std::string abs = Absolute(item);
    PidlPtr list(PidlFromBytes(abs));
    if (!list) return E_OUTOFMEMORY;
    PCItemIDList last = LastItem(list.get());
    if (!last) {
        out = DesktopFolder();
        return S_OK;
    }
    switch (ItemKind(last)) {
    case skComputer: out = std::make_shared<TNamespaceFolder>(rComputer, abs, std::string()); return S_OK;
    case skTrash: out = std::make_shared<TNamespaceFolder>(rTrash, abs, std::string()); return S_OK;
    case skFile: return E_INVALIDARG;
    default: break;
    }
    const std::string path = PathOfIdList(list.get());
    if (path.empty()) return E_INVALIDARG;
    out = std::make_shared<TNamespaceFolder>(rFileSystem, abs, path);
    return S_OK;
}

HRESULT TNamespaceFolder::CompareIDs(intptr_t column, PCItemIDList a, PCItemIDList b) {
    if (!a || !b) return E_INVALIDARG;
    // The detail columns order two items of this folder; ties go by name.
    if (column > lcName && column < lcCount && !path_.empty() && PidlCount(a) == 1 && PidlCount(b) == 1) {
        const int c = CompareDetails(static_cast<int>(column), Join(path_, ItemName(a)), Join(path_, ItemName(b)));
        if (c != 0) return MakeCompareResult(c);
    }
    for (;;) {
        const bool ea = ItemSize(a) == 0, eb = ItemSize(b) == 0;
        if (ea || eb) return MakeCompareResult(ea == eb ? 0 : ea ? -1 : 1);
        const int c = CompareItems(a, b);
        if (c != 0) return MakeCompareResult(c);
        a = NextItem(a);
        b = NextItem(b);
    }
}

HRESULT TNamespaceFolder::GetAttributesOf(PCItemIDList item, uint32_t& inout) {
    if (!item) return E_INVALIDARG;
    PidlPtr list(PidlFromBytes(Absolute(item)));
    if (!list) return E_OUTOFMEMORY;
    PCItemIDList last = LastItem(list.get());
    uint32_t a = 0;
    const SegmentKind kind = last ? ItemKind(last) : SegmentKind(0);
    if (!last) {
        a = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET;
    } else if (kind == skComputer) {
        a = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
    } else if (kind == skTrash) {
        a = SFGAO_FOLDER | SFGAO_DROPTARGET;
    } else {
        const std::string path = PathOfIdList(list.get());
        if (path.empty()) return E_INVALIDARG;
        a = FileSystemAttributes(path, kind, inout);
        if (a == 0) return HresultFromErrno(errno ? errno : ENOENT);
        // The desktop's own nodes are not removed through the tree.
        if (kind == skHome || kind == skMount) a &= ~(SFGAO_CANDELETE | SFGAO_CANMOVE | SFGAO_CANRENAME);
    }
    inout &= a;
    return S_OK;
}

HRESULT TNamespaceFolder::GetDisplayNameOf(PCItemIDList item, uint32_t flags, STRRET& out) {
    if (!item) return E_INVALIDARG;
    PidlPtr list(PidlFromBytes(Absolute(item)));
    if (!list) return E_OUTOFMEMORY;
    PCItemIDList last = LastItem(list.get());
    const bool parsing = (flags & SHGDN_FORPARSING) && !(flags & SHGDN_INFOLDER);
    if (parsing) {
        SetStrRetWide(out, uni::Utf8ToWide(PathOfIdList(list.get())));
        return S_OK;
    }
    if (!last) {
        SetStrRetNarrow(out, STR_DESKTOP);
        return S_OK;
    }
    // A file-system name is handed back as an offset into the caller's item
    // when the item is a single one (the name's bytes live there).
    const SegmentKind kind = ItemKind(last);
    if ((kind == skFolder || kind == skFile) && ItemSize(item) != 0 && ItemSize(NextItem(item)) == 0) {
        SetStrRetOffset(out, 3);
        return S_OK;
    }
    SetStrRetWide(out, uni::Utf8ToWide(DisplayNameOfItem(last)));
    return S_OK;
}

HRESULT TNamespaceFolder::SetNameOf(uintptr_t, PCItemIDList item, const std::u16string& name, uint32_t,
                                    PItemIDList& out) {
    out = nullptr;
    if (!item || ItemSize(item) == 0 || ItemSize(NextItem(item)) != 0) return E_INVALIDARG;
    if (role_ != rFileSystem && role_ != rDesktop) return E_INVALIDARG;
    const std::string folder = role_ == rDesktop ? DesktopDirectory() : path_;
    const SegmentKind kind = ItemKind(item);
    if (kind != skFolder && kind != skFile) return E_INVALIDARG;
    const std::string newName = uni::WideToUtf8(name);
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos)
        return E_INVALIDARG;
    errno = 0;
    if (!netunit::FileRename(Join(folder, ItemName(item)), Join(folder, newName)))
        return HresultFromErrno(errno ? errno : EEXIST);
    out = PidlFromBytes(MakeSegment(kind, newName));
    return out ? S_OK : E_OUTOFMEMORY;
}

// user-dirs.dirs: lines of KEY="value", where the value may begin with
// $HOME/.
std::string UserDirsValue(const std::string& key) {
    const std::string file = Join(EnvOr("XDG_CONFIG_HOME", Join(HomeDirectory(), ".config")), "user-dirs.dirs");
    std::string text;
    if (!netunit::ReadWholeFile(file, text) || text.size() > (1 << 20)) return {};
    const std::string want = "XDG_" + key + "_DIR=";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, want.size(), want) != 0) continue;
        std::string value = line.substr(start + want.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value == "$HOME") return HomeDirectory();
        if (value.rfind("$HOME/", 0) == 0) return Join(HomeDirectory(), value.substr(6));
        return value.empty() || value[0] != '/' ? std::string() : value;
    }
    return {};
}

}  // namespace

std::string HomeDirectory() {
    const std::string h = NormalizePath(EnvOr("HOME", "/"));
    return h.empty() ? "/" : h;
}

std::string XdgUserDirectory(const std::string& key) {
    const std::string dir = NormalizePath(UserDirsValue(key));
    if (dir.empty() || dir == HomeDirectory() || !IsDir(dir)) return {};
    return dir;
}

std::string DesktopDirectory() {
    const std::string dir = XdgUserDirectory("DESKTOP");
    return dir.empty() ? HomeDirectory() : dir;
}

std::string TrashDirectory() {
    return Join(EnvOr("XDG_DATA_HOME", Join(HomeDirectory(), ".local/share")), "Trash/files");
}

ShellFolderPtr DesktopFolder() {
    return std::make_shared<TNamespaceFolder>(TNamespaceFolder::rDesktop, std::string(), std::string());
}

std::string PathOfIdList(PCItemIDList list) {
    if (!list) return {};
    std::string path = DesktopDirectory();
    bool virtualNode = false;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) {
        if (ItemSize(p) < 4) return {};
        switch (ItemKind(p)) {
        case skHome: path = HomeDirectory(); virtualNode = false; break;
        case skComputer:
        case skTrash: path.clear(); virtualNode = true; break;
        case skMount: path = ItemName(p); virtualNode = false; break;
        case skFolder:
        case skFile:
            if (virtualNode || path.empty()) return {};
            path = Join(path, ItemName(p));
            break;
        default: return {};
        }
    }
    return virtualNode ? std::string() : path;
}

bool HasSubfolders(const std::string& path, bool includeHidden) {
    DIR* dir = ::opendir(path.c_str());
    // A folder we may not read may still have subfolders: let the user try.
    if (!dir) return errno == EACCES;
    bool found = false;
    int seen = 0;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (++seen > kHasSubfoldersScanLimit) {
            found = true;
            break;
        }
        if (name[0] == '.' && !includeHidden) continue;
        if (EntryIsFolder(Join(path, name), e->d_type)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

uint32_t FileSystemAttributes(const std::string& path, SegmentKind kind, uint32_t mask) {
    const bool folderKind = kind != skFile;
    uint32_t a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE;
    const std::string name = BaseName(path);
    if (!name.empty() && name[0] == '.') a |= SFGAO_GHOSTED;
    if (IsRemotePath(path)) {
        // Never touched from here: a stalled server must not hang the window.
        if (folderKind) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET;
        return a;
    }
    struct stat st;
    errno = 0;
    if (::lstat(path.c_str(), &st) != 0) return 0;
    bool folder = S_ISDIR(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
        a |= SFGAO_LINK;
        folder = LinkPointsToRemote(path) || IsDir(path);
    }
    if (folder) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
    if ((mask & SFGAO_READONLY) && ::access(path.c_str(), W_OK) != 0) a |= SFGAO_READONLY;
    if (mask & SFGAO_REMOVABLE) {
        MountEntry m;
        if (MountOfPath(MountTable(), path, m) && IsRemovableDevice(m.Major, m.Minor)) a |= SFGAO_REMOVABLE;
    }
    if (folder && (mask & SFGAO_HASSUBFOLDER)) {
        const bool remoteTarget = S_ISLNK(st.st_mode) && LinkPointsToRemote(path);
        if (remoteTarget || HasSubfolders(path, true)) a |= SFGAO_HASSUBFOLDER;
    }
    return a;
}

}  // namespace shell
