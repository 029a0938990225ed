#include "mail/relayclient.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

#include "mail/relaydialogue.h"
#include "mail/relayfiles.h"
#include "netunit/files.h"
#include "netunit/textfile.h"

namespace mail {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kWaitSlack{10};

// Lines 1 to 3 of the control file; the recipients follow.
constexpr size_t kControlHeaderLines = 3;

// Closes the host's socket once, when the dialogue with it ends.
class tsocketcloser {
public:
    tsocketcloser(netunit::tnetsock& Net, int Socket) : net_(Net), socket_(Socket) {}
    ~tsocketcloser() { net_.Close(socket_); }
    tsocketcloser(const tsocketcloser&) = delete;
    tsocketcloser& operator=(const tsocketcloser&) = delete;

private:
    netunit::tnetsock& net_;
    int socket_;
};

}  // namespace

bool IsThisMachine(const std::string& Address) {
    in_addr wanted{};
    if (::inet_pton(AF_INET, Address.c_str(), &wanted) != 1) return false;
    const uint32_t host = ntohl(wanted.s_addr);
    if (host == INADDR_ANY || (host >> 24) == IN_LOOPBACKNET) return true;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool found = false;
    for (const ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next)
        found = i->ifa_addr != nullptr && i->ifa_addr->sa_family == AF_INET &&
                reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr == wanted.s_addr;
    ::freeifaddrs(list);
    return found;
}

trelay::trelay(trelayhooks Hooks, std::string MessageFile, std::string PrimaryDns, std::string SecondaryDns)
    : hooks_(std::move(Hooks)),
      MessageFile(std::move(MessageFile)),
      PrimaryDns(std::move(PrimaryDns)),
      SecondaryDns(std::move(SecondaryDns)) {
    Lookup.Log = [this](const std::string& Text) { SyncLog(Text); };
}

