// The command prompt and the console programs of the Telnet menu: a child
// program on pipes, relayed to and from the connection on every step.
//
// Nothing here waits. Input the child has not taken yet is queued, and while
// the queue is full the connection is not read, so a child that never reads
// holds back only its own client. The child's output is read only when the
// socket can take it, so a client that stops reading holds back only its own
// child. When the child exits, what it wrote before is still sent ahead of
// the menu.
#include <poll.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/accountlookup.h"
#include "core/recordfiles.h"
#include "netsock/netsockets.h"
#include "platform/commandline.h"
#include "platform/process.h"
#include "platform/sockethandles.h"
#include "telnet/telnet.h"
#include "telnet/telnettext.h"

namespace telnet {
namespace {

// One read of the child's output per step.
constexpr int kRelayChunk = 4096;
// Client input queued for a child that has not read it yet.
constexpr size_t kChildInputLimit = 16384;

constexpr const char* kDefaultInterpreter = "/bin/sh";
constexpr std::string_view kScreenStart = "\x1b[2J\x1b[H\x1b[1;37m";
constexpr const char* kPromptTitle = "Command Prompt";
constexpr const char* kPromptLogText = "Command Prompt.";
constexpr const char* kStartFailed = "didnt run for some reason";
constexpr std::string_view kInterpreterSuffix = "cmd.exe";

// $SHELL, else the system's shell. It runs as a shell reading commands from
// its input, not as an interactive one: on pipes, with no terminal, an
// interactive shell warns that it has no job control, and bash's line editor
// echoes every line a second time behind the server's own echo (and repeats
// "exit" on leaving). The server's echo is then the one copy of each line.
std::string Interpreter() {
    const char* shell = std::getenv("SHELL");
    return shell != nullptr && *shell != '\0' ? shell : kDefaultInterpreter;
}

// A command line naming the Windows command interpreter; the server echoes
// what the user types to such a program.
bool NamesCommandInterpreter(const std::string& CommandLine) {
    if (CommandLine.size() < kInterpreterSuffix.size()) return false;
    std::string tail = CommandLine.substr(CommandLine.size() - kInterpreterSuffix.size());
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    });
    return tail == kInterpreterSuffix;
}

// Title names the program in the log, the tree and the screen's heading.
bool StartChild(TelnetStep& step, tsession* session, const std::vector<std::string>& arguments,
                const std::string& workingDir, const std::string& logText, const std::string& title,
                bool echoInput) {
    if (arguments.empty() ||
        !platform::SpawnChildProcess(session->Child, arguments, workingDir, *step.Settings().Environment, true)) {
        step.Face.AddLog(kStartFailed);
        return false;
    }
    session->ChildRunning = true;
    TypedAfterCR(*session) = false;
    session->ChildOutputAfterCR = false;
    session->Counter = 0;
    EchoesTyping(*session) = echoInput;
    EnterState(session, kChildRunning);
    core::LogSession(step.Face, session, logText);
    SetCaption(session, logText);
    std::string screen(kScreenStart);
    Send(step, session, screen.append(title).append("...\r\n\r\n"));
    return true;
}

// True when the client has ended its side of the connection. Asked only while
// its input is held back: the socket component tells of the close only once
// everything sent before it has been read, which a child that never reads
// would put off for ever.
bool ClientInputEnded(int socket) {
    pollfd p{platform::DescriptorOf(socket), POLLRDHUP, 0};
    if (p.fd < 0) return true;
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// The child's output, when the socket can take it. False when the session
// must close.
bool RelayOutput(TelnetStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return true;
    platform::tchildprocess& child = session->Child;
    const int waiting = platform::ChildOutputWaiting(child);
    if (waiting < 0) return false;
    if (waiting == 0) return true;
    std::array<char, kRelayChunk> buffer{};
    const int n = platform::ReadChildOutput(child, buffer.data(), std::min(waiting, kRelayChunk));
    if (n == platform::kChildNoOutput || n == 0) return true;
    if (n < 0) return false;
    const std::string out =
        ChildBytesForClient(std::string_view(buffer.data(), static_cast<size_t>(n)), session->ChildOutputAfterCR);
    return Send(step, session, out);
}

// The client's typing, into the child's input queue while it has room.
void RelayInput(TelnetStep& step, tsession* session) {
    platform::tchildprocess& child = session->Child;
    platform::FlushChildInput(child);
    if (!step.Face.netsockets->HasData(session->Socket) || !step.Face.netsockets->CanSend(session->Socket)) return;
    if (child.PendingInput.size() >= kChildInputLimit) {
        if (ClientInputEnded(session->Socket)) EnterState(session, kClosing);
        return;
    }
    const std::string typed = TypedData(session, ReceiveBytes(step, session));
    if (typed.empty()) return;
    const std::string bytes = ClientBytesForChild(typed, TypedAfterCR(*session));
    platform::WriteChildInput(child, bytes);
    if (EchoesTyping(*session)) {
        bool echoAfterCR = false;
        Send(step, session, ChildBytesForClient(bytes, echoAfterCR));
    }
}

void ChildFinished(TelnetStep& step, tsession* session) {
    EndChild(session);
    EnterState(session, step.Telnet.AutoChoice >= 0 ? kClosing : kMenu);
    SetCaption(session, "Main menu.");
    step.Account = core::FindAccount(*step.Settings().Accounts, session->UserName);
    if (step.Account == nullptr) {
        EnterState(session, kClosing);
        return;
    }
    Send(step, session, MenuText(step, session));
}

}  // namespace

bool StartCommandPrompt(TelnetStep& step, tsession* session) {
    const core::tuseraccount* account = step.Account;
    // The prompt starts in the user's own folder, named by the account's
    // stored spelling; a name that is no single folder name gets no prompt.
    if (account == nullptr || !core::IsSingleFolderName(account->UserName)) {
        step.Face.AddLog(kStartFailed);
        return false;
    }
    return StartChild(step, session, {Interpreter()}, step.Settings().HomeDir + account->UserName,
                      kPromptLogText, kPromptTitle, true);
}

bool StartConsoleProgram(TelnetStep& step, tsession* session, const core::tconsoleprogram& Program) {
    return StartChild(step, session, platform::SplitCommandLine(Program.ProgramPath), std::string(), Program.Title,
                      Program.Title, NamesCommandInterpreter(Program.ProgramPath));
}

void StepChild(TelnetStep& step, tsession* session) {
    // Looked at first: output written before the exit is then surely in the
    // pipe when it is read below.
    const bool exited = platform::ChildExited(session->Child);
    if (!RelayOutput(step, session)) {
        EnterState(session, kClosing);
        return;
    }
    if (session->State == kClosing) return;
    if (!exited) {
        RelayInput(step, session);
        return;
    }
    if (platform::ChildOutputWaiting(session->Child) > 0) return;
    ChildFinished(step, session);
}

void EndChild(tsession* session) {
    if (!session->ChildRunning) return;
    platform::EndChildProcess(session->Child);
    session->ChildRunning = false;
}

}  // namespace telnet
