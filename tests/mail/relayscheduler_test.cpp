// The relay scheduler over the mail state: which queue entries a tick hands
// off, the 16-worker limit and the cursor, the end of an attempt, and the
// bounce after the sixteenth attempt. Its workers are real and report back
// through the scheduler's hooks on the test's thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mail/mailbox.h"
#include "mailfixture.h"
#include "mail/relayclient.h"
#include "mail/relayfiles.h"
#include "mail/relayqueue.h"
#include "mail/relayscheduler.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "platform/hostsfile.h"
#include "platform/mainthread.h"
#include "platform/pump.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RelaySchedulerTest : public MailFixture {
protected:
    RelaySchedulerTest() {
        settings_.LocalDomains = {"example.test"};
        AddMailAccount("bob").EmailAddress = "bob@example.test";
    }
    void TearDown() override {
        ASSERT_TRUE(AllDone());
        // Workers still reporting back find no fixture.
        alive_.reset();
    }

    // Queues message n with its control file as the SMTP server would.
    std::string Queue(int n, int tries, double time, const std::string& sender = "<amy@far.test>",
                      const std::string& recipient = "x@far.test") {
        const std::string file = settings_.RelayDir + std::to_string(n) + ".m";
        std::ofstream(file, std::ios::binary) << "77\r\nSubject: s" << n << "\r\n\r\nbody\r\n.\r\n";
        std::ofstream(mail::ControlFileOf(file), std::ios::binary)
            << mail::RelayControlText(tries, time, sender, {recipient});
        mail::AddRelayEntry(mail_, file, tries, sender, time);
        return file;
    }
    // A tick whose workers look their domains up at a server that names no
    // address: each fails at once.
    void Tick() {
        mail::RelayTick(settings_, mail_, [this](const std::string& file) {
            return mail::trelay::Start(std::make_unique<mail::trelay>(Hooks(), file, "nowhere.test", "nowhere.test"));
        });
    }
    // The hooks run on the test's thread while the worker waits, as the
    // server runs them on its own.
    mail::trelayhooks Hooks() {
        const std::weak_ptr<bool> alive = alive_;
        const auto here = [alive](const std::function<void()>& fn) {
            platform::Synchronize([alive, fn] {
                if (alive.lock()) fn();
            });
        };
        mail::trelayhooks hooks;
        hooks.Log = [this, here](const std::string& text) { here([this, text] { log_.push_back(text); }); };
        hooks.HeloDomain = [] { return std::string("helo.test"); };
        hooks.RemoveEntry = [this, here](const std::string& file) {
            here([this, file] { mail::RemoveRelayEntry(mail_, file); });
        };
        hooks.AttemptDone = [this, here](const std::string& file) {
            here([this, file] { mail::RelayAttemptDone(mail_, file); });
        };
        hooks.OwnSmtpPort = [] { return 0; };
        hooks.Bounce = [this, here](const std::string& file, const std::string& reason) {
            here([this, file, reason] { mail::BounceMessage(settings_, mail_, file, reason); });
        };
        return hooks;
    }
    bool AllDone() {
        return testing_pump::PumpUntil([this] { return mail_.RelaysInFlight.empty(); }, 5000);
    }
    bool Logged(const std::string& text) const {
        for (const std::string& line : log_)
            if (line.ends_with(text)) return true;
        return false;
    }

    ScopedHostsFile hosts_{"127.0.0.1 localhost\n"};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<std::string> log_;
};

TEST_F(RelaySchedulerTest, SixteenWorkersAtATimeAndTheCursorGoesOn) {
    const double queued = netunit::NowDayNumber();
    for (int n = 0; n < 20; ++n) Queue(n, -1, queued);
    Tick();
    EXPECT_EQ(mail_.RelaysInFlight.size(), 16u);
    EXPECT_EQ(mail_.RelayCursor, 16);
    const mail::tmessagetry first = mail::ReadRelayInfo(settings_.RelayDir + "0.m");
    EXPECT_EQ(first.Tries, 0);
    EXPECT_GE(first.LastAttempt, queued);
    EXPECT_EQ(first.Sender, "<amy@far.test>");
    EXPECT_EQ(mail_.RelayQueueTries[0], "0");
    EXPECT_EQ(mail_.RelayQueueTries[16], "-1");

    ASSERT_TRUE(AllDone());
    EXPECT_TRUE(Logged("[SMTP] Invalid Primary MX lookup (DNS) server."));
    Tick();  // the four left; the others were tried a moment ago
    EXPECT_EQ(mail_.RelaysInFlight.size(), 4u);
    EXPECT_EQ(mail_.RelayCursor, 0);
    ASSERT_TRUE(AllDone());
    EXPECT_EQ(mail_.RelayQueueFiles.size(), 20u);
    for (const std::string& tries : mail_.RelayQueueTries) EXPECT_EQ(tries, "0");
    Tick();
    EXPECT_TRUE(mail_.RelaysInFlight.empty());
}

