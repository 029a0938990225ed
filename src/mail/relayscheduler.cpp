// The relay scheduler: every ten seconds it walks the queue from where it
// stopped, hands messages to relay workers (at most 16 at a time, each
// message again about every 15 minutes) and, after the sixteenth attempt,
// bounces the message to its sender and drops it. Runs on the window's
// thread; workers reach it through the synchronise call.
#include <algorithm>
#include <functional>
#include <memory>

#include "core/listener.h"
#include "mail/addresses.h"
#include "mail/mailbox.h"
#include "mail/mailstore.h"
#include "mail/relaybounce.h"
#include "mail/relayclient.h"
#include "mail/relayfiles.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "platform/mainthread.h"
#include "ui/quillnestform.h"

namespace {

constexpr size_t kRelayWorkersMax = 16;
constexpr int32_t kRelayLastTry = 15;        // the counter at which a message bounces
constexpr double kRelayRetryDays = 0.0104;   // 898.56 seconds between hand-offs
constexpr unsigned kRelayTickMs = 10000;
constexpr size_t kControlTriesLine = 0, kControlTimeLine = 1, kControlSenderLine = 2;

// Switches Timer4 on again however the tick ends: a tick that threw must not
// stop the scheduler for the rest of the run.
class ttickend {
public:
    explicit ttickend(forms::TTimer* Timer) : timer_(Timer) { timer_->SetEnabled(false); }
    ~ttickend() {
        timer_->SetInterval(kRelayTickMs);
        timer_->SetEnabled(true);
    }
    ttickend(const ttickend&) = delete;
    ttickend& operator=(const ttickend&) = delete;

private:
    forms::TTimer* timer_;
};

std::string JoinLines(const std::vector<std::string>& Lines) {
    std::string text;
    for (const std::string& line : Lines) text += line + "\r\n";
    return text;
}

// The control file's lines; none when it cannot be read.
std::vector<std::string> ReadControlLines(const std::string& MessageFile) {
    std::string bytes;
    if (!netunit::ReadWholeFile(mail::ControlFileOf(MessageFile), bytes)) return {};
    return mail::RelayLines(bytes);
}

// Runs Fn on the window's thread while the worker waits, unless the window
// has gone meanwhile.
void OnWindow(const std::weak_ptr<const bool>& Alive, Tquillnestform* Form,
              const std::function<void(Tquillnestform&)>& Fn) {
    platform::Synchronize([Alive, Form, Fn]() {
        if (Alive.lock()) Fn(*Form);
    });
}

mail::trelayhooks HooksFor(Tquillnestform* Form) {
    const std::weak_ptr<const bool> alive = Form->RelayWindowAlive;
    mail::trelayhooks hooks;
    hooks.Log = [alive, Form](const std::string& Text) {
        OnWindow(alive, Form, [Text](Tquillnestform& f) { f.AddLog(Text); });
    };
    hooks.HeloDomain = [alive, Form]() {
        auto text = std::make_shared<std::string>();
        OnWindow(alive, Form, [text](Tquillnestform& f) { *text = f.helodomain->Text(); });
        return *text;
    };
    // Errors of the queue operations are the window's business, not the
    // worker's: they are dropped here.
    hooks.RemoveEntry = [alive, Form](const std::string& File) {
        OnWindow(alive, Form, [File](Tquillnestform& f) {
            try {
                f.RemoveRelayEntry(File);
            } catch (...) {
            }
        });
    };
    hooks.AttemptDone = [alive, Form](const std::string& File) {
        OnWindow(alive, Form, [File](Tquillnestform& f) {
            try {
                f.RelayAttemptDone(File);
            } catch (...) {
            }
        });
    };
    hooks.OwnSmtpPort = [alive, Form]() {
        auto port = std::make_shared<int>(0);
        OnWindow(alive, Form, [port](Tquillnestform& f) {
            if (!f.emailenabled->Checked() || !f.SmtpListener.Listening || !ParsePortText(f.emailport->Text(), *port))
                *port = 0;
        });
        return *port;
    };
    hooks.Bounce = [alive, Form](const std::string& File, const std::string& Reason) {
        OnWindow(alive, Form, [File, Reason](Tquillnestform& f) {
            try {
                f.BounceMessage(File, Reason);
            } catch (...) {
            }
        });
    };
    return hooks;
}

// Counts a hand-off in the control file: line 1 becomes Tries, line 2 Now,
// the rest stays. False when the file cannot be written: a control file
// still saying "-1" would make the worker's end take the message out of the
// queue undelivered.
bool RecordHandOff(const std::string& File, int32_t Tries, double Now) {
    std::vector<std::string> lines = ReadControlLines(File);
    lines.resize(std::max(lines.size(), kControlTimeLine + 1));
    lines[kControlTriesLine] = std::to_string(Tries);
    lines[kControlTimeLine] = mail::RelayTimeText(Now);
    return netunit::WriteFileAtomic(mail::ControlFileOf(File), JoinLines(lines));
}

// Writes Text as a new message of User's mailbox, durably.
bool PlaceInMailboxOf(const std::string& MailDir, const std::string& User, const std::string& Text) {
    const std::string temp = mail::FreeTempName(MailDir + User + "^", mail::NextMessageNumber(MailDir, User), "");
    std::string placed;
    if (netunit::WriteFileAtomic(temp, Text) && mail::PlaceInMailbox(temp, MailDir, User, placed))
        return netunit::SyncFolder(MailDir);
    netunit::FileDelete(temp);
    return false;
}

}  // namespace

