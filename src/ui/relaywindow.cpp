// The window's side of relaying: its ten-second timer drives the scheduler
// and starts the relay workers, and the workers reach the window's mail
// state through the synchronise call.
#include <functional>
#include <memory>

#include "core/listener.h"
#include "mail/relayclient.h"
#include "mail/relayqueue.h"
#include "mail/relayscheduler.h"
#include "mail/smtpstep.h"
#include "platform/mainthread.h"
#include "ui/protocolsettings.h"
#include "ui/quillnestform.h"

namespace {

constexpr unsigned kRelayTickMs = 10000;

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
                mail::RemoveRelayEntry(f.Mail, File);
            } catch (...) {
            }
        });
    };
    hooks.AttemptDone = [alive, Form](const std::string& File) {
        OnWindow(alive, Form, [File](Tquillnestform& f) {
            try {
                mail::RelayAttemptDone(f.Mail, File);
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
                mail::BounceMessage(mail::SmtpSettingsOf(f), f.Mail, File, Reason);
            } catch (...) {
            }
        });
    };
    return hooks;
}

}  // namespace

void Tquillnestform::Timer4Timer(forms::TObject*) {
    if (!emailenabled->Checked() || !relayemail->Checked()) return;
    ttickend end(Timer4);
    mail::RelayTick(mail::SmtpSettingsOf(*this), Mail, [this](const std::string& File) {
        auto relay = std::make_unique<mail::trelay>(HooksFor(this), File, relaydns1->Text(), relaydns2->Text());
        // Without a thread the attempt ends at once, as a worker's would.
        return mail::trelay::Start(std::move(relay));
    });
}