TEST_F(RelaySchedulerTest, RetriesComeAfterTheirPause) {
    const double now = netunit::NowDayNumber();
    const double seconds = 1.0 / netunit::kSecondsPerDay;
    const std::string recent = Queue(0, 3, now - 800 * seconds);
    const std::string due = Queue(1, 3, now - 900 * seconds);
    // A bounce does not wait: its sender should hear at once.
    const std::string bounce = Queue(2, -2, now - 10 * seconds, "Quillnest", "amy@far.test");
    Tick();
    EXPECT_EQ(mail_.RelaysInFlight, (std::vector<std::string>{due, bounce}));
    EXPECT_EQ(Read(mail::ControlFileOf(bounce)).substr(0, 4), "-1\r\n");
    EXPECT_EQ(Read(mail::ControlFileOf(due)).substr(0, 3), "4\r\n");
    EXPECT_EQ(Read(mail::ControlFileOf(recent)).substr(0, 3), "3\r\n");
    ASSERT_TRUE(AllDone());
    EXPECT_EQ(mail_.RelayQueueFiles, (std::vector<std::string>{recent, due}));  // the bounce had its one attempt
}

TEST_F(RelaySchedulerTest, ABounceGetsOneAttemptAndLeaves) {
    const double old = netunit::NowDayNumber() - 0.02;
    const std::string bounce = Queue(0, -2, old, "Quillnest", "amy@far.test");
    Tick();
    EXPECT_EQ(mail_.RelaysInFlight, (std::vector<std::string>{bounce}));
    EXPECT_EQ(Read(mail::ControlFileOf(bounce)).substr(0, 4), "-1\r\n");
    ASSERT_TRUE(AllDone());
    EXPECT_TRUE(mail_.RelayQueueFiles.empty());
    EXPECT_FALSE(netunit::WideFileExists(bounce));
    EXPECT_FALSE(netunit::WideFileExists(mail::ControlFileOf(bounce)));
}