void Tquillnestform::Timer4Timer(forms::TObject*) {
    if (!emailenabled->Checked() || !relayemail->Checked()) return;
    ttickend end(Timer4);
    while (!Mail.RelayQueueFiles.empty() && Mail.RelaysInFlight.size() < kRelayWorkersMax) {
        if (Mail.RelayCursor < 0 || Mail.RelayCursor >= static_cast<int>(Mail.RelayQueueFiles.size())) Mail.RelayCursor = 0;
        const size_t at = static_cast<size_t>(Mail.RelayCursor);
        const std::string file = Mail.RelayQueueFiles[at];
        if (!RelayInFlight(file)) {
            const int32_t tries = mail::ParseRelayTries(Mail.RelayQueueTries[at]);
            const double time = mail::ParseRelayTime(Mail.RelayQueueTimes[at]);
            const double now = netunit::NowDayNumber();
            if (tries >= kRelayLastTry) {
                BounceMessage(file);
                RemoveRelayEntry(file);
            } else if ((tries == mail::kRelayNotTried || now - time > kRelayRetryDays) &&
                       RecordHandOff(file, tries + 1, now)) {
                UpdateRelayEntry(file, tries + 1, now);
                Mail.RelaysInFlight.push_back(file);
                auto relay = std::make_unique<mail::trelay>(HooksFor(this), file, relaydns1->Text(), relaydns2->Text());
                // Without a thread the attempt ends at once, as a worker's would.
                if (!mail::trelay::Start(std::move(relay))) RelayAttemptDone(file);
            }
        }
        if (++Mail.RelayCursor >= static_cast<int>(Mail.RelayQueueFiles.size())) {
            Mail.RelayCursor = 0;
            break;
        }
    }
}

void Tquillnestform::RelayAttemptDone(const std::string& File) {
    // A bounce is handed off with "-1" written: its single attempt is over.
    const std::vector<std::string> lines = ReadControlLines(File);
    if (!lines.empty() && lines[kControlTriesLine] == std::to_string(mail::kRelayNotTried)) RemoveRelayEntry(File);
    const auto it = std::find(Mail.RelaysInFlight.begin(), Mail.RelaysInFlight.end(), File);
    if (it != Mail.RelaysInFlight.end()) Mail.RelaysInFlight.erase(it);
}

void Tquillnestform::BounceMessage(const std::string& File, const std::string& Reason) {
    std::string control;
    if (!netunit::ReadWholeFile(mail::ControlFileOf(File), control)) return;
    std::vector<std::string> lines = mail::RelayLines(control);
    lines.resize(std::max(lines.size(), kControlSenderLine + 1));
    bool forwarded = false, catchAll = false;
    const std::string address = ParseAddress(lines[kControlSenderLine], forwarded, catchAll);
    bool noSuchUser = false;
    const bool local = IsLocalDomain(address, noSuchUser);
    if (!local && noSuchUser) return;
    // Nothing is made for a message that cannot be read: an empty bounce
    // would tell the sender nothing and sit in a mailbox or the queue.
    std::string message;
    if (!netunit::ReadWholeFile(File, message)) return;
    const std::string text = mail::BounceText(mail::DrawMessageId(), address, message, Reason);
    if (local) {
        const core::tuseraccount* account = mail::FindMailboxAccount(Accounts, mail::MailboxPart(address));
        if (account != nullptr) PlaceInMailboxOf(MailDir, account->UserName, text);
        return;
    }
    const std::string bounce = NextRelayFile(RelayDir);
    const std::string bounceControl =
        JoinLines({std::to_string(mail::kRelayBounceWaiting), lines[kControlTimeLine], mail::kBounceSender, address});
    if (!netunit::WriteFileAtomic(mail::ControlFileOf(bounce), bounceControl)) return;
    if (!netunit::WriteFileAtomic(bounce, text)) {
        netunit::FileDelete(mail::ControlFileOf(bounce));
        return;
    }
    netunit::SyncFolder(RelayDir);
    AddRelayEntry(bounce, mail::kRelayBounceWaiting, mail::kBounceSender, netunit::NowDayNumber());
}
