// The relay worker: one thread per hand-off of one queued message. For each
// recipient still to deliver it looks up the domain's mail exchangers, talks
// SMTP to them in preference order until one takes the message, and rewrites
// the control file with the recipients that remain. It reaches the window
// only through the hooks, which the scheduler runs through the synchronise
// call.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mail/mxlookup.h"
#include "mail/relaydialogue.h"
#include "netunit/clientsocket.h"

namespace mail {

constexpr int kSmtpPort = 25;
// A server that accepts and then says nothing must not hold the worker, and
// its message, for ever. The end of the data gets longer: the server may be
// checking the message before it answers.
constexpr int kRelayReplyTimeoutMs = 5 * 60 * 1000;
constexpr int kRelayDataEndTimeoutMs = 10 * 60 * 1000;

// What a worker asks of the window. Each runs on the window's thread while
// the worker waits.
struct trelayhooks {
    std::function<void(const std::string& Text)> Log;            // SyncLog
    std::function<std::string()> HeloDomain;                     // the text of helodomain now
    std::function<void(const std::string& File)> RemoveEntry;    // SyncRemoveEntry
    std::function<void(const std::string& File)> AttemptDone;    // SyncAttemptDone
    // The port this server's SMTP service listens on now; 0 when it does not.
    std::function<int()> OwnSmtpPort;
    // Sends the message back to its sender, saying why.
    std::function<void(const std::string& File, const std::string& Reason)> Bounce;
};

// Whether the dotted address is one of this machine's own: a loopback or
// unspecified address, or one that an interface carries.
bool IsThisMachine(const std::string& Address);

class trelay {
public:
    trelay(trelayhooks Hooks, std::string MessageFile, std::string PrimaryDns, std::string SecondaryDns);
    // Its lookup logs through it: a worker stays where it was made.
    trelay(const trelay&) = delete;
    trelay& operator=(const trelay&) = delete;

    // Runs Execute on a detached thread that owns the worker; false when no
    // thread can be had (the worker has then done nothing).
    static bool Start(std::unique_ptr<trelay> Relay);

    // The thread body: every recipient, then AttemptDone, however it ends.
    void Execute();

    // Tests point the worker at their own servers and shorten the waits.
    int SmtpPort = kSmtpPort;
    int ReplyTimeoutMs = kRelayReplyTimeoutMs;
    int DataEndTimeoutMs = kRelayDataEndTimeoutMs;
    tmxlookup Lookup;

private:
    // How the wait for one reply ended.
    enum class treplywait { Got, Closed, TimedOut, Overlong };

    void DeliverAll();
    bool ReadControlFile();
    // The dialogue with one host.
    void TalkTo(const std::string& MxHost);
    // Whether MxHost is this server's own SMTP service: handing it the message
    // would only queue it here again, for ever.
    bool IsThisServer(const std::string& MxHost);
    void Dialogue(int Socket);
    treplywait ReceiveReply(int Socket, std::string& Pending, std::string& Reply);
    bool Send(int Socket, const std::string& Text);
    // Sends Text; a failure is logged and fails the dialogue.
    bool SendOrFail(int Socket, const std::string& Text);
    void LogFault(tdialoguefault Fault, const std::string& Text = {});
    // Reply is the server's go-ahead, logged when the file cannot be read.
    bool SendMessageText(int Socket, const std::string& Reply);
    void RecipientDelivered();
    // The current recipient can go nowhere: it leaves the list of those to
    // try and waits, with Reason, for the bounce at the end of the attempt.
    void RefuseRecipient(const std::string& Reason);
    // Sends the one bounce of this attempt naming every refused recipient,
    // then drops them from the control file.
    void BounceRefused();
    void RewriteControlFile();
    void SyncLog(const std::string& Text);
    void SyncRemoveEntry();

    trelayhooks hooks_;
    netunit::tnetsock net_;

    // The worker's state, in the order of use.
    std::string MessageFile;
    std::string PrimaryDns, SecondaryDns;
    std::string TriesLine, TimeLine;  // written back unchanged
    std::string Sender;
    std::vector<std::string> Recipients;  // still to deliver
    // Refused for good this attempt: each recipient and why. They stay in the
    // control file until their bounce has been made.
    std::vector<std::string> RefusedRecipients, RefusedReasons;
    int RecipientIndex = 0;
    std::string Recipient;
    std::vector<tmxhost> MxHosts;
    std::string Host;  // the exchanger being talked to
    int ClientState = 0;
    bool Failed = false;     // the dialogue with the current host has failed
    bool Delivered = false;  // the current recipient has been delivered
    bool Refused = false;    // the current recipient has been refused for good
    bool Removed = false;    // the queue entry is gone; the worker stops
};

}  // namespace mail
