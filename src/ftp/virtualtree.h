// The virtual tree mapped onto local folders: which roots an account may
// enter, which local file or folder a virtual path names, and what the
// session may do there. Everything is read afresh at each call, so a change
// made in the window applies from the next command on.
#pragma once

#include <string>

#include "core/recordfiles.h"

namespace ftp {

// The seven permission flags of a published folder, in the record's order.
struct FtpPermissions {
    bool FileRead = true;
    bool FileWrite = false;
    bool FileDelete = false;
    bool FileAppend = false;
    bool DirList = true;
    bool DirMake = false;
    bool DirDelete = false;

    static FtpPermissions Of(const core::tftppath& path);
    static FtpPermissions All();
    bool operator==(const FtpPermissions&) const = default;
};

// What the mapping reads: the window's switches and path lists, the home
// folder and the session's account.
struct VirtualTree {
    std::string HomeDir;  // ends with "/"
    std::string ProgramDir;  // a relative published folder lies here; ends with "/"
    bool AnonymousOn = false;
    bool SharedOn = false;
    bool SuperOn = false;
    // The anonymous and superuser roots open only while their list box in
    // the window shows at least one alias.
    bool AnonymousPublished = false;
    bool SuperPublished = false;
    const core::FtpPathList* AnonymousPaths = nullptr;
    const core::FtpPathList* SharedPaths = nullptr;
    const core::FtpPathList* SuperuserPaths = nullptr;
    const core::tuseraccount* Account = nullptr;
};

// A local path and the permissions that hold there; an empty path maps to
// nothing (and the permissions are the defaults).
struct LocalMapping {
    std::string Path;
    FtpPermissions Permissions;
    // The folder a path record publishes. Its rights act on what lies inside
    // it; the folder itself is never removed or renamed through the tree.
    bool PublishedRoot = false;
};

// True for a user name that is the anonymous account's (A to Z folded only).
bool IsAnonymousName(const std::string& name);

bool VirtualRootAllowed(const VirtualTree& tree, int root);

// The local folder (ending with "/") that a virtual path names.
LocalMapping VirtualToLocalPath(const VirtualTree& tree, const std::string& path);

// The same without the trailing "/": the form used for files.
LocalMapping LocalPathTrimmed(const VirtualTree& tree, const std::string& path);

// True for "/", for the roots the account may use, and for paths that map to
// an existing local folder: the test of every directory a session enters or
// lists.
bool IsVirtualDir(const VirtualTree& tree, const std::string& path);

}  // namespace ftp
