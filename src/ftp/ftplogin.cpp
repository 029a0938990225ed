// The greeting and the login of an FTP session (states 0 to 2).
#include "core/accountlookup.h"
#include "core/loginlimit.h"
#include "ftp/ftpsession.h"
#include "ftp/virtualpath.h"
#include "netunit/textutil.h"

namespace ftp {
namespace {

bool AnonymousLogin(FtpStep& step) {
    return step.Settings().AnonymousOn && IsAnonymousName(step.session->UserName);
}

// The account's initial folder, where it is one the session may enter.
void EnterInitialPath(FtpStep& step, const core::tuseraccount& account) {
    const std::string& initial = account.FtpInitialPath;
    if (initial.find("...") != std::string::npos) return;
    const std::string path = ResolveVirtualPath("/", initial);
    if (IsVirtualDir(TreeFor(step, &account), path)) step.session->CurrentDir = path;
}

void Login(FtpStep& step) {
    tsession* s = step.session;
    core::tuseraccount* ftpAccount = nullptr;
    const core::AccountList& accounts = *step.Settings().Accounts;
    const bool valid = (core::CheckPassword(accounts, s->UserName, s->Password) &&
                        core::UserFtpAllowed(accounts, s->UserName, ftpAccount)) ||
                       AnonymousLogin(step);
    if (!valid) {
        Log(step, "Access denied!");
        Caption(step, "Access denied.");
        core::HoldFailedLogin(s, "530 Login Incorrect! :P");
        EnterState(s, kFtpWaitUser);
        return;
    }
    const core::tuseraccount* account = SessionAccount(step);
    if (account != nullptr && account->ConnectionLimit &&
        CountUserFtpSessions(step.face, s->UserName) >= account->MaxFtpConnections) {
        Log(step, "Access denied!");
        Caption(step, "Access denied (Too many connections).");
        Reply(step, "421 No more connections! :P");
        EnterState(s, kFtpWaitUser);
        return;
    }
    Reply(step, "230 ok.. welcome!");
    EnterState(s, kFtpCommands);
    s->CurrentDir = "/";
    if (account != nullptr) EnterInitialPath(step, *account);
    LogAndCaption(step, "Access granted.");
}

}  // namespace

void StepGreeting(FtpStep& step) {
    if (!ControlCanSend(step)) return;
    tsession* s = step.session;
    Reply(step, "220 " + step.Settings().ServerName + " FTP Server (Quillnest) Ready!");
    s->PortAddress.clear();
    s->PortNumber = 0;
    s->InputBuffer.clear();
    s->RestartOffset = 0;
    EnterState(s, kFtpWaitUser);
}

void StepWaitUser(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    s->TransferType = kTypeAscii;
    s->CurrentDir = "/";
    const std::string word = netunit::AsciiUpperCase(netunit::NthWord(line, 1));
    if (word == "USER") {
        const std::string name = netunit::NthWord(line, 2);
        if (name.empty()) {
            Reply(step, "501 uhm, try actually ENTERING the username this time!");
            return;
        }
        s->SetUserName(name);
        Caption(step, "Attempting to log in.");
        Reply(step, AnonymousLogin(step) ? "331 Enter your complete e-mail address." : "331 Password required.");
        EnterState(s, kFtpWaitPass);
    } else if (word == "HELP") {
        Caption(step, "Help.");
        Reply(step, "211 RTFRFC!");
    } else if (netunit::AsciiUpperCase(line) == "QUIT") {
        Reply(step, "221 i'm outta here.");
        EnterState(s, kFtpClosing);
    } else if (!line.empty()) {
        Reply(step, "501 try the USER command ;)");
    } else {
        RestartIdle(step);
    }
}

void StepWaitPass(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    if (netunit::AsciiUpperCase(line.substr(0, 4)) == "PASS") {
        s->SetPassword(netunit::NthWord(line, 2));
        Login(step);
    } else if (netunit::AsciiUpperCase(netunit::NthWord(line, 1)) == "HELP") {
        Reply(step, "211 RTFRFC!");
    } else if (netunit::AsciiUpperCase(line) == "QUIT") {
        Reply(step, "221 I'm outta here.");
        EnterState(s, kFtpClosing);
    } else if (!line.empty()) {
        Reply(step, "501 That wasn't a PASS");
    }
}

}  // namespace ftp
