// What the parts of the FTP step share: the session's states, the step's
// context, the account lookup, replies and log lines, and the handlers that
// the step's dispatch calls.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/records.h"
#include "core/sessionface.h"
#include "core/stepsnapshot.h"
#include "ftp/ftpsettings.h"
#include "ftp/virtualtree.h"

struct tsession;

namespace ftp {

// The states of an FTP session, with the numbers the engine and the idle
// timer rely on.
enum FtpState : int32_t {
    kFtpGreeting = 0,
    kFtpWaitUser = 1,
    kFtpWaitPass = 2,
    kFtpCommands = 3,
    kFtpListData = 4,
    kFtpTransferDone = 5,
    kFtpSendFile = 6,
    kFtpReceiveFile = 7,
    kFtpWaitData = 10,
    kFtpStatHeader = 11,
    kFtpStatLines = 12,
    kFtpStatEnd = 13,
    kFtpListFile = 15,
    kFtpClosing = 99,
};

const char* FtpStateName(int32_t state);
// Moves the session to state (told to the debug log by name).
void EnterState(tsession* session, int32_t state);

// Transfer types as TYPE sets them (transfers are binary whatever the type).
enum FtpTransferType : int32_t { kTypeAscii = 1, kTypeImage = 2, kTypeLocal8 = 3 };

// One step of one session: the engine's face, where a finished upload is
// recorded, and the FTP page's settings as they were when the step began. The
// window fills it for the engine; a test fills it itself.
struct FtpStep {
    core::tsessionface& face;
    tsession* session;
    int index;
    // Records a finished upload (file name, its folder, the user) in the
    // upload list; called only while the upload monitor is on.
    std::function<void(const std::string&, const std::string&, const std::string&)> recordUpload;
    core::tstepsnapshot<FtpSettings> Settings;
};

// One step of one FTP session.
void StepFtp(FtpStep& step);

// The session's account, looked up again by its user name at every command
// so that a changed or removed account applies at once; nullptr when none.
const core::tuseraccount* SessionAccount(FtpStep& step);

// The virtual tree as the step's settings and this account define it.
VirtualTree TreeFor(FtpStep& step, const core::tuseraccount* account);

// Logged-in FTP sessions of that user (A to Z folded).
int CountUserFtpSessions(const core::tsessionface& face, const std::string& user);

// Text on the control connection, as it stands; the idle countdown starts
// again. A 0xFF in it is doubled, as the client reads the connection as
// Telnet.
void SendControl(FtpStep& step, const std::string& text);
// A reply on the control connection, followed by CR LF.
void Reply(FtpStep& step, const std::string& text);
void RestartIdle(FtpStep& step);
// A log line with the session's prefix.
void Log(FtpStep& step, const std::string& text);
// The session node's caption.
void Caption(FtpStep& step, const std::string& text);
void LogAndCaption(FtpStep& step, const std::string& text);
bool ControlCanSend(const FtpStep& step);

// The refusals of a command that takes a path, in the command's own words.
struct PathReplies {
    const char* empty;      // no argument
    const char* noAccount;  // the session's account is gone
    const char* refused;    // "..." or a control character
    // Some commands test the argument's text before the account.
    bool refuseBeforeAccount = false;
};

// A path argument that passed the checks: the account, the argument as the
// client wrote it, the virtual path it resolves to and its local mapping.
struct PathTarget {
    const core::tuseraccount* account = nullptr;
    std::string argument;
    std::string virtualPath;
    LocalMapping local;  // the file form (no trailing "/")
};

// Checks the argument of a path command and answers a failed check itself.
bool CheckPathArgument(FtpStep& step, const std::string& line, const PathReplies& replies, PathTarget& target);

// States 0 to 2: greeting and login.
void StepGreeting(FtpStep& step);
void StepWaitUser(FtpStep& step, const std::string& line);
void StepWaitPass(FtpStep& step, const std::string& line);

// Commands of state 3; each takes the whole line.
void DoType(FtpStep& step, const std::string& line);
void DoStru(FtpStep& step, const std::string& line);
void DoMode(FtpStep& step, const std::string& line);
void DoPwd(FtpStep& step, const std::string& line);
void DoNoop(FtpStep& step, const std::string& line);
void DoAllo(FtpStep& step, const std::string& line);
void DoHelp(FtpStep& step, const std::string& line);
void DoCwd(FtpStep& step, const std::string& line);
void DoCdup(FtpStep& step, const std::string& line);
void DoRnfr(FtpStep& step, const std::string& line);
void DoRnto(FtpStep& step, const std::string& line);
void DoAbor(FtpStep& step, const std::string& line);
void DoDele(FtpStep& step, const std::string& line);
void DoRmd(FtpStep& step, const std::string& line);
void DoSize(FtpStep& step, const std::string& line);
void DoMkd(FtpStep& step, const std::string& line);
void DoQuit(FtpStep& step, const std::string& line);
void DoSyst(FtpStep& step, const std::string& line);
void DoUnknown(FtpStep& step, const std::string& line);

// Data connections and transfers.
void DoPort(FtpStep& step, const std::string& line);
void DoPasv(FtpStep& step, const std::string& line);
void DoRest(FtpStep& step, const std::string& line);
void DoRetr(FtpStep& step, const std::string& line);
void DoStor(FtpStep& step, const std::string& line);
void DoAppe(FtpStep& step, const std::string& line);
void StepWaitData(FtpStep& step);
void StepSendFile(FtpStep& step);
void StepReceiveFile(FtpStep& step);
void StepTransferDone(FtpStep& step);
// Sets up the data connection for a transfer or a listing: an outgoing
// connection in active mode, the passive listener (or the connection it took)
// otherwise. False when the outgoing socket cannot be created.
bool SetUpDataConnection(FtpStep& step);
// Ends the data connection. A passive one is forgotten with it, so the next
// transfer asks for a new PASV instead of waiting on a listener that is gone.
void CloseDataConnection(FtpStep& step);
// The close's part: the rest of an upload is kept, the data connection ends.
void EndDataAtClose(FtpStep& step);

// Listings.
void DoList(FtpStep& step, const std::string& line);
void DoNlst(FtpStep& step, const std::string& line);
void DoStat(FtpStep& step, const std::string& line);
void StepListData(FtpStep& step);
void StepListFile(FtpStep& step);
void StepStatHeader(FtpStep& step);
void StepStatLines(FtpStep& step);
void StepStatEnd(FtpStep& step);

}  // namespace ftp
