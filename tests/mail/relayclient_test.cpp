// The relay worker against fake DNS and SMTP servers on loopback: the exact
// client dialogue, the recipients that remain, the order of the hosts, and
// servers that refuse, split, stall or reset.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mail/fakedns.h"
#include "mail/fakesmtp.h"
#include "mail/relayclient.h"
#include "platform/hostsfile.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kMessage = "123\r\nSubject: hi\r\n\r\nbody\r\n..stuffed\r\n.\r\n";
constexpr const char* kSent = "Subject: hi\r\n\r\nbody\r\n..stuffed\r\n.\r\n";

// The exchangers of each test domain: a.test has two, b.test one, nomx.test none.
std::vector<fakedns::Datagram> AnswerMx(const std::string& query) {
    std::vector<std::pair<uint16_t, std::string>> mx;
    if (query.find("\x01" "a\x04test") != std::string::npos) mx = {{20, "mx2.test"}, {10, "mx1.test"}};
    if (query.find("\x01" "b\x04test") != std::string::npos) mx = {{5, "mx2.test"}};
    return {{fakedns::MxReply(query, mx), false}};
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class RelayClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/quillnest-relayclient-XXXXXX";
        dir_ = mkdtemp(tmpl);
        message_ = dir_ + "/0.m";
        control_ = dir_ + "/0.r";
        Write(message_, kMessage);
        ASSERT_TRUE(dns_.Ok());
        // One SMTP port for every host, as for port 25.
        fakesmtp::Server probe("127.0.0.21", 0, {});
        smtpPort_ = probe.Port();
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    // Runs one worker to its end and reports how long it took.
    Clock::duration Run() {
        mail::trelayhooks hooks;
        hooks.Log = [this](const std::string& text) { log_.push_back(text); };
        hooks.HeloDomain = [] { return std::string("helo.test"); };
        hooks.RemoveEntry = [this](const std::string& file) { removed_.push_back(file); };
        hooks.AttemptDone = [this](const std::string& file) { done_.push_back(file); };
        mail::trelay relay(hooks, message_, "127.0.0.1", "127.0.0.1");
        relay.SmtpPort = smtpPort_;
        relay.Lookup.DnsPort = dns_.Port();
        relay.Lookup.AnswerTimeoutMs = 500;
        relay.ReplyTimeoutMs = 600;
        relay.DataEndTimeoutMs = 900;
        const Clock::time_point start = Clock::now();
        relay.Execute();
        return Clock::now() - start;
    }

    static std::string Dialogue(const std::string& sender, const std::string& recipient) {
        return "HELO helo.test\r\nMAIL FROM: " + sender + "\r\nRCPT TO: " + recipient + "\r\nDATA\r\n" + kSent +
               "QUIT\r\n";
    }

    ScopedHostsFile hosts_{"127.0.0.21 mx1.test\n127.0.0.22 mx2.test\n"};
    fakedns::Server dns_{"127.0.0.1", 0, AnswerMx};
    std::string dir_, message_, control_;
    int smtpPort_ = 0;
    std::vector<std::string> log_, removed_, done_;
};

TEST_F(RelayClientTest, DeliversWithExactlyTheClientDialogue) {
    Write(control_, "0\r\n45000.5\r\nbob@local.test\r\nr@a.test\r\n");
    fakesmtp::Server mx1("127.0.0.21", smtpPort_, {});
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, {});
    ASSERT_TRUE(mx1.Ok() && mx2.Ok());
    Run();
    EXPECT_EQ(mx1.Sessions(), (std::vector<std::string>{Dialogue("<bob@local.test>", "<r@a.test>")}));
    EXPECT_TRUE(mx2.Sessions().empty());
    EXPECT_EQ(removed_, (std::vector<std::string>{message_}));
    EXPECT_EQ(done_, (std::vector<std::string>{message_}));
    EXPECT_EQ(log_, (std::vector<std::string>{"[SMTP] Sent an E-Mail to <r@a.test> from <bob@local.test>"}));
}

