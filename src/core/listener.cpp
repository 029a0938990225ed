// The listener pass, the accept and the listeners' errors.
#include "core/listener.h"

#include "core/sessionface.h"
#include "netsock/netsockets.h"
#include "netunit/textutil.h"
#include "platform/sockethandles.h"

namespace {
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;
// The error a listener reports at the descriptor limit.
constexpr int kTooManyOpenFiles = 10024;
// After this long without a connection turned away, reaching the limit again
// is logged again.
constexpr std::chrono::seconds kDescriptorLimitQuiet{60};
// What a new session reads its first lines into.
constexpr int32_t kSessionBlockSize = 4096;

// The ban message is the same on every service.
const char kBanMessage[] =
    "You are banned from this server! (Quillnest v2.81 - http://quillnest.example.org/)\r\n\r\n";

std::string LogLine(const core::tservice& s, const std::string& text) {
    return "[" + std::string(s.Name) + "] " + text;
}
}  // namespace

// The port edit holds text as typed or read from the settings; it is a
// number as the settings' other numbers are (blanks before it are taken).
bool ParsePortText(const std::string& text, int& port) {
    int64_t value = 0;
    if (!netunit::TryStrToInt64(text, value) || value < kLowestPort || value > kHighestPort) return false;
    port = static_cast<int>(value);
    return true;
}

namespace core {

const std::array<tservice, kServiceCount>& ServiceTable() {
    static const std::array<tservice, kServiceCount> table = {{
        {"Telnet", kKindTelnet, kIdleTelnetMs, false},
        {"HTTP", kKindHttp, kIdleHttpMs, true},
        {"SMTP", kKindSmtp, kIdleSmtpMs, true},
        {"POP3", kKindPop3, kIdlePop3Ms, true},
        {"FTP", kKindFtp, kIdleFtpMs, true},
    }};
    return table;
}

void tlisteners::ListenPass() {
    for (int i = 0; i < kServiceCount; ++i)
        if (!window_.ServiceOn(i)) window_.ShowServiceState(i, "Disabled");

    Tnetsockets& sockets = *face_.netsockets;
    for (int i = 0; i < kServiceCount; ++i) {
        const tservice& s = ServiceTable()[static_cast<size_t>(i)];
        tlistener& l = State[static_cast<size_t>(i)];
        if (!window_.ServiceOn(i) || l.Listening) continue;
        if (!sockets.NewServerSocket(l.Socket)) continue;
        const std::string portText = window_.ServicePort(i);
        int port = 0;
        const bool number = ParsePortText(portText, port);
        l.SocketOpen = true;
        const int bound = number ? sockets.BindPort(l.Socket, port) : -1;
        if (bound != 0) {
            sockets.KillSession(l.Socket);
            l.SocketOpen = false;
            window_.ShowServiceState(i, "Unable to listen");
            if (l.ReportFailure) {
                l.ReportFailure = false;
                face_.AddLog(LogLine(s, "Unable to listen on port " + portText));
                window_.UpdateServiceInfo();
            } else if (s.Kind == kKindFtp) {
                window_.UpdateServiceInfo();
            }
            continue;
        }
        sockets.ListenPort(l.Socket);
        // A failed listen reaches the error handler, which closes the socket:
        // only a socket still open is listening.
        if (!l.SocketOpen) continue;
        l.Listening = true;
        face_.AddLog(LogLine(s, "Listening."));
        window_.ShowServiceState(i, "Listening");
        window_.UpdateServiceInfo();
    }
    Starting = false;
}

void tlisteners::SessionAvailable(int Socket) {
    Tnetsockets& sockets = *face_.netsockets;
    for (int i = 0; i < kServiceCount; ++i) {
        const tlistener& l = State[static_cast<size_t>(i)];
        if (!l.SocketOpen || l.Socket != Socket) continue;
        const tservice& s = ServiceTable()[static_cast<size_t>(i)];
        std::string address;
        const int accepted = sockets.AcceptSession(Socket, address);
        if (accepted == INVALID_SOCKET) return;
        if (window_.IsBlacklisted(address)) {
            sockets.SendText(accepted, kBanMessage);
            if (window_.LogRefusedAttempts())
                face_.AddLog(LogLine(s, "A connection was attempted from blacklisted address: " + address));
            sockets.CloseSession(accepted);
            return;
        }
        auto* session = new tsession;
        session->PeerAddress = address;
        session->BlockSize = kSessionBlockSize;
        session->Socket = accepted;
        session->Kind = s.Kind;
        session->State = kStateAccepted;
        face_.SessionList.push_back(session);
        window_.SessionAccepted(session, s);
        LogSession(face_, session, address + " Connected.");
        return;
    }
    // A passive FTP data connection: it becomes that session's data socket.
    for (tsession* session : face_.SessionList) {
        if (session->Kind != kKindFtp || !session->Passive || session->DataSocket != Socket) continue;
        std::string address;
        const int accepted = sockets.AcceptSession(Socket, address);
        if (accepted == INVALID_SOCKET) return;
        // Only the client of the control connection may take the data
        // connection; anyone else who guessed the port is turned away and
        // the listener waits on for the client.
        if (address != session->PeerAddress) {
            sockets.KillSession(accepted);
            return;
        }
        sockets.KillSession(Socket);
        session->DataSocket = accepted;
        return;
    }
}

void tlisteners::ErrorOccurred(int Socket, int Error) {
    for (int i = 0; i < kServiceCount; ++i) {
        tlistener& l = State[static_cast<size_t>(i)];
        if (!l.SocketOpen || l.Socket != Socket) continue;
        if (Error == kTooManyOpenFiles) {
            // The connection waits in the listen queue; the listener is
            // sound and serves again once descriptors are free.
            ReportDescriptorLimit(ServiceTable()[static_cast<size_t>(i)]);
            return;
        }
        l.Listening = false;
        l.SocketOpen = false;
        face_.netsockets->KillSession(Socket);
        return;
    }
}

bool tlisteners::Disable(int Service) {
    tlistener& l = State[static_cast<size_t>(Service)];
    if (!l.Listening) return false;
    face_.netsockets->KillSession(l.Socket);
    l.Listening = false;
    l.SocketOpen = false;
    face_.AddLog(LogLine(ServiceTable()[static_cast<size_t>(Service)], "Disabled."));
    return true;
}

void tlisteners::ReportDescriptorLimit(const tservice& s) {
    // One line for each stretch at the limit, not one for each connection.
    const auto now = std::chrono::steady_clock::now();
    const bool quietSince = !descriptorLimitSeen_ || now - descriptorLimitAt_ >= kDescriptorLimitQuiet;
    descriptorLimitSeen_ = true;
    descriptorLimitAt_ = now;
    if (quietSince)
        platform::RunWithSpareDescriptor([&] {
            face_.AddLog(LogLine(s, "Too many open files: new connections wait until descriptors are free."));
            // The log file needs the spare descriptor too: the batch is written now.
            window_.FlushLog();
        });
}

}  // namespace core