bool trelay::Start(std::unique_ptr<trelay> Relay) {
    try {
        std::thread([relay = std::move(Relay)]() { relay->Execute(); }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void trelay::Execute() {
    // Nothing may escape a thread. A worker that fails this way ends like one
    // that found no host: its message stays queued and counts as attempted.
    try {
        DeliverAll();
    } catch (...) {
    }
    try {
        if (hooks_.AttemptDone) hooks_.AttemptDone(MessageFile);
    } catch (...) {
    }
}

void trelay::DeliverAll() {
    Removed = false;
    if (!net_.Startup() || !ReadControlFile()) return;
    for (RecipientIndex = 0; RecipientIndex < static_cast<int>(Recipients.size()) && !Removed; ++RecipientIndex) {
        Recipient = Recipients[static_cast<size_t>(RecipientIndex)];
        MxHosts = Lookup.Lookup(Recipient, PrimaryDns, SecondaryDns);
        Delivered = false;
        Refused = false;
        // Hosts after this server itself are no better choice than it is; when
        // it is the first choice, the mail can go nowhere but back here.
        for (size_t i = 0; i < MxHosts.size() && !Delivered && !Refused; ++i) {
            if (IsThisServer(MxHosts[i].Host)) {
                if (i == 0) {
                    const std::string reason = LoopReason(Recipient);
                    SyncLog("[SMTP] " + reason);
                    RefuseRecipient(reason);
                }
                break;
            }
            TalkTo(MxHosts[i].Host);
        }
    }
    BounceRefused();
    net_.Cleanup();
}

bool trelay::ReadControlFile() {
    std::string bytes;
    if (!netunit::ReadWholeFile(ControlFileOf(MessageFile), bytes)) return false;
    std::vector<std::string> lines = RelayLines(bytes);
    lines.resize(std::max(lines.size(), kControlHeaderLines));
    TriesLine = lines[0];
    TimeLine = lines[1];
    Sender = lines[2];
    Recipients.clear();
    for (size_t i = kControlHeaderLines; i < lines.size(); ++i)
        if (!lines[i].empty()) Recipients.push_back(lines[i]);
    return true;
}

void trelay::TalkTo(const std::string& MxHost) {
    Host = MxHost;
    Failed = false;
    ClientState = kClientGreeting;
    std::string address;
    int socket = -1;
    if (Host.size() > kDnsHostTextMax || !net_.ResolveHost(Host, address) || !net_.NewSocket(socket)) return;
    tsocketcloser closer(net_, socket);
    // The client socket resets when closed; here the QUIT must reach the
    // server, so the close is the usual orderly one.
    const linger orderly{0, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &orderly, sizeof orderly);
    if (!net_.Connect(socket, address, SmtpPort)) return LogFault(tdialoguefault::NoConnect);
    Dialogue(socket);
}

bool trelay::IsThisServer(const std::string& MxHost) {
    const int port = hooks_.OwnSmtpPort ? hooks_.OwnSmtpPort() : 0;
    std::string address;
    return port != 0 && port == SmtpPort && MxHost.size() <= kDnsHostTextMax && net_.ResolveHost(MxHost, address) &&
           IsThisMachine(address);
}

void trelay::Dialogue(int Socket) {
    std::string pending;  // what arrived behind the reply being read
    while (!Failed) {
        std::string reply;
        switch (ReceiveReply(Socket, pending, reply)) {
            case treplywait::Got: break;
            case treplywait::Closed: return LogFault(tdialoguefault::Closed);
            case treplywait::TimedOut: return LogFault(tdialoguefault::TimedOut);
            case treplywait::Overlong: return LogFault(tdialoguefault::Overlong, pending);
        }
        if (ReplyCode(reply) != ExpectedCode(ClientState)) {
            SyncLog(RefusalLogLine(Recipient, reply));
            if (IsPermanentRefusal(ClientState, reply))
                RefuseRecipient(RefusedReason(InAngleBrackets(Recipient), Host, reply));
            Failed = true;
            return;
        }
        switch (ClientState) {
            case kClientGreeting: break;
            // A bounce's sender line stays as it is: it is sent as the null path.
            case kClientHelo:
                if (!IsBounceSender(Sender)) Sender = InAngleBrackets(Sender);
                break;
            case kClientMailFrom: Recipient = InAngleBrackets(Recipient); break;
            case kClientData:
                if (!SendMessageText(Socket, reply)) Failed = true;
                ClientState = kClientDataEnd;
                continue;
            case kClientDataEnd:
                // The answer to QUIT is not awaited: the message is taken.
                Send(Socket, ClientCommand(ClientState, "", Sender, Recipient));
                RecipientDelivered();
                return;
        }
        const std::string helo = ClientState == kClientGreeting && hooks_.HeloDomain ? hooks_.HeloDomain() : "";
        if (!SendOrFail(Socket, ClientCommand(ClientState, helo, Sender, Recipient))) return;
        ++ClientState;
    }
}

// Gathers one whole reply, across reads, within one bounded wait.
trelay::treplywait trelay::ReceiveReply(int Socket, std::string& Pending, std::string& Reply) {
    const int timeoutMs = ClientState == kClientDataEnd ? DataEndTimeoutMs : ReplyTimeoutMs;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[kRelayReplyMax];
    for (;;) {
        const size_t length = ReplyLength(Pending);
        if (length > 0) {
            Reply = Pending.substr(0, length);
            Pending.erase(0, length);
            return treplywait::Got;
        }
        // Pending never grows beyond the reply buffer.
        if (Pending.size() >= kRelayReplyMax) return treplywait::Overlong;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return treplywait::TimedOut;
        net_.TransferTimeoutMs = static_cast<int>(left);
        size_t got = kRelayReplyMax - Pending.size();
        // A wait that ran to the deadline timed out; any earlier end is the
        // connection's (the slack covers the rounding of the wait).
        if (!net_.ReceiveBuffer(Socket, buffer, got))
            return Clock::now() + kWaitSlack >= deadline ? treplywait::TimedOut : treplywait::Closed;
        Pending.append(buffer, got);
    }
}

// Sends the whole text; each wait for room is bounded on its own.
bool trelay::Send(int Socket, const std::string& Text) {
    net_.TransferTimeoutMs = netunit::kClientTransferTimeoutMs;
    return net_.SendText(Socket, Text);
}

bool trelay::SendOrFail(int Socket, const std::string& Text) {
    if (Send(Socket, Text)) return true;
    LogFault(tdialoguefault::NoSend);
    Failed = true;
    return false;
}

void trelay::LogFault(tdialoguefault Fault, const std::string& Text) {
    SyncLog(FaultLogLine(Recipient, Host, ClientState, Fault, Text));
}

// The message file from its second line, in pieces of whole lines, up to and
// with its final "." line.
bool trelay::SendMessageText(int Socket, const std::string& Reply) {
    netunit::TTextFile file;
    std::string line;
    if (!netunit::TextReset(file, MessageFile) || !netunit::TextReadLine(file, line)) {
        SyncLog(RefusalLogLine(Recipient, Reply));
        netunit::TextClose(file);
        return false;
    }
    tdatapieces pieces;
    bool ok = true;
    while (ok && !pieces.Ended()) {
        if (netunit::TextEof(file))
            pieces.Finish();
        else if (!netunit::TextReadLine(file, line))
            ok = false;
        else if (!pieces.AddLine(line))
            continue;
        if (ok && !pieces.Piece().empty()) {
            ok = SendOrFail(Socket, pieces.Piece());
            pieces.TakePiece();
        }
    }
    netunit::TextClose(file);
    return ok;
}

void trelay::RecipientDelivered() {
    Recipients.erase(Recipients.begin() + RecipientIndex);
    --RecipientIndex;  // the loop's step reaches the next recipient
    RewriteControlFile();
    Delivered = true;
    SyncLog(DeliveredLogLine(Recipient, Sender));
}

void trelay::RefuseRecipient(const std::string& Reason) {
    RefusedRecipients.push_back(Recipients[static_cast<size_t>(RecipientIndex)]);
    RefusedReasons.push_back(Reason);
    Recipients.erase(Recipients.begin() + RecipientIndex);
    --RecipientIndex;  // the loop's step reaches the next recipient
    Refused = true;
}

void trelay::BounceRefused() {
    if (RefusedRecipients.empty() || Removed) return;
    std::string reason;
    for (const std::string& line : RefusedReasons) reason += (reason.empty() ? "" : "\r\n") + line;
    // Nothing goes back to a bounce's own null sender.
    if (!IsBounceSender(Sender) && hooks_.Bounce) hooks_.Bounce(MessageFile, reason);
    RefusedRecipients.clear();
    RefusedReasons.clear();
    RewriteControlFile();
}

void trelay::RewriteControlFile() {
    std::string text = TriesLine + "\r\n" + TimeLine + "\r\n" + Sender + "\r\n";
    for (const std::string& entry : Recipients) text += entry + "\r\n";
    // A refused recipient stays until its bounce is made: a worker cut short
    // before that tries it once more rather than losing the bounce.
    for (const std::string& entry : RefusedRecipients) text += entry + "\r\n";
    // With nobody left, or no way to record who is left, the message leaves
    // the queue: sending it again would deliver it twice.
    const bool nobody = Recipients.empty() && RefusedRecipients.empty();
    if (nobody || !netunit::WriteFileAtomic(ControlFileOf(MessageFile), text, netunit::FileAccess::Private)) {
        SyncRemoveEntry();
        Removed = true;
    }
}

void trelay::SyncLog(const std::string& Text) {
    if (hooks_.Log) hooks_.Log(Text);
}

void trelay::SyncRemoveEntry() {
    try {
        if (hooks_.RemoveEntry) hooks_.RemoveEntry(MessageFile);
    } catch (...) {
    }
}

}  // namespace mail
