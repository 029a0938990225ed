// The FTP session's step: the engine calls it again and again; each call does
// what the session's state allows without waiting and returns.
#include "core/loginlimit.h"
#include "core/telnetintake.h"
#include "ftp/ftpintake.h"
#include "ftp/ftpsession.h"
#include "netsock/netsockets.h"
#include "netunit/findfile.h"
#include "netunit/textutil.h"

namespace ftp {
namespace {

// How a command is told from the line: by its first word, or (QUIT and
// SYST) by the whole line, so that "QUIT now" is no QUIT.
enum class Match { FirstWord, WholeLine };

struct FtpCommand {
    const char* name;
    Match match;
    void (*handler)(FtpStep&, const std::string&);
};

// Searched in order; the first match handles the line.
const FtpCommand kCommands[] = {
    {"TYPE", Match::FirstWord, DoType}, {"STRU", Match::FirstWord, DoStru}, {"MODE", Match::FirstWord, DoMode},
    {"PWD", Match::FirstWord, DoPwd},   {"XPWD", Match::FirstWord, DoPwd},  {"NOOP", Match::FirstWord, DoNoop},
    {"ALLO", Match::FirstWord, DoAllo}, {"HELP", Match::FirstWord, DoHelp}, {"CWD", Match::FirstWord, DoCwd},
    {"XCWD", Match::FirstWord, DoCwd},  {"CDUP", Match::FirstWord, DoCdup}, {"XCUP", Match::FirstWord, DoCdup},
    {"PORT", Match::FirstWord, DoPort}, {"PASV", Match::FirstWord, DoPasv}, {"REST", Match::FirstWord, DoRest},
    {"RETR", Match::FirstWord, DoRetr}, {"STOR", Match::FirstWord, DoStor}, {"APPE", Match::FirstWord, DoAppe},
    {"RNFR", Match::FirstWord, DoRnfr}, {"RNTO", Match::FirstWord, DoRnto}, {"ABOR", Match::FirstWord, DoAbor},
    {"DELE", Match::FirstWord, DoDele}, {"RMD", Match::FirstWord, DoRmd},   {"XRMD", Match::FirstWord, DoRmd},
    {"SIZE", Match::FirstWord, DoSize}, {"MKD", Match::FirstWord, DoMkd},   {"XMKD", Match::FirstWord, DoMkd},
    {"LIST", Match::FirstWord, DoList}, {"NLST", Match::FirstWord, DoNlst}, {"QUIT", Match::WholeLine, DoQuit},
    {"SYST", Match::WholeLine, DoSyst}, {"STAT", Match::FirstWord, DoStat},
};

void Dispatch(FtpStep& step, const std::string& line) {
    const std::string word = netunit::AsciiUpperCase(netunit::NthWord(line, 1));
    const std::string whole = netunit::AsciiUpperCase(line);
    for (const FtpCommand& c : kCommands) {
        if ((c.match == Match::FirstWord ? word : whole) == c.name) {
            c.handler(step, line);
            return;
        }
    }
    DoUnknown(step, line);
}

// States 1 to 3 read command lines. A line is taken only once a line feed
// has come, and more is read only while no whole line waits, so a client
// that sends faster than it reads replies cannot grow the buffer. Nothing is
// read while the answer to a failed login is held back.
void StepLines(FtpStep& step) {
    if (!ControlCanSend(step)) return;
    tsession* s = step.session;
    if (core::LoginAnswerHeld(step.face, s, EnterState)) return;
    std::string line;
    if (!core::TakeSessionLine(step.face, s, kCommandLineRules, line)) return;
    // The control connection speaks Telnet: a 0xFF in a name comes doubled.
    line = core::TelnetData(line);
    switch (s->State) {
        case kFtpWaitUser: StepWaitUser(step, line); break;
        case kFtpWaitPass: StepWaitPass(step, line); break;
        default: Dispatch(step, line); break;
    }
}

void StepClose(FtpStep& step) {
    tsession* s = step.session;
    if (s->DataOpen) EndDataAtClose(step);
    if (s->SearchOpen) {
        netunit::WideFindClose(s->Search);
        s->SearchOpen = false;
    }
    if (s->TransferFileOpen) {
        netunit::FileCloseHandle(s->TransferFile);
        s->TransferFileOpen = false;
    }
    step.face.CloseSessionStep(s, step.index);
}

}  // namespace

void StepFtp(FtpStep& step) {
    switch (step.session->State) {
        case kFtpGreeting: StepGreeting(step); break;
        case kFtpWaitUser:
        case kFtpWaitPass:
        case kFtpCommands: StepLines(step); break;
        case kFtpListData: StepListData(step); break;
        case kFtpTransferDone: StepTransferDone(step); break;
        case kFtpSendFile: StepSendFile(step); break;
        case kFtpReceiveFile: StepReceiveFile(step); break;
        case kFtpWaitData: StepWaitData(step); break;
        case kFtpStatHeader: StepStatHeader(step); break;
        case kFtpStatLines: StepStatLines(step); break;
        case kFtpStatEnd: StepStatEnd(step); break;
        case kFtpListFile: StepListFile(step); break;
        case kFtpClosing: StepClose(step); break;
        default: break;
    }
}

}  // namespace ftp
