// Listings of an FTP session: LIST and NLST on the data connection (states
// 4 and 15) and STAT on the control connection (states 11 to 13). A folder is
// walked in batches, one per step, so a large one neither holds up the other
// sessions nor builds one huge text.
#include <functional>
#include <utility>
#include <vector>

#include "core/recordlookup.h"
#include "ftp/ftpfields.h"
#include "ftp/ftpsession.h"
#include "ftp/listline.h"
#include "ftp/virtualpath.h"
#include "netsock/netsockets.h"
#include "netunit/findfile.h"
#include "netunit/names.h"
#include "netunit/textutil.h"

namespace ftp {
namespace {

// A batch is sent once its text grows past this.
constexpr size_t kBatchLength = 30000;
// "<Group: " before a group's name in a shared path's owner.
constexpr const char* kGroupOwnerHead = "<Group: ";

const PathReplies kStatReplies{"550 No such file or directory.", "550 No such file or directory.", "553 NoPeRs!"};

const char* TypeName(int32_t type) {
    switch (type) {
        case kTypeAscii: return "ASCII";
        case kTypeImage: return "IMAGE";
        case kTypeLocal8: return "LOCAL BYTE SIZE 8";
        default: return "";
    }
}

bool OnControl(const FtpStep& step) { return step.session->State == kFtpStatLines; }

int ListingSocket(const FtpStep& step) {
    return OnControl(step) ? step.session->Socket : step.session->DataSocket;
}

std::string EntryLine(const FtpStep& step, const std::string& fixedPart, const std::string& name) {
    return (step.session->NamesOnly ? "" : fixedPart) + name + "\r\n";
}

std::string VirtualLine(const FtpStep& step, const std::string& name, bool readOnly) {
    return EntryLine(step, step.session->NamesOnly ? "" : VirtualEntryFixedPart(readOnly), name);
}

void Send(FtpStep& step, const std::string& text) {
    if (OnControl(step)) return SendControl(step, text);
    step.face.netsockets->SendText(ListingSocket(step), text);
    RestartIdle(step);
}

void CloseSearch(tsession* s) {
    if (s->SearchOpen) netunit::WideFindClose(s->Search);
    s->SearchOpen = false;
}

void Finish(FtpStep& step) {
    tsession* s = step.session;
    CloseSearch(s);
    if (OnControl(step)) {
        EnterState(s, kFtpStatEnd);
        return;
    }
    CloseDataConnection(step);
    EnterState(s, kFtpTransferDone);
}

void SendAndFinish(FtpStep& step, const std::string& text) {
    if (!text.empty()) Send(step, text);
    Finish(step);
}

// One batch of a local folder's walk; the search stays open between steps.
void Walk(FtpStep& step, const LocalMapping& folder) {
    tsession* s = step.session;
    if (folder.Path.empty()) {
        Finish(step);
        return;
    }
    bool found;
    if (!s->SearchOpen) {
        found = netunit::WideFindFirst(s->Search, folder.Path + "*");
        // A folder that cannot be searched lists as empty rather than
        // holding the client until its idle timer ends the session.
        if (!found) {
            netunit::WideFindClose(s->Search);
            Finish(step);
            return;
        }
        s->SearchOpen = true;
    } else {
        found = netunit::WideFindNext(s->Search);
    }
    const bool readOnly = !folder.Permissions.FileWrite;
    std::string text;
    while (found) {
        const netunit::tfinddata& e = s->Search;
        if (folder.Permissions.DirList || !e.Directory)
            text += EntryLine(step, s->NamesOnly ? "" : FormatListLine(folder.Path + e.Name, readOnly), e.Name);
        if (text.size() > kBatchLength) {
            Send(step, text);
            return;
        }
        found = netunit::WideFindNext(s->Search);
    }
    SendAndFinish(step, text);
}

// The name of the group inside "<Group: name>"; empty for any other owner.
std::string OwnerGroup(const std::string& owner) {
    const std::string head = kGroupOwnerHead;
    if (owner.compare(0, head.size(), head) != 0 || owner.back() != '>') return "";
    return owner.substr(head.size(), owner.size() - head.size() - 1);
}

// Whether a shared path shows under "/shared" for this account. A path that
// all accounts share gives way to the account's own path of the same alias.
bool SharedPathShown(const core::FtpPathList& list, const core::tftppath& p, const core::tuseraccount& account) {
    const std::string& user = account.UserName;
    if (p.Owner == core::kAllAccountsOwner) {
        for (const auto& other : list)
            if (other.get() != &p && other->Alias == p.Alias && other->Owner == user) return false;
        return true;
    }
    if (p.Owner == user) return true;
    const std::string group = OwnerGroup(p.Owner);
    return !account.Group.empty() && !group.empty() && core::SameTextAscii(group, account.Group);
}

// The entries of one root's alias listing.
struct AliasEntries {
    int count = 0;
    // The entry's alias and writability, or false when it is not shown.
    std::function<bool(int, std::string&, bool&)> entry;
};

using PathFinder = core::tftppath* (*)(const core::FtpPathList&, const std::string&, int&);

// The aliases a list box of the window shows, writable where their record
// allows writing.
AliasEntries PublishedAliases(const std::vector<std::string>& aliases, const core::FtpPathList& list,
                              PathFinder find) {
    return {static_cast<int>(aliases.size()), [&aliases, &list, find](int i, std::string& alias, bool& writable) {
                alias = aliases[static_cast<size_t>(i)];
                int index = -1;
                const core::tftppath* p = find(list, alias, index);
                writable = p != nullptr && p->FileWrite;
                return true;
            }};
}

AliasEntries SharedAliases(const core::FtpPathList& list, const core::tuseraccount& account) {
    return {static_cast<int>(list.size()), [&list, &account](int i, std::string& alias, bool& writable) {
                const core::tftppath& p = *list[static_cast<size_t>(i)];
                alias = p.Alias;
                writable = p.FileWrite;
                return SharedPathShown(list, p, account);
            }};
}

// One batch of an alias listing; the session's listing place keeps the place.
void ListAliases(FtpStep& step, const AliasEntries& entries) {
    tsession* s = step.session;
    int32_t& place = ListingPlace(*s);
    std::string text = place == 0 ? VirtualLine(step, "..", true) : "";
    for (;;) {
        const int i = place;
        std::string alias;
        bool writable = false;
        if (i < entries.count && entries.entry(i, alias, writable)) text += VirtualLine(step, alias, !writable);
        const bool last = i + 1 >= entries.count;
        ++place;
        if (last) {
            SendAndFinish(step, text);
            return;
        }
        if (text.size() > kBatchLength) {
            Send(step, text);
            return;
        }
    }
}

void ListHomeRoot(FtpStep& step, const VirtualTree& tree, const core::tuseraccount& account) {
    if (account.Superuser) {
        Walk(step, VirtualToLocalPath(tree, "/home"));
        return;
    }
    std::string text = VirtualLine(step, "..", true);
    const std::string own = tree.HomeDir + account.UserName;
    if (netunit::WideDirectoryExists(own))
        text += EntryLine(step, step.session->NamesOnly ? "" : FormatListLine(own, false), account.UserName);
    SendAndFinish(step, text);
}

// Under "/anonymous" and "/super": the aliases at the root, a folder below.
void ListPublishedRoot(FtpStep& step, const VirtualTree& tree, int root, const std::vector<std::string>& aliases,
                       const core::FtpPathList& list, PathFinder find, const std::string& rootPath) {
    const std::string& path = step.session->ArgumentPath;
    if (!VirtualRootAllowed(tree, root) || aliases.empty())
        SendAndFinish(step, VirtualLine(step, "..", true));
    else if (path == rootPath)
        ListAliases(step, PublishedAliases(aliases, list, find));
    else
        Walk(step, VirtualToLocalPath(tree, path));
}

// One step of a directory listing, on the data connection (state 4) or on
// the control connection for STAT (state 12).
void ListingStep(FtpStep& step) {
    tsession* s = step.session;
    Tnetsockets* sockets = step.face.netsockets;
    const int socket = ListingSocket(step);
    if (!sockets->CanSend(socket)) {
        // A client that dropped the data connection gets its end of transfer
        // now instead of waiting for the idle timer.
        if (!OnControl(step) && sockets->IsDead(socket)) Finish(step);
        return;
    }
    const core::tuseraccount* account = SessionAccount(step);
    if (account == nullptr) return;
    const VirtualTree tree = TreeFor(step, account);
    const FtpSettings& f = step.Settings();
    const std::string& path = s->ArgumentPath;
    if (path == "/") {
        std::string text;
        const std::pair<int, const char*> roots[] = {
            {kRootAnonymous, "anonymous"}, {kRootHome, "home"}, {kRootShared, "shared"}, {kRootSuper, "super"}};
        for (const auto& [root, name] : roots)
            if (VirtualRootAllowed(tree, root)) text += VirtualLine(step, name, true);
        SendAndFinish(step, text);
        return;
    }
    switch (VirtualRootOf(path)) {
        case kRootAnonymous:
            ListPublishedRoot(step, tree, kRootAnonymous, f.AnonymousAliases, *f.AnonymousPaths,
                              core::FindAnonymousPath, "/anonymous");
            break;
        case kRootSuper:
            ListPublishedRoot(step, tree, kRootSuper, f.SuperAliases, *f.SuperuserPaths, core::FindSuperuserPath,
                              "/super");
            break;
        case kRootHome:
            if (path == "/home")
                ListHomeRoot(step, tree, *account);
            else
                Walk(step, VirtualToLocalPath(tree, path));
            break;
        case kRootShared:
            if (!VirtualRootAllowed(tree, kRootShared) || f.SharedPaths->empty())
                SendAndFinish(step, VirtualLine(step, "..", true));
            else if (path == "/shared")
                ListAliases(step, SharedAliases(*f.SharedPaths, *account));
            else
                Walk(step, VirtualToLocalPath(tree, path));
            break;
        default: Finish(step); break;
    }
}

void StartListing(FtpStep& step, const std::string& line, bool namesOnly) {
    tsession* s = step.session;
    s->NamesOnly = namesOnly;
    if (s->PortNumber <= 0) {
        Reply(step, "425 try PORT or PASV first :P");
        return;
    }
    std::string argument = netunit::CommandArgument(line);
    // Options such as -la are the client's habit, not a path.
    if (!argument.empty() && argument[0] == '-') argument.clear();
    if (RefusedPathArgument(argument)) {
        Reply(step, "553 HAH! Not this time my friend ;)");
        return;
    }
    const core::tuseraccount* account = SessionAccount(step);
    if (account == nullptr) {
        Reply(step, "553 Invalid file or directory.");
        return;
    }
    const VirtualTree tree = TreeFor(step, account);
    s->ArgumentPath = ResolveVirtualPath(s->CurrentDir, argument);
    const LocalMapping local = LocalPathTrimmed(tree, s->ArgumentPath);
    int next;
    if (IsVirtualDir(tree, s->ArgumentPath) && local.Permissions.DirList) {
        next = kFtpListData;
    } else if (netunit::WideFileExists(local.Path) && local.Permissions.FileRead) {
        s->ArgumentPath = argument;
        next = kFtpListFile;
    } else {
        Reply(step, "553 Invalid file or directory.");
        return;
    }
    if (!SetUpDataConnection(step)) {
        Reply(step, "425 Connection failed.");
        return;
    }
    EnterState(s, kFtpWaitData);
    StateAfterData(*s) = next;
}

std::string StatusReply(FtpStep& step) {
    const tsession* s = step.session;
    const FtpSettings& settings = step.Settings();
    const std::string indent = "    ";
    return "211-" + settings.ServerName + " FTP server status.\r\n" + indent + settings.WindowCaption + "\r\n" +
           indent + "Connected to " + s->PeerAddress + "\r\n" + indent + "Logged in as " + s->UserName + "\r\n" +
           indent + "TYPE: " + TypeName(s->TransferType) + ";   STRU: FILE;   MODE: STREAM.\r\n" + indent +
           "No data connection.\r\n" + "211 End of status.\r\n";
}

}  // namespace

void DoList(FtpStep& step, const std::string& line) { StartListing(step, line, false); }

void DoNlst(FtpStep& step, const std::string& line) { StartListing(step, line, true); }

void DoStat(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    s->NamesOnly = false;
    if (netunit::CommandArgument(line).empty()) {
        SendControl(step, StatusReply(step));
        return;
    }
    PathTarget t;
    s->ArgumentPath = netunit::CommandArgument(line);
    if (!CheckPathArgument(step, line, kStatReplies, t)) return;
    s->ArgumentPath = t.virtualPath;
    if (netunit::WideFileExists(t.local.Path)) {
        SendControl(step, "211- status of " + t.argument + ":\r\n" +
                              FormatListLine(t.local.Path, !t.local.Permissions.FileWrite) + t.argument + "\r\n" +
                              "211 End of status.\r\n");
    } else if (IsVirtualDir(TreeFor(step, t.account), t.virtualPath)) {
        CloseSearch(s);
        EnterState(s, kFtpStatHeader);
    } else {
        Reply(step, "550 No such file or directory.");
    }
}

void StepListData(FtpStep& step) { ListingStep(step); }

void StepStatLines(FtpStep& step) { ListingStep(step); }

void StepListFile(FtpStep& step) {
    tsession* s = step.session;
    Tnetsockets* sockets = step.face.netsockets;
    if (!sockets->CanSend(s->DataSocket)) {
        if (sockets->IsDead(s->DataSocket)) Finish(step);
        return;
    }
    const core::tuseraccount* account = SessionAccount(step);
    if (account == nullptr) return;
    const LocalMapping local =
        LocalPathTrimmed(TreeFor(step, account), ResolveVirtualPath(s->CurrentDir, s->ArgumentPath));
    const std::string fixed = s->NamesOnly ? "" : FormatListLine(local.Path, !local.Permissions.FileWrite);
    Send(step, EntryLine(step, fixed, s->ArgumentPath));
    Finish(step);
}

void StepStatHeader(FtpStep& step) {
    if (!ControlCanSend(step)) return;
    SendControl(step, "211- status of " + step.session->ArgumentPath + ":\r\n");
    EnterState(step.session, kFtpStatLines);
    ListingPlace(*step.session) = 0;
}

void StepStatEnd(FtpStep& step) {
    if (!ControlCanSend(step)) return;
    Reply(step, "211 End of status.");
    EnterState(step.session, kFtpCommands);
}

}  // namespace ftp