TEST_F(RelaySchedulerTest, AMessageWithoutControlFileIsStillTried) {
    const std::string file = Queue(0, -1, 0);
    std::remove(mail::ControlFileOf(file).c_str());
    Tick();
    ASSERT_TRUE(AllDone());
    const std::vector<std::string> lines = mail::RelayLines(Read(mail::ControlFileOf(file)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0");
    EXPECT_EQ(mail_.RelayQueueFiles, (std::vector<std::string>{file}));
}

TEST_F(RelaySchedulerTest, TheEndOfAnAttempt) {
    const std::string kept = Queue(0, 3, 1.0);
    const std::string single = Queue(1, -1, 1.0);
    mail_.RelaysInFlight = {kept, single, kept};
    mail::RelayAttemptDone(mail_, kept);
    mail::RelayAttemptDone(mail_, single);
    EXPECT_EQ(mail_.RelaysInFlight, (std::vector<std::string>{kept}));
    EXPECT_EQ(mail_.RelayQueueFiles, (std::vector<std::string>{kept}));
    EXPECT_FALSE(netunit::WideFileExists(single));
    mail_.RelaysInFlight.clear();
}

// ---------------------------------------------------------------- bounces

constexpr const char* kBounceHead =
    "To: bob@example.test\r\nFrom: Quillnest\r\nSubject: Message Undeliverable!\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
    "77\r\nSubject: s0\r\n\r\nbody\r\n.\r\n";

TEST_F(RelaySchedulerTest, TheSixteenthFailureBouncesToALocalSender) {
    const std::string file = Queue(0, 15, 1.0, "<BOB@example.test>");
    Tick();
    EXPECT_TRUE(mail_.RelaysInFlight.empty());
    EXPECT_TRUE(mail_.RelayQueueFiles.empty());
    EXPECT_FALSE(netunit::WideFileExists(file));
    EXPECT_FALSE(netunit::WideFileExists(mail::ControlFileOf(file)));
    const std::string bounce = Read(settings_.MailDir + "bob^0");
    const size_t idEnd = bounce.find("\r\n");
    ASSERT_NE(idEnd, std::string::npos);
    const std::string id = bounce.substr(0, idEnd);
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_LT(std::stoll(id), 2000000000LL);
    std::string expected = kBounceHead;
    expected.replace(4, 16, "BOB@example.test");
    EXPECT_EQ(bounce.substr(idEnd + 2), expected);
}

// Ids are unique within a mailbox: a bounce whose drawn id the sender's
// mailbox holds already takes the next free one.
TEST_F(RelaySchedulerTest, ALocalBounceAvoidsTheIdsOfTheSendersMailbox) {
    const unsigned seed = 20261211;
    std::srand(seed);
    const int64_t drawn = mail::DrawMessageId();
    std::ofstream(settings_.MailDir + "bob^0", std::ios::binary) << drawn << "\r\nSubject: older\r\n\r\n.\r\n";
    Queue(0, 15, 1.0, "<bob@example.test>");
    std::srand(seed);
    Tick();
    const std::string bounce = Read(settings_.MailDir + "bob^1");
    EXPECT_EQ(bounce.substr(0, bounce.find("\r\n")), std::to_string(mail::PickMessageId(drawn, {std::to_string(drawn)})));
    EXPECT_EQ(bounce.substr(bounce.find("\r\n") + 2), kBounceHead);
}

TEST_F(RelaySchedulerTest, ARemoteSendersBounceIsQueuedAndGoesAtTheNextTick) {
    const double lastTry = 45000.25;
    const std::string file = Queue(0, 15, lastTry, "<amy@far.test>");
    Tick();
    ASSERT_EQ(mail_.RelayQueueFiles.size(), 1u);
    const std::string bounce = mail_.RelayQueueFiles[0];
    EXPECT_NE(bounce, file);
    EXPECT_FALSE(netunit::WideFileExists(file));
    EXPECT_EQ(mail_.RelayQueueTries[0], "-2");
    EXPECT_EQ(mail_.RelayQueueSenders[0], "Quillnest");
    EXPECT_EQ(Read(mail::ControlFileOf(bounce)), "-2\r\n45000.25\r\nQuillnest\r\namy@far.test\r\n");
    std::string expected = kBounceHead;
    expected.replace(4, 16, "amy@far.test");
    const std::string text = Read(bounce);
    EXPECT_EQ(text.substr(text.find("\r\n") + 2), expected);
    Tick();  // queued just now, handed off at once
    EXPECT_EQ(mail_.RelaysInFlight, (std::vector<std::string>{bounce}));
}

TEST_F(RelaySchedulerTest, NoBounceForAMissingMailboxOrABounce) {
    struct Row {
        const char* what;
        std::string sender;
    } rows[] = {
        {"no such user", "<nobody@example.test>"},
        {"a bounce", "Quillnest"},
        {"the null sender", "<>"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string file = Queue(0, 15, 1.0, r.sender);
        Tick();
        EXPECT_TRUE(mail_.RelayQueueFiles.empty());
        EXPECT_FALSE(netunit::WideFileExists(file));
        EXPECT_FALSE(netunit::WideFileExists(settings_.MailDir + "bob^0"));
        EXPECT_FALSE(netunit::WideFileExists(settings_.RelayDir + "1.m"));
    }
}

TEST_F(RelaySchedulerTest, AnUnreadableMessageMakesNoBounce) {
    const std::string file = Queue(0, 15, 1.0, "<bob@example.test>");
    std::remove(file.c_str());
    Tick();
    EXPECT_TRUE(mail_.RelayQueueFiles.empty());
    EXPECT_FALSE(netunit::WideFileExists(settings_.MailDir + "bob^0"));
}

}  // namespace