TEST_F(RelayClientTest, TheControlFileKeepsOnlyTheRefusedRecipient) {
    Write(control_, "3\r\n45000.5\r\nbob@local.test\r\nr@a.test\r\n\r\nx@b.test\r\n");
    fakesmtp::Server mx1("127.0.0.21", smtpPort_, {});
    fakesmtp::Behaviour refusing;
    refusing.Reply = [](const std::string& line) {
        return line.rfind("RCPT", 0) == 0 ? "550 no such user\r\n" : fakesmtp::Willing(line);
    };
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, refusing);
    ASSERT_TRUE(mx1.Ok() && mx2.Ok());
    Run();
    EXPECT_EQ(Read(control_), "3\r\n45000.5\r\n<bob@local.test>\r\nx@b.test\r\n");
    EXPECT_TRUE(removed_.empty());
    EXPECT_EQ(done_.size(), 1u);
    EXPECT_EQ(log_, (std::vector<std::string>{
                        "[SMTP] Sent an E-Mail to <r@a.test> from <bob@local.test>",
                        "[SMTP] Attempted to send an E-Mail to <x@b.test> but received error: 550 no such user"}));
}

TEST_F(RelayClientTest, ARefusingGreetingIsLoggedAndTheNextHostTaken) {
    Write(control_, "0\r\n45000.5\r\nQuillnest\r\nr@a.test\r\n");
    fakesmtp::Behaviour busy;
    busy.Greeting = "554 too busy\r\n";
    fakesmtp::Server mx1("127.0.0.21", smtpPort_, busy);
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, {});
    ASSERT_TRUE(mx1.Ok() && mx2.Ok());
    Run();
    EXPECT_EQ(mx1.Sessions(), (std::vector<std::string>{""}));  // no HELO after the refusal
    EXPECT_EQ(mx2.Sessions(), (std::vector<std::string>{Dialogue("<Quillnest>", "<r@a.test>")}));
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_EQ(log_[0], "[SMTP] Attempted to send an E-Mail to r@a.test but received error: 554 too busy");
    EXPECT_EQ(removed_.size(), 1u);
}

TEST_F(RelayClientTest, RepliesSplitByteByByteAndMultiLineAreGathered) {
    Write(control_, "0\r\n45000.5\r\n<bob@local.test>\r\nr@b.test\r\n");
    fakesmtp::Behaviour split;
    split.OneByteAtATime = true;
    split.Greeting = "220-fake.test\r\n220-says\r\n220 hello\r\n";
    split.Reply = [](const std::string& line) {
        return line.rfind("HELO", 0) == 0 ? "250-fake.test\r\n250-SIZE 1000\r\n250 HELP\r\n" : fakesmtp::Willing(line);
    };
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, split);
    ASSERT_TRUE(mx2.Ok());
    Run();
    EXPECT_EQ(mx2.Sessions(), (std::vector<std::string>{Dialogue("<bob@local.test>", "<r@b.test>")}));
    EXPECT_EQ(removed_.size(), 1u);
}

