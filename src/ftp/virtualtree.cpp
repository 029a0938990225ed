#include "ftp/virtualtree.h"

#include "core/recordlookup.h"
#include "ftp/virtualpath.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"

namespace ftp {
namespace {

// "/anonymous/", "/shared/" and "/super/": where the alias starts.
constexpr size_t kAnonymousRestStart = 11;
constexpr size_t kHomeRestStart = 6;
constexpr size_t kSharedRestStart = 8;
constexpr size_t kSuperRestStart = 7;

std::string RestFrom(const std::string& path, size_t start) { return path.size() > start ? path.substr(start) : ""; }

std::string FirstComponent(const std::string& path) {
    const size_t end = path.find('/', 1);
    return path.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

std::string AliasOf(const std::string& rest) { return rest.substr(0, rest.find('/')); }

LocalMapping MapHome(const VirtualTree& tree, const std::string& path) {
    LocalMapping m;
    const core::tuseraccount& account = *tree.Account;
    const std::string rest = RestFrom(path, kHomeRestStart);
    // The stored spelling names the folder, whatever case the client typed.
    const std::string& user = account.UserName;
    const bool own = !user.empty() && (rest == user || rest.starts_with(user + "/"));
    if (!account.Superuser && !rest.empty() && !own) return m;
    if (IsAnonymousName(user)) return m;
    m.Path = tree.HomeDir + rest;
    if (own) m.Permissions = FtpPermissions::All();
    // The home folder and each user's folder in it are the tree's own roots:
    // a user works inside his folder but never removes or moves it away.
    m.PublishedRoot = rest.find_first_not_of('/', AliasOf(rest).size()) == std::string::npos;
    return m;
}

// The part of a published root below its alias. A folder published without
// list-subdirectories shows only itself and the files directly in it.
LocalMapping MapAlias(const VirtualTree& tree, const std::string& rest, const core::tftppath* record) {
    LocalMapping m;
    // A record left without a folder publishes nothing: joined to an empty
    // base, the rest would name files in the program's own folder.
    if (record == nullptr || record->Alias.empty() || record->LocalDir.empty()) return m;
    const std::string& alias = record->Alias;
    if (rest != alias && !rest.starts_with(alias + "/")) return m;
    const std::string base = netunit::AddBackslash(netunit::FromFolder(tree.ProgramDir, record->LocalDir));
    const std::string sub = RestFrom(rest, alias.size() + 1);
    if (!record->DirList) {
        if (sub.find('/') != std::string::npos) return m;
        if (!sub.empty() && !netunit::WideFileExists(base + sub)) return m;
    }
    m.Path = base + sub;
    m.Permissions = FtpPermissions::Of(*record);
    // "alias/" and "alias//" name the published folder as well as "alias".
    m.PublishedRoot = sub.find_first_not_of('/') == std::string::npos;
    return m;
}

}  // namespace

FtpPermissions FtpPermissions::Of(const core::tftppath& p) {
    return {p.FileRead, p.FileWrite, p.FileDelete, p.FileAppend, p.DirList, p.DirMake, p.DirDelete};
}

FtpPermissions FtpPermissions::All() { return {true, true, true, true, true, true, true}; }

bool IsAnonymousName(const std::string& name) { return netunit::AsciiLowerCase(name) == "anonymous"; }

bool VirtualRootAllowed(const VirtualTree& tree, int root) {
    if (tree.Account == nullptr) return false;
    const bool anonymous = IsAnonymousName(tree.Account->UserName);
    switch (root) {
        case kRootAnonymous: return tree.AnonymousOn;
        case kRootHome: return !anonymous;
        case kRootShared: return tree.SharedOn && !anonymous;
        case kRootSuper: return tree.SuperOn && tree.Account->Superuser;
        default: return false;
    }
}

LocalMapping VirtualToLocalPath(const VirtualTree& tree, const std::string& path) {
    LocalMapping m;
    if (tree.Account == nullptr || path.empty() || path[0] != '/') return m;
    const std::string first = FirstComponent(path);
    int index = -1;
    if (first == "home") {
        m = MapHome(tree, path);
    } else if (first == "anonymous" && VirtualRootAllowed(tree, kRootAnonymous) && tree.AnonymousPublished &&
               tree.AnonymousPaths != nullptr) {
        const std::string rest = RestFrom(path, kAnonymousRestStart);
        m = MapAlias(tree, rest, core::FindAnonymousPath(*tree.AnonymousPaths, AliasOf(rest), index));
    } else if (first == "shared" && VirtualRootAllowed(tree, kRootShared) && tree.SharedPaths != nullptr) {
        const std::string rest = RestFrom(path, kSharedRestStart);
        const core::tuseraccount& a = *tree.Account;
        const std::string group = a.Group.empty() ? "" : "<Group: " + a.Group + ">";
        m = MapAlias(tree, rest, core::FindSharedPath(*tree.SharedPaths, group, AliasOf(rest), a.AllAccountsShared, index,
                                                a.UserName));
    } else if (first == "super" && VirtualRootAllowed(tree, kRootSuper) && tree.SuperPublished &&
               tree.SuperuserPaths != nullptr) {
        const std::string rest = RestFrom(path, kSuperRestStart);
        m = MapAlias(tree, rest, core::FindSuperuserPath(*tree.SuperuserPaths, AliasOf(rest), index));
    }
    if (m.Path.empty()) m = LocalMapping{};
    m.Path = netunit::AddBackslash(m.Path);
    return m;
}

LocalMapping LocalPathTrimmed(const VirtualTree& tree, const std::string& path) {
    LocalMapping m = VirtualToLocalPath(tree, path);
    if (!m.Path.empty()) m.Path.pop_back();
    return m;
}

bool IsVirtualDir(const VirtualTree& tree, const std::string& path) {
    if (path == "/") return true;
    if (path == "/shared") return VirtualRootAllowed(tree, kRootShared);
    if (path == "/anonymous") return VirtualRootAllowed(tree, kRootAnonymous);
    if (path == "/super") return VirtualRootAllowed(tree, kRootSuper);
    const LocalMapping m = VirtualToLocalPath(tree, path);
    return !m.Path.empty() && netunit::WideDirectoryExists(m.Path);
}

}  // namespace ftp
