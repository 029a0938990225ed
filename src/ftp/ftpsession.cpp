#include "ftp/ftpsession.h"

#include <charconv>
#include <limits>

#include "core/accountlookup.h"
#include "forms/forms.h"
#include "ftp/portparse.h"
#include "ftp/virtualpath.h"
#include "netunit/textutil.h"
#include "ui/quillnestform.h"

namespace ftp {
namespace {

// A limit edit counts only when it holds a number: a switch that is on over
// an empty edit limits nothing.
bool WholeNumber(const std::string& text, int32_t& value) {
    int64_t n = 0;
    if (!ParseFtpNumber(text, n) || n < std::numeric_limits<int32_t>::min() ||
        n > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(n);
    return true;
}

bool DecimalNumber(const std::string& text, double& value) {
    const std::string t = netunit::TrimSpaces(text);
    if (t.empty()) return false;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    return error == std::errc() && end == t.data() + t.size();
}

core::tuseraccount AnonymousAccount(const Tquillnestform* form) {
    core::tuseraccount a;
    a.UserName = "anonymous";
    a.Description = "Anonymous Access";
    a.QuotaApplies = true;
    a.Quota = 0;
    a.FtpInitialPath = "/anonymous";
    a.ConnectionLimit = form->anonmaxconcheck->Checked() && WholeNumber(form->anonmaxcon->Text(), a.MaxFtpConnections);
    a.SpeedLimit = form->anonmaxbancheck->Checked() && DecimalNumber(form->anonmaxban->Text(), a.MaxSpeed);
    return a;
}

}  // namespace

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

FtpStep BeginStep(Tquillnestform* form, tsession* session, int index) {
    return FtpStep{form, session, index, std::nullopt};
}

const core::tuseraccount* SessionAccount(FtpStep& step) {
    const std::string& user = step.session->UserName;
    if (IsAnonymousName(user) && step.form->anonymousenabled->Checked()) {
        if (!step.anonymous) step.anonymous = AnonymousAccount(step.form);
        return &*step.anonymous;
    }
    return core::FindAccount(step.form->Accounts, user);
}

VirtualTree TreeFor(const FtpStep& step, const core::tuseraccount* account) {
    const Tquillnestform* f = step.form;
    VirtualTree tree;
    tree.HomeDir = f->HomeDir;
    tree.AnonymousOn = f->anonymousenabled->Checked();
    tree.SharedOn = f->sharedenabled->Checked();
    tree.SuperOn = f->superenabled->Checked();
    tree.AnonymousPublished = f->anonymouspathslist->Items()->Count() > 0;
    tree.SuperPublished = f->superuserpathslist->Items()->Count() > 0;
    tree.AnonymousPaths = &f->AnonymousPathList;
    tree.SharedPaths = &f->SharedPathList;
    tree.SuperuserPaths = &f->SuperuserPathList;
    tree.Account = account;
    return tree;
}

int CountUserFtpSessions(const Tquillnestform* form, const std::string& user) {
    const std::string wanted = netunit::AsciiLowerCase(user);
    int count = 0;
    for (const tsession* s : form->SessionList)
        if (s->Kind == kKindFtp && s->State >= kFtpCommands && netunit::AsciiLowerCase(s->UserName) == wanted) ++count;
    return count;
}

void Reply(FtpStep& step, const std::string& text) { core::SendLine(*step.form, step.session, text); }

void RestartIdle(FtpStep& step) { Tquillnestform::RestartIdleTimer(step.session); }

void Log(FtpStep& step, const std::string& text) { core::LogSession(*step.form, step.session, text); }

void Caption(FtpStep& step, const std::string& text) { core::CaptionSession(step.session, text); }

void LogAndCaption(FtpStep& step, const std::string& text) {
    Log(step, text);
    Caption(step, text);
}

bool ControlCanSend(const FtpStep& step) { return step.form->netsockets->CanSend(step.session->Socket); }

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
