// The window's side of relaying: its switches hold the scheduler, its timer
// goes on after a tick, and the workers it starts report to its log and mail
// state.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "mail/mailbox.h"
#include "mail/relayfiles.h"
#include "mail/relayqueue.h"
#include "mail/relayscheduler.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "platform/hostsfile.h"
#include "platform/pump.h"
#include "ui/quillnestform.h"
#include "ui/windowtest.h"

namespace {

class RelayWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        form_->Mail.RelayQueueFiles.clear();
        form_->Mail.RelayQueueTries.clear();
        form_->Mail.RelayQueueTimes.clear();
        form_->Mail.RelayQueueSenders.clear();
        form_->emailenabled->SetChecked(true);
        form_->relayemail->SetChecked(true);
        // Servers that name no address: a worker's lookup fails at once.
        form_->relaydns1->SetText("nowhere.test");
        form_->relaydns2->SetText("nowhere.test");
        form_->emaildomains->Items()->Add("example.test");
        auto bob = std::make_unique<core::tuseraccount>();
        bob->UserName = "bob";
        bob->EmailAllowed = true;
        bob->EmailAddress = "bob@example.test";
        form_->Accounts.push_back(std::move(bob));
    }
    void TearDown() override {
        // Workers still reporting back find no window.
        ASSERT_TRUE(testing_pump::PumpUntil([this] { return form_->Mail.RelaysInFlight.empty(); }, 5000));
        WindowTest::TearDown();
    }

    // Queues message n with its control file as the SMTP server would.
    std::string Queue(int n, int tries, double time, const std::string& sender = "<amy@far.test>",
                      const std::string& recipient = "x@far.test") {
        const std::string file = form_->RelayDir + std::to_string(n) + ".m";
        std::ofstream(file, std::ios::binary) << "77\r\nSubject: s" << n << "\r\n\r\nbody\r\n.\r\n";
        std::ofstream(mail::ControlFileOf(file), std::ios::binary)
            << mail::RelayControlText(tries, time, sender, {recipient});
        mail::AddRelayEntry(form_->Mail, file, tries, sender, time);
        return file;
    }
    void Tick() { form_->Timer4Timer(form_->Timer4); }
    bool AllDone() {
        return testing_pump::PumpUntil([this] { return form_->Mail.RelaysInFlight.empty(); }, 5000);
    }
    bool Logged(const std::string& text) const {
        for (int i = 0; i < form_->status->Items()->Count(); ++i) {
            const std::string line = form_->status->Items()->Strings(i);
            if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0)
                return true;
        }
        return false;
    }

    ScopedHostsFile hosts_{"127.0.0.1 localhost\n"};
};

TEST_F(RelayWindowTest, NothingMovesWithSmtpOrRelayingOff) {
    const std::string file = Queue(0, 15, 1.0);
    for (forms::TCheckBox* off : {form_->emailenabled, form_->relayemail}) {
        off->SetChecked(false);
        Tick();
        off->SetChecked(true);
    }
    EXPECT_EQ(form_->Mail.RelayQueueFiles, (std::vector<std::string>{file}));
    EXPECT_EQ(form_->Mail.RelayQueueTries, (std::vector<std::string>{"15"}));
    EXPECT_TRUE(form_->Mail.RelaysInFlight.empty());
    EXPECT_TRUE(netunit::WideFileExists(file));
}

TEST_F(RelayWindowTest, ATickSwitchesItsTimerBackOnAndWorkersReportToTheWindow) {
    const double queued = netunit::NowDayNumber();
    for (int n = 0; n < 20; ++n) Queue(n, -1, queued);
    Tick();
    EXPECT_EQ(form_->Mail.RelaysInFlight.size(), 16u);
    EXPECT_TRUE(form_->Timer4->Enabled());
    ASSERT_TRUE(AllDone());
    EXPECT_TRUE(Logged("[SMTP] Invalid Primary MX lookup (DNS) server."));
}

}  // namespace