// Servers that misbehave: the worker ends within its waits, the message stays
// queued as it was, and the attempt is reported done.
TEST_F(RelayClientTest, MisbehavingServersLeaveTheMessageQueued) {
    const std::string control = "0\r\n45000.5\r\n<bob@local.test>\r\nr@b.test\r\n";
    const std::string endless = [] {
        std::string s;
        for (int i = 0; i < 300; ++i) s += "250-a line of a reply that never ends\r\n";
        return s;
    }();
    auto at = [](const std::string& prefix, const std::string& reply) {
        return [prefix, reply](const std::string& line) {
            return line.rfind(prefix, 0) == 0 ? reply : fakesmtp::Willing(line);
        };
    };
    struct Row {
        const char* what;
        std::string greeting;
        std::function<std::string(const std::string&)> reply;
    } rows[] = {
        {"silent after accepting", fakesmtp::kStall, fakesmtp::Willing},
        {"greeting without its line end", "220 hello", fakesmtp::Willing},
        {"stalls at the end of the data", "220 hi\r\n", at(fakesmtp::kDataEnd, fakesmtp::kStall)},
        {"resets after MAIL FROM", "220 hi\r\n", at("MAIL", fakesmtp::kReset)},
        {"closes after the greeting", "220 hi\r\n", at("HELO", fakesmtp::kClose)},
        {"refuses the end of the data", "220 hi\r\n", at(fakesmtp::kDataEnd, "452 full\r\n")},
        {"reply longer than the buffer", "220 hi\r\n", at("HELO", endless)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Write(control_, control);
        removed_.clear();
        done_.clear();
        {
            fakesmtp::Behaviour b;
            b.Greeting = r.greeting;
            b.Reply = r.reply;
            fakesmtp::Server mx2("127.0.0.22", smtpPort_, b);
            ASSERT_TRUE(mx2.Ok());
            EXPECT_LT(Run(), std::chrono::seconds(3));
            EXPECT_EQ(mx2.Sessions().size(), 1u);
        }
        EXPECT_EQ(Read(control_), control);
        EXPECT_TRUE(removed_.empty());
        EXPECT_EQ(done_.size(), 1u);
    }
}

TEST_F(RelayClientTest, ADomainWithoutExchangersIsNotTried) {
    Write(control_, "0\r\n45000.5\r\n<bob@local.test>\r\nr@nomx.test\r\n");
    fakesmtp::Server mx1("127.0.0.21", smtpPort_, {});
    Run();
    EXPECT_TRUE(mx1.Sessions().empty());
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(dns_.Queries().size(), 1u);
    EXPECT_EQ(done_.size(), 1u);
}

TEST_F(RelayClientTest, EachRecipientGetsItsOwnLookupAndConnection) {
    Write(control_, "0\r\n45000.5\r\n<bob@local.test>\r\none@b.test\r\ntwo@b.test\r\n");
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, {});
    Run();
    EXPECT_EQ(dns_.Queries().size(), 2u);
    EXPECT_EQ(mx2.Sessions(), (std::vector<std::string>{Dialogue("<bob@local.test>", "<one@b.test>"),
                                                         Dialogue("<bob@local.test>", "<two@b.test>")}));
    EXPECT_EQ(removed_, (std::vector<std::string>{message_}));
}

TEST_F(RelayClientTest, AMissingMessageFileFailsAtTheData) {
    Write(control_, "0\r\n45000.5\r\n<bob@local.test>\r\nr@b.test\r\n");
    std::remove(message_.c_str());
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, {});
    Run();
    EXPECT_EQ(log_, (std::vector<std::string>{
                        "[SMTP] Attempted to send an E-Mail to <r@b.test> but received error: 354 go ahead"}));
    EXPECT_TRUE(removed_.empty());
    EXPECT_EQ(done_.size(), 1u);
}

TEST_F(RelayClientTest, WithoutAControlFileOnlyTheAttemptEnds) {
    fakesmtp::Server mx1("127.0.0.21", smtpPort_, {});
    Run();
    EXPECT_TRUE(dns_.Queries().empty());
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(done_, (std::vector<std::string>{message_}));
}

}  // namespace

namespace mail {
namespace {

TEST(RelayLoop, ThisMachinesAddresses) {
    struct Row {
        const char* address;
        bool own;
    };
    const Row rows[] = {
        {"127.0.0.1", true}, {"127.3.2.1", true}, {"0.0.0.0", true},
        {"192.0.2.1", false}, {"not an address", false}, {"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        EXPECT_EQ(IsThisMachine(row.address), row.own);
    }
}

}  // namespace
}  // namespace mail
