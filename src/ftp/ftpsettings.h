// What the FTP step reads of the window, taken once per step, so that a
// change in the window applies from the next step on and no step reads a
// control halfway through.
#pragma once

#include <string>
#include <vector>

#include "core/recordfiles.h"
#include "ftp/virtualtree.h"

namespace ftp {

struct FtpSettings {
    std::string ServerName;     // the FTP page's name: the greeting and STAT say it
    std::string WindowCaption;  // STAT's line under the server name
    std::string HomeDir;        // ends with "/"
    std::string ProgramDir;     // a relative published folder lies here; ends with "/"
    // The window's own record lists (they change only between steps).
    const core::AccountList* Accounts = nullptr;
    const core::FtpPathList* AnonymousPaths = nullptr;
    const core::FtpPathList* SharedPaths = nullptr;
    const core::FtpPathList* SuperuserPaths = nullptr;
    bool AnonymousOn = false;
    bool SharedOn = false;
    bool SuperOn = false;
    // The aliases the anonymous and superuser list boxes show, in their order.
    std::vector<std::string> AnonymousAliases;
    std::vector<std::string> SuperAliases;
    // The account of anonymous sessions, with the anonymous limits parsed.
    core::tuseraccount Anonymous;
    bool MonitorUploads = false;
    bool MonitorDownloads = false;
    bool MonitorStats = false;

    // The virtual tree as these settings and that account define it.
    VirtualTree Tree(const core::tuseraccount* account) const;
};

// The anonymous account from the anonymous limits as the window holds them:
// a limit counts only when its switch is on and its edit holds a number.
core::tuseraccount AnonymousAccount(bool connectionLimitOn, const std::string& maxConnections, bool speedLimitOn,
                                    const std::string& maxSpeed);

}  // namespace ftp
