// The commands of a logged-in FTP session that need no data connection.
#include "core/filesizes.h"
#include "core/sessionface.h"
#include "ftp/ftpsession.h"
#include "ftp/virtualpath.h"
#include "netsock/netsockets.h"
#include "netunit/names.h"
#include "netunit/textutil.h"

namespace ftp {
namespace {

const PathReplies kCwdReplies{"550 That's no directory!", "550 No such directory.", "553 Don't even think about it!!!",
                              true};
const PathReplies kRnfrReplies{"550 uhm.. that ain't a file :P", "550 Invalid User!", "553 nope!", true};
const PathReplies kRntoReplies{"501 Rename to what??", "550 Invalid User!", "553 no way!"};
const PathReplies kDeleReplies{"501 DELE what??", "550 Invalid User!", "553 Naw man!"};
const PathReplies kRmdReplies{"501 DELE what??", "550 Invalid User!", "553 YeaH RiGHT!$!$@$#!"};
const PathReplies kMkdReplies{"500 uhm what??", "550 Invalid User!", "553 nooooo!"};
const PathReplies kSizeReplies{"550 No such file.", "550 No such file.", "553 nOPE!@$."};

constexpr const char* kNotPermitted = "553 File not found or Access denied!";

std::string Word(const std::string& line, int n) { return netunit::AsciiUpperCase(netunit::NthWord(line, n)); }

// CWD and CDUP: the new directory must be one the session may enter.
void ChangeDirectory(FtpStep& step, const core::tuseraccount& account, const std::string& path, const char* success) {
    if (!IsVirtualDir(TreeFor(step, &account), path)) {
        Reply(step, "550 No such directory.");
        return;
    }
    step.session->CurrentDir = path;
    Reply(step, success);
    Caption(step, "Changed directory.");
}

// Whether a command may remove, rename or replace what a path names: only
// something that maps, and never the folder a path record publishes.
bool Alterable(const LocalMapping& m) { return !m.Path.empty() && !m.PublishedRoot; }

// Moving a file or folder away takes it from its place, so the source needs
// the permission that deleting it would.
bool MayRemoveSource(const LocalMapping& source) {
    if (!Alterable(source)) return false;
    return netunit::WideDirectoryExists(source.Path) ? source.Permissions.DirDelete : source.Permissions.FileDelete;
}

}  // namespace

void DoType(FtpStep& step, const std::string& line) {
    const std::string type = Word(line, 2);
    if (type == "A") {
        step.session->TransferType = kTypeAscii;
        Reply(step, "200 Type set to A");
    } else if (type == "I") {
        step.session->TransferType = kTypeImage;
        Reply(step, "200 Type set to I");
    } else if (type == "L") {
        if (netunit::NthWord(line, 3) == "8") {
            step.session->TransferType = kTypeLocal8;
            Reply(step, "200 Type set to L (Byte size 8)");
        } else {
            Reply(step, "504 Byte size must be 8!");
        }
    } else {
        Reply(step, "501 Type not implemented");
    }
}

void DoStru(FtpStep& step, const std::string& line) {
    Reply(step, Word(line, 2) == "F" ? "200 Structure set to F" : "504 Structure not implemented");
}

void DoMode(FtpStep& step, const std::string& line) {
    Reply(step, Word(line, 2) == "S" ? "200 Mode set to S" : "502 Structure not implemented");
}

void DoPwd(FtpStep& step, const std::string&) {
    Reply(step, "257 \"" + step.session->CurrentDir + "\" is current directory.");
}

void DoNoop(FtpStep& step, const std::string&) { Reply(step, "200 ok."); }

void DoAllo(FtpStep& step, const std::string&) { Reply(step, "202 Ignored."); }

void DoHelp(FtpStep& step, const std::string&) {
    Caption(step, "Help!");
    Reply(step, "211 RTFRFC!");
}

void DoCwd(FtpStep& step, const std::string& line) {
    PathTarget t;
    if (!CheckPathArgument(step, line, kCwdReplies, t)) return;
    ChangeDirectory(step, *t.account, t.virtualPath, "250 CWD command successful.");
}

void DoCdup(FtpStep& step, const std::string&) {
    const core::tuseraccount* account = SessionAccount(step);
    if (account == nullptr) {
        Reply(step, "550 No such directory.");
        return;
    }
    ChangeDirectory(step, *account, ResolveVirtualPath(step.session->CurrentDir, ".."),
                    "250 CDUP command successful.");
}

void DoRnfr(FtpStep& step, const std::string& line) {
    // A refused RNFR leaves nothing to rename: the RNTO after it must not
    // move an earlier source.
    step.session->RenameFrom.clear();
    PathTarget t;
    if (!CheckPathArgument(step, line, kRnfrReplies, t)) return;
    if (!Alterable(t.local)) {
        Reply(step, "550 uhm.. that ain't a file :P");
        return;
    }
    step.session->RenameFrom = t.virtualPath;
    Reply(step, "350 Ready to be renamed");
}

void DoRnto(FtpStep& step, const std::string& line) {
    PathTarget t;
    if (!CheckPathArgument(step, line, kRntoReplies, t)) return;
    tsession* s = step.session;
    if (!Alterable(t.local) || !t.local.Permissions.FileWrite || s->RenameFrom.empty()) {
        Reply(step, kNotPermitted);
        return;
    }
    const LocalMapping source = LocalPathTrimmed(TreeFor(step, t.account), s->RenameFrom);
    if (!MayRemoveSource(source)) {
        Reply(step, kNotPermitted);
        return;
    }
    // The rename never replaces what is already there.
    if (!netunit::FileRename(source.Path, t.local.Path)) {
        Reply(step, "553 Access denied!");
        return;
    }
    LogAndCaption(step, "Renamed " + s->RenameFrom + " to " + t.virtualPath);
    Reply(step, "250 File renamed!");
    s->RenameFrom.clear();
}

void DoAbor(FtpStep& step, const std::string&) { Reply(step, "500 Nothing to abort!"); }

void DoDele(FtpStep& step, const std::string& line) {
    PathTarget t;
    if (!CheckPathArgument(step, line, kDeleReplies, t)) return;
    if (!Alterable(t.local) || !t.local.Permissions.FileDelete) {
        Reply(step, kNotPermitted);
        return;
    }
    if (!netunit::FileDelete(t.local.Path)) {
        Reply(step, "553 Access denied!");
        return;
    }
    LogAndCaption(step, "Deleted " + t.virtualPath);
    Reply(step, "250 File deleted!");
}

void DoRmd(FtpStep& step, const std::string& line) {
    PathTarget t;
    if (!CheckPathArgument(step, line, kRmdReplies, t)) return;
    if (!Alterable(t.local) || !t.local.Permissions.DirDelete) {
        Reply(step, kNotPermitted);
        return;
    }
    if (!netunit::WideRemoveDirectory(t.local.Path)) {
        Reply(step, "553 Could not delete directory!");
        return;
    }
    Reply(step, "250 Directory Deleted.");
    LogAndCaption(step, "Removed directory " + t.virtualPath);
}

void DoSize(FtpStep& step, const std::string& line) {
    PathTarget t;
    step.session->ArgumentPath = netunit::CommandArgument(line);
    if (!CheckPathArgument(step, line, kSizeReplies, t)) return;
    step.session->ArgumentPath = t.virtualPath;
    if (t.local.Path.empty() || !netunit::WideFileExists(t.local.Path)) {
        Reply(step, "550 No such file.");
        return;
    }
    Reply(step, "213 " + std::to_string(FileSizeOf(t.local.Path)));
}

void DoMkd(FtpStep& step, const std::string& line) {
    PathTarget t;
    if (!CheckPathArgument(step, line, kMkdReplies, t)) return;
    if (t.local.Path.empty() || !t.local.Permissions.DirMake) {
        Reply(step, "553 Access denied!");
        return;
    }
    if (!netunit::WideForceDirectories(t.local.Path)) {
        Reply(step, "553 Could not make directory!");
        return;
    }
    Reply(step, "257 Directory Created");
    LogAndCaption(step, "Created " + t.virtualPath);
}

void DoQuit(FtpStep& step, const std::string&) {
    Reply(step, "221 I'm outta here.");
    EnterState(step.session, kFtpClosing);
}

void DoSyst(FtpStep& step, const std::string&) { Reply(step, "215 UNIX Type: L8"); }

void DoUnknown(FtpStep& step, const std::string& line) {
    if (!line.empty()) Reply(step, "500 I have no idea what that means! :P");
}

}  // namespace ftp
