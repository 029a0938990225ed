#include "mail/relayscheduler.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "mail/addresses.h"
#include "mail/mailbox.h"
#include "mail/mailstore.h"
#include "mail/relaybounce.h"
#include "mail/relaydialogue.h"
#include "mail/relayfiles.h"
#include "mail/relayqueue.h"
#include "netunit/datetime.h"
#include "netunit/files.h"

namespace mail {
namespace {

constexpr size_t kRelayWorkersMax = 16;
constexpr int32_t kRelayLastTry = 15;        // the counter at which a message bounces
constexpr double kRelayRetryDays = 0.0104;   // 898.56 seconds between hand-offs
constexpr size_t kControlTriesLine = 0, kControlTimeLine = 1, kControlSenderLine = 2;

std::string JoinLines(const std::vector<std::string>& Lines) {
    std::string text;
    for (const std::string& line : Lines) text += line + "\r\n";
    return text;
}

// The control file's lines; none when it cannot be read.
std::vector<std::string> ReadControlLines(const std::string& MessageFile) {
    std::string bytes;
    if (!netunit::ReadWholeFile(ControlFileOf(MessageFile), bytes)) return {};
    return RelayLines(bytes);
}

// Counts a hand-off in the control file: line 1 becomes Tries, line 2 Now,
// the rest stays. False when the file cannot be written: a control file
// still saying "-1" would make the worker's end take the message out of the
// queue undelivered.
bool RecordHandOff(const std::string& File, int32_t Tries, double Now) {
    std::vector<std::string> lines = ReadControlLines(File);
    lines.resize(std::max(lines.size(), kControlTimeLine + 1));
    lines[kControlTriesLine] = std::to_string(Tries);
    lines[kControlTimeLine] = RelayTimeText(Now);
    return netunit::WriteFileAtomic(ControlFileOf(File), JoinLines(lines), netunit::FileAccess::Private);
}

// Writes the text TextFor gives as a new message of User's mailbox, durably,
// with the first id from Drawn on that the mailbox does not hold.
bool PlaceInMailboxOf(const std::string& MailDir, tmailboxids& Known, const std::string& User, int64_t Drawn,
                      const std::function<std::string(int64_t)>& TextFor) {
    std::vector<std::string> ids;
    int64_t next = 0;
    // A message file that cannot be read keeps its id unknown, but the bounce
    // still goes: it is all the sender will hear of the failure.
    Known.Read(MailDir, User, ids, next);
    const std::string temp = FreeTempName(MailDir + User + "^", next, "");
    std::string placed;
    if (netunit::WriteFileAtomic(temp, TextFor(PickMessageId(Drawn, ids)), netunit::FileAccess::Private) && PlaceInMailbox(temp, MailDir, User, placed))
        return netunit::SyncFolder(MailDir);
    netunit::FileDelete(temp);
    return false;
}

}  // namespace

void RelayTick(const SmtpSettings& Settings, tmailstate& Mail, const tstartrelay& StartRelay) {
    while (!Mail.RelayQueueFiles.empty() && Mail.RelaysInFlight.size() < kRelayWorkersMax) {
        if (Mail.RelayCursor < 0 || Mail.RelayCursor >= static_cast<int>(Mail.RelayQueueFiles.size()))
            Mail.RelayCursor = 0;
        const size_t at = static_cast<size_t>(Mail.RelayCursor);
        const std::string file = Mail.RelayQueueFiles[at];
        if (!RelayInFlight(Mail, file)) {
            const int32_t tries = ParseRelayTries(Mail.RelayQueueTries[at]);
            const double time = ParseRelayTime(Mail.RelayQueueTimes[at]);
            const double now = netunit::NowDayNumber();
            if (tries >= kRelayLastTry) {
                BounceMessage(Settings, Mail, file);
                RemoveRelayEntry(Mail, file);
            } else if ((tries == kRelayNotTried || tries == kRelayBounceWaiting || now - time > kRelayRetryDays) &&
                       RecordHandOff(file, tries + 1, now)) {
                UpdateRelayEntry(Mail, file, tries + 1, now);
                Mail.RelaysInFlight.push_back(file);
                if (!StartRelay(file)) RelayAttemptDone(Mail, file);
            }
        }
        if (++Mail.RelayCursor >= static_cast<int>(Mail.RelayQueueFiles.size())) {
            Mail.RelayCursor = 0;
            break;
        }
    }
}

void RelayAttemptDone(tmailstate& Mail, const std::string& File) {
    // A bounce is handed off with "-1" written: its single attempt is over.
    const std::vector<std::string> lines = ReadControlLines(File);
    if (!lines.empty() && lines[kControlTriesLine] == std::to_string(kRelayNotTried))
        RemoveRelayEntry(Mail, File);
    const auto it = std::find(Mail.RelaysInFlight.begin(), Mail.RelaysInFlight.end(), File);
    if (it != Mail.RelaysInFlight.end()) Mail.RelaysInFlight.erase(it);
}

void BounceMessage(const SmtpSettings& Settings, tmailstate& Mail, const std::string& File,
                   const std::string& Reason) {
    std::string control;
    if (!netunit::ReadWholeFile(ControlFileOf(File), control)) return;
    std::vector<std::string> lines = RelayLines(control);
    lines.resize(std::max(lines.size(), kControlSenderLine + 1));
    BounceToSender(Settings, Mail, lines[kControlSenderLine], File, lines[kControlTimeLine], Reason);
}

void BounceToSender(const SmtpSettings& Settings, tmailstate& Mail, const std::string& Sender,
                    const std::string& File, const std::string& TimeLine, const std::string& Reason) {
    // A bounce that cannot be delivered is dropped, never bounced in turn.
    if (IsBounceSender(Sender)) return;
    const tmailbook book = Settings.Book();
    const std::string address = ParseAddress(Sender, book).Address;
    const tlocalcheck check = IsLocalDomain(address, book);
    const bool local = check.IsLocal;
    if (!local && check.NoSuchUser) return;
    // Nothing is made for a message that cannot be read: an empty bounce
    // would tell the sender nothing and sit in a mailbox or the queue.
    std::string message;
    if (!netunit::ReadWholeFile(File, message)) return;
    const int64_t drawn = DrawMessageId();
    const auto textFor = [&](int64_t Id) { return BounceText(Id, address, message, Reason); };
    if (local) {
        const core::tuseraccount* account = FindMailboxAccount(*Settings.Accounts, MailboxPart(address));
        if (account != nullptr) PlaceInMailboxOf(Settings.MailDir, Mail.MailboxIds, account->UserName, drawn, textFor);
        return;
    }
    const std::string text = textFor(drawn);
    const std::string bounce = NextRelayFile(Mail, Settings.RelayDir);
    const std::string bounceControl =
        JoinLines({std::to_string(kRelayBounceWaiting), TimeLine, kBounceSender, address});
    if (!netunit::WriteFileAtomic(ControlFileOf(bounce), bounceControl, netunit::FileAccess::Private)) return;
    if (!netunit::WriteFileAtomic(bounce, text, netunit::FileAccess::Private)) {
        netunit::FileDelete(ControlFileOf(bounce));
        return;
    }
    netunit::SyncFolder(Settings.RelayDir);
    AddRelayEntry(Mail, bounce, kRelayBounceWaiting, kBounceSender, netunit::NowDayNumber());
}

}  // namespace mail
