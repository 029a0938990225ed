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
        hooks.Bounce = [this](const std::string& file, const std::string& reason) {
            bounces_.push_back(file + ": " + reason);
        };
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
    std::vector<std::string> log_, removed_, done_, bounces_;
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
        return line.rfind("RCPT", 0) == 0 ? "450 no such user yet\r\n" : fakesmtp::Willing(line);
    };
    fakesmtp::Server mx2("127.0.0.22", smtpPort_, refusing);
    ASSERT_TRUE(mx1.Ok() && mx2.Ok());
    Run();
    EXPECT_EQ(Read(control_), "3\r\n45000.5\r\n<bob@local.test>\r\nx@b.test\r\n");
    EXPECT_TRUE(removed_.empty());
    EXPECT_EQ(done_.size(), 1u);
    EXPECT_EQ(log_, (std::vector<std::string>{
                        "[SMTP] Sent an E-Mail to <r@a.test> from <bob@local.test>",
                        "[SMTP] Attempted to send an E-Mail to <x@b.test> but received error: 450 no such user yet"}));
    EXPECT_TRUE(bounces_.empty());
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
    // A bounce goes out with the null reverse-path.
    EXPECT_EQ(mx2.Sessions(), (std::vector<std::string>{"HELO helo.test\r\nMAIL FROM:<>\r\nRCPT TO: <r@a.test>\r\n"
                                                         "DATA\r\n" + std::string(kSent) + "QUIT\r\n"}));
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_EQ(log_[0], "[SMTP] Attempted to send an E-Mail to <r@a.test> but received error: 554 too busy");
    EXPECT_EQ(log_[1], "[SMTP] Sent an E-Mail to <r@a.test> from Quillnest");
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
    // Each end leaves one log line saying what happened, with whom.
    struct Row {
        const char* what;
        std::string greeting;
        std::function<std::string(const std::string&)> reply;
        const char* logged;
    } rows[] = {
        {"silent after accepting", fakesmtp::kStall, fakesmtp::Willing, "mx2.test did not send the greeting in time"},
        {"greeting without its line end", "220 hello", fakesmtp::Willing, "mx2.test did not send the greeting in time"},
        {"stalls at the end of the data", "220 hi\r\n", at(fakesmtp::kDataEnd, fakesmtp::kStall),
         "mx2.test did not send the reply to the end of data in time"},
        {"resets after MAIL FROM", "220 hi\r\n", at("MAIL", fakesmtp::kReset),
         "mx2.test closed the connection before the reply to MAIL FROM"},
        {"closes after the greeting", "220 hi\r\n", at("HELO", fakesmtp::kClose),
         "mx2.test closed the connection before the reply to HELO"},
        {"refuses the end of the data", "220 hi\r\n", at(fakesmtp::kDataEnd, "452 full\r\n"),
         "received error: 452 full"},
        {"reply longer than the buffer", "220 hi\r\n", at("HELO", endless),
         "mx2.test sent an overlong reply: 250-a line of a reply that never ends 250-a line"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Write(control_, control);
        removed_.clear();
        done_.clear();
        log_.clear();
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
        ASSERT_EQ(log_.size(), 1u);
        EXPECT_EQ(log_[0].rfind(std::string("[SMTP] Attempted to send an E-Mail to <r@b.test> but ") + r.logged, 0), 0u)
            << log_[0];
    }
}

// A 5xx once the server has heard the recipient is its last word: no other
// host is asked, the recipient leaves the queue, and the bounce names it with
// the server's reply. Anything else leaves it to the next host or attempt.
TEST_F(RelayClientTest, PermanentRefusalsBounceAtOnce) {
    struct Row {
        const char* what;
        const char* prefix;
        const char* reply;
        bool permanent;
    } rows[] = {
        {"550 to RCPT TO", "RCPT", "550-5.1.1 no such user\r\n550 5.1.1 really\r\n", true},
        {"554 to DATA", "DATA", "554 no valid recipients\r\n", true},
        {"552 after the final dot", fakesmtp::kDataEnd.c_str(), "552 too big\r\n", true},
        {"451 to RCPT TO", "RCPT", "451 later\r\n", false},
        {"452 after the final dot", fakesmtp::kDataEnd.c_str(), "452 full\r\n", false},
        {"550 to MAIL FROM", "MAIL", "550 not from you\r\n", false},
    };
    const std::string control = "0\r\n45000.5\r\n<bob@local.test>\r\nr@a.test\r\n";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Write(control_, control);
        removed_.clear();
        bounces_.clear();
        fakesmtp::Behaviour refusing;
        refusing.Reply = [&r](const std::string& line) {
            return line.rfind(r.prefix, 0) == 0 ? std::string(r.reply) : fakesmtp::Willing(line);
        };
        fakesmtp::Server mx1("127.0.0.21", smtpPort_, refusing);
        fakesmtp::Server mx2("127.0.0.22", smtpPort_, {});
        ASSERT_TRUE(mx1.Ok() && mx2.Ok());
        Run();
        EXPECT_EQ(removed_, (std::vector<std::string>{message_}));
        if (r.permanent) {
            EXPECT_TRUE(mx2.Sessions().empty());
            EXPECT_EQ(bounces_, (std::vector<std::string>{message_ + ": Mail to <r@a.test> was refused by mx1.test: " +
                                                          mail::ReplyText(r.reply)}));
        } else {
            EXPECT_EQ(mx2.Sessions().size(), 1u);
            EXPECT_TRUE(bounces_.empty());
        }
    }
}

TEST_F(RelayClientTest, OneBounceNamesEveryRefusedRecipientAndABounceGetsNone) {
    fakesmtp::Behaviour refusing;
    refusing.Reply = [](const std::string& line) {
        if (line.find("<no@a.test>") != std::string::npos) return std::string("550 unknown no\r\n");
        if (line.find("<gone@a.test>") != std::string::npos) return std::string("551 moved away\r\n");
        return fakesmtp::Willing(line);
    };
    fakesmtp::Server mx1("127.0.0.21", smtpPort_, refusing);
    ASSERT_TRUE(mx1.Ok());
    Write(control_, "2\r\n45000.5\r\n<bob@local.test>\r\nno@a.test\r\nyes@a.test\r\ngone@a.test\r\n");
    Run();
    EXPECT_EQ(bounces_, (std::vector<std::string>{message_ +
                                                  ": Mail to <no@a.test> was refused by mx1.test: 550 unknown no\r\n"
                                                  "Mail to <gone@a.test> was refused by mx1.test: 551 moved away"}));
    EXPECT_EQ(removed_, (std::vector<std::string>{message_}));
    EXPECT_EQ(mx1.Sessions().size(), 3u);

    // A bounce that is refused is dropped without a bounce of its own.
    bounces_.clear();
    removed_.clear();
    Write(message_, kMessage);
    Write(control_, "-1\r\n45000.5\r\nQuillnest\r\nno@a.test\r\n");
    Run();
    EXPECT_TRUE(bounces_.empty());
    EXPECT_EQ(removed_, (std::vector<std::string>{message_}));
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
