#include "ftp/ftpsession.h"

#include "core/accountlookup.h"
#include "core/telnetintake.h"
#include "ftp/virtualpath.h"
#include "netsock/netsockets.h"
#include "netunit/textutil.h"

namespace ftp {

const char* FtpStateName(int32_t state) {
    switch (state) {
        case kFtpGreeting: return "greeting";
        case kFtpWaitUser: return "wait for USER";
        case kFtpWaitPass: return "wait for PASS";
        case kFtpCommands: return "commands";
        case kFtpListData: return "listing on the data connection";
        case kFtpTransferDone: return "end of transfer";
        case kFtpSendFile: return "sending a file";
        case kFtpReceiveFile: return "receiving a file";
        case kFtpWaitData: return "wait for the data connection";
        case kFtpStatHeader: return "status header";
        case kFtpStatLines: return "status listing";
        case kFtpStatEnd: return "end of status";
        case kFtpListFile: return "listing one file";
        case kFtpClosing: return "closing";
        default: return "unknown";
    }
}

void EnterState(tsession* session, int32_t state) { core::EnterState(session, state, FtpStateName); }

const core::tuseraccount* SessionAccount(FtpStep& step) {
    const std::string& user = step.session->UserName;
    const FtpSettings& settings = step.Settings();
    if (IsAnonymousName(user) && settings.AnonymousOn) return &settings.Anonymous;
    return core::FindAccount(*settings.Accounts, user);
}

VirtualTree TreeFor(FtpStep& step, const core::tuseraccount* account) { return step.Settings().Tree(account); }

int CountUserFtpSessions(const core::tsessionface& face, const std::string& user) {
    const std::string wanted = netunit::AsciiLowerCase(user);
    int count = 0;
    for (const tsession* s : face.SessionList)
        if (s->Kind == kKindFtp && s->State >= kFtpCommands && netunit::AsciiLowerCase(s->UserName) == wanted) ++count;
    return count;
}

void SendControl(FtpStep& step, const std::string& text) {
    step.face.netsockets->SendText(step.session->Socket, core::DoubledIac(text));
    RestartIdle(step);
}

void Reply(FtpStep& step, const std::string& text) { SendControl(step, text + "\r\n"); }

void RestartIdle(FtpStep& step) { core::tsessionface::RestartIdleTimer(step.session); }

void Log(FtpStep& step, const std::string& text) { core::LogSession(step.face, step.session, text); }

void Caption(FtpStep& step, const std::string& text) { core::CaptionSession(step.session, text); }

void LogAndCaption(FtpStep& step, const std::string& text) {
    Log(step, text);
    Caption(step, text);
}

bool ControlCanSend(const FtpStep& step) { return step.face.netsockets->CanSend(step.session->Socket); }

bool CheckPathArgument(FtpStep& step, const std::string& line, const PathReplies& replies, PathTarget& target) {
    target.argument = netunit::CommandArgument(line);
    if (target.argument.empty()) {
        Reply(step, replies.empty);
        return false;
    }
    const bool refused = RefusedPathArgument(target.argument);
    if (refused && replies.refuseBeforeAccount) {
        Reply(step, replies.refused);
        return false;
    }
    target.account = SessionAccount(step);
    if (target.account == nullptr) {
        Reply(step, replies.noAccount);
        return false;
    }
    if (refused) {
        Reply(step, replies.refused);
        return false;
    }
    target.virtualPath = ResolveVirtualPath(step.session->CurrentDir, target.argument);
    target.local = LocalPathTrimmed(TreeFor(step, target.account), target.virtualPath);
    return true;
}

}  // namespace ftp
