// The relay's MX lookup: the query bytes, strict decoding of hostile replies,
// the preference order, and the exchange with the two servers on loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "mail/fakedns.h"
#include "mail/mxlookup.h"
#include "platform/hostsfile.h"

namespace {

using fakedns::Datagram;
using fakedns::Header;
using fakedns::Mx;
using fakedns::MxReply;
using fakedns::Name;
using fakedns::Record;
using fakedns::U16;

std::string Query(const std::string& domain) {
    std::string q;
    EXPECT_TRUE(mail::BuildMxQuery(domain, 0x0040, q)) << domain;
    return q;
}

std::vector<std::string> HostsOf(const std::vector<mail::tmxhost>& hosts) {
    std::vector<std::string> out;
    for (const auto& h : hosts) out.push_back(std::to_string(h.Preference) + " " + h.Host);
    return out;
}

// ---------------------------------------------------------------- the query

TEST(MxQuery, ExampleComIsTheTwentyNineByteQuery) {
    const std::string expected = std::string("\x00\x40\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 12) +
                                 "\x07" "example" "\x03" "com" + std::string("\x00\x00\x0f\x00\x01", 5);
    const std::string query = Query("example.com");
    EXPECT_EQ(query.size(), 29u);
    EXPECT_EQ(query, expected);
}

TEST(MxQuery, DomainOfAddress) {
    struct Row {
        const char* what;
        const char* address;
        const char* domain;
    } rows[] = {
        {"plain", "bob@example.com", "example.com"},
        {"angle brackets", "<bob@example.com>", "example.com"},
        {"blanks and controls trimmed", "bob@ \texample.com \r", "example.com"},
        {"cut before >", "x@dom>junk", "dom"},
        {"after the first @", "a@b@c", "b@c"},
        {"no @", "bob", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(mail::DomainOfAddress(r.address), r.domain);
    }
}

TEST(MxQuery, DomainsThatCannotBeAskedAreRefused) {
    const std::string label64(64, 'a');
    std::string long_name;
    while (long_name.size() < 256) long_name += "abcdefgh.";
    long_name.resize(256);
    struct Row {
        const char* what;
        std::string domain;
    } rows[] = {
        {"label of 64", label64 + ".com"},
        {"empty label inside", "a..b"},
        {"leading dot", ".a"},
        {"two trailing dots", "a.."},
        {"name over 255", long_name},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string q = "untouched";
        EXPECT_FALSE(mail::BuildMxQuery(r.domain, 0x0040, q));
        EXPECT_EQ(q, "untouched");
    }
    EXPECT_EQ(Query(std::string(63, 'a') + ".com").size(), 12u + 1 + 63 + 1 + 3 + 1 + 4);
    EXPECT_EQ(Query("example.com."), Query("example.com"));
    EXPECT_EQ(Query(""), std::string("\x00\x40\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x0f\x00\x01", 17));
}

// ---------------------------------------------------------------- names

TEST(MxNames, ReadDnsNameStaysInsideTheMessage) {
    // Offset 0: "a.b" as labels; offset 5 is its "b" label.
    const std::string base = std::string("\x01" "a" "\x01" "b" "\x00", 5);
    auto ptr = [](int offset) { return std::string{static_cast<char>(0xC0 | (offset >> 8)), static_cast<char>(offset & 0xFF)}; };
    std::string chain16 = base, chain17 = base;
    // Each pointer leads to the one before it; the first leads to the name.
    for (int i = 0; i < 16; ++i) chain16 += ptr(i == 0 ? 0 : 5 + 2 * (i - 1));
    for (int i = 0; i < 17; ++i) chain17 += ptr(i == 0 ? 0 : 5 + 2 * (i - 1));
    std::string long_labels;  // 5 labels of 60: 304 characters with the dots
    for (int i = 0; i < 5; ++i) long_labels += static_cast<char>(60) + std::string(60, 'x');
    long_labels += '\0';

    struct Row {
        const char* what;
        std::string message;
        size_t start;
        bool ok;
        std::string name;
        size_t end;
    } rows[] = {
        {"labels", base, 0, true, "a.b", 5},
        {"root", std::string("\x00", 1), 0, true, "", 1},
        {"pointer", base + ptr(0), 5, true, "a.b", 7},
        {"label then pointer", base + "\x01" "c" + ptr(2), 5, true, "c.b", 9},
        {"pointer to itself", base + ptr(5), 5, false, "", 0},
        {"two pointers in a loop", base + ptr(7) + ptr(5), 5, false, "", 0},
        {"16 pointers", chain16, chain16.size() - 2, true, "a.b", chain16.size()},
        {"17 pointers", chain17, chain17.size() - 2, false, "", 0},
        {"label past the end", std::string("\x05" "ab", 3), 0, false, "", 0},
        {"no final zero", std::string("\x01" "a", 2), 0, false, "", 0},
        {"pointer past the end", base + ptr(300), 5, false, "", 0},
        {"half a pointer", base + "\xc0", 5, false, "", 0},
        {"start past the end", base, 9, false, "", 0},
        {"name over 255", long_labels, 0, false, "", 0},
        {"NUL inside a label", std::string("\x02" "a\0" "\x00", 4), 0, false, "", 0},
        {"reserved label type", std::string("\x41" "a" "\x00", 3), 0, false, "", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        size_t pos = r.start;
        std::string name = "unchanged";
        ASSERT_EQ(mail::ReadDnsName(r.message, pos, name), r.ok);
        if (r.ok) {
            EXPECT_EQ(name, r.name);
            EXPECT_EQ(pos, r.end);
        } else {
            EXPECT_EQ(pos, r.start);
        }
    }
}

// ---------------------------------------------------------------- replies

TEST(MxReplies, HostsComeInPreferenceOrderAndEqualOnesInAnswerOrder) {
    const std::string q = Query("example.com");
    std::vector<mail::tmxhost> hosts = mail::ParseDnsReply(MxReply(q, {{20, "c.example.com"}, {10, "a.example.com"}, {10, "b.example.com"}}));
    EXPECT_EQ(HostsOf(hosts), (std::vector<std::string>{"20 c.example.com", "10 a.example.com", "10 b.example.com"}));
    mail::SortMxHosts(hosts);
    EXPECT_EQ(HostsOf(hosts), (std::vector<std::string>{"10 a.example.com", "10 b.example.com", "20 c.example.com"}));
}

TEST(MxReplies, DecodingTable) {
    const std::string q = Query("example.com");
    const std::string question = q.substr(12);
    const std::string ok = Mx(5, "mx.example.com");
    auto reply = [&](uint16_t flags, uint16_t qd, uint16_t an, const std::string& body) {
        return q.substr(0, 2) + U16(flags) + U16(qd) + U16(an) + U16(0) + U16(0) + body;
    };
    // An exchange given as a pointer to the question's name.
    const std::string to_question = Record(std::string("\xc0\x0c", 2), 15, U16(7) + std::string("\xc0\x0c", 2));
    const std::string mx_labels_then_pointer =
        Record(std::string("\xc0\x0c", 2), 15, U16(9) + "\x04" "mail" + std::string("\xc0\x0c", 2));
    const std::string cname = Record(std::string("\xc0\x0c", 2), 5, Name("other.example.com"));
    const std::string short_rdata = Record(std::string("\xc0\x0c", 2), 15, U16(1));
    // RDLENGTH says 3, but the exchange's labels run on past it.
    const std::string overrun = std::string("\xc0\x0c", 2) + U16(15) + U16(1) + std::string(4, '\0') + U16(3) + U16(1) +
                                "\x02" "mx" + std::string(1, '\0');
    const std::string self_loop = Record(std::string("\xc0\x0c", 2), 15, U16(1) + std::string("\xc0\x2b", 2));

    struct Row {
        const char* what;
        std::string message;
        std::vector<std::string> hosts;
    } rows[] = {
        {"one record", reply(0x8180, 1, 1, question + ok), {"5 mx.example.com"}},
        {"exchange points at the question", reply(0x8180, 1, 1, question + to_question), {"7 example.com"}},
        {"labels then a pointer", reply(0x8180, 1, 1, question + mx_labels_then_pointer), {"9 mail.example.com"}},
        {"not marked as a reply", reply(0x0100, 1, 1, question + ok), {}},
        {"other types skipped", reply(0x8180, 1, 2, question + cname + ok), {"5 mx.example.com"}},
        {"no question", reply(0x8180, 0, 1, ok.substr(0, 0) + Mx(5, "mx.example.com").replace(0, 2, Name("example.com"))),
         {"5 mx.example.com"}},
        {"two questions both skipped", reply(0x8180, 2, 1, question + question + ok), {"5 mx.example.com"}},
        {"more questions than arrived", reply(0x8180, 60000, 1, question + ok), {}},
        {"more answers than arrived", reply(0x8180, 1, 65535, question + ok + ok), {"5 mx.example.com", "5 mx.example.com"}},
        {"record cut in its fixed part", reply(0x8180, 1, 2, question + ok + ok.substr(0, 6)), {"5 mx.example.com"}},
        {"RDATA longer than what arrived", reply(0x8180, 1, 2, question + ok + ok.substr(0, ok.size() - 3)),
         {"5 mx.example.com"}},
        {"RDATA too short for an exchange", reply(0x8180, 1, 2, question + short_rdata + ok), {}},
        {"exchange runs past its RDATA", reply(0x8180, 1, 2, question + overrun + ok), {}},
        {"exchange pointer to itself", reply(0x8180, 1, 1, question + self_loop), {}},
        {"header only", reply(0x8180, 0, 0, ""), {}},
        {"shorter than a header", std::string("\x00\x40\x81", 3), {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(HostsOf(mail::ParseDnsReply(r.message)), r.hosts);
    }
}

// Every prefix of a good reply decodes without reading past its end.
TEST(MxReplies, EveryTruncationIsSafe) {
    const std::string full = MxReply(Query("example.com"), {{10, "a.example.com"}, {20, "b.example.com"}});
    for (size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE(n);
        const auto hosts = mail::ParseDnsReply(full.substr(0, n));
        EXPECT_LE(hosts.size(), 2u);
    }
    EXPECT_EQ(mail::ParseDnsReply(full).size(), 2u);
}

// A reply counts only when it answers exactly the question asked, under its id.
TEST(MxReplyMatch, OnlyTheAnswerToTheQuestionAsked) {
    std::string q;
    ASSERT_TRUE(mail::BuildMxQuery("Example.COM", 0x1234, q));
    const std::string good = MxReply(q, {{10, "mx.example.com"}});
    auto with = [&good](size_t at, char c) {
        std::string r = good;
        r[at] = c;
        return r;
    };
    std::string other_name;
    ASSERT_TRUE(mail::BuildMxQuery("example.org", 0x1234, other_name));
    const size_t qtype = q.size() - 4;
    struct Row {
        const char* what;
        std::string reply;
        bool accepted;
    } rows[] = {
        {"the answer", good, true},
        {"name in another case", MxReply(std::string(q).replace(13, 7, "EXAMPLE"), {{10, "mx.example.com"}}), true},
        {"another id", with(1, 0x35), false},
        {"the id of old (64)", with(0, 0x00).replace(1, 1, 1, 0x40), false},
        {"not marked as a reply", with(2, 0x01), false},
        {"another name", MxReply(other_name, {{10, "evil.example"}}), false},
        {"another type", with(qtype + 1, 1), false},
        {"another class", with(qtype + 3, 3), false},
        {"no question", Header(0x1234, 0x8180, 0, 1) + fakedns::Record(Name("example.com"), 15, U16(1) + Name("x")),
         false},
        {"two questions", with(5, 2), false},
        {"question cut short", good.substr(0, q.size() - 2), false},
        {"header only", good.substr(0, 12), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(mail::ReplyAnswersQuery(r.reply, q), r.accepted);
    }
}

TEST(MxQuery, IdsAreDrawnAfresh) {
    std::vector<uint16_t> ids;
    for (int i = 0; i < 8; ++i) ids.push_back(mail::NewDnsQueryId());
    std::sort(ids.begin(), ids.end());
    // Eight draws of sixteen bits all alike would be a broken source.
    EXPECT_NE(ids.front(), ids.back());
}

// ---------------------------------------------------------------- the exchange

class MxExchange : public ::testing::Test {
protected:
    static constexpr int kWaitMs = 400;
    ScopedHostsFile hosts_{"127.0.0.1 dns.test\n"};
};

TEST_F(MxExchange, RepliesFromElsewhereOrWithAnotherIdArePassedOver) {
    fakedns::Server dns("127.0.0.1", 0, [](const std::string& q) {
        std::string wrong_id = MxReply(q, {{1, "wrong.id"}});
        wrong_id[1] = static_cast<char>(q[1] ^ 1);
        std::string forged;
        EXPECT_TRUE(mail::BuildMxQuery("evil.test", 0, forged));
        forged = MxReply(q.substr(0, 2) + forged.substr(2), {{1, "wrong.question"}});
        return std::vector<Datagram>{{MxReply(q, {{1, "other.port"}}), true}, {wrong_id, false}, {forged, false},
                                     {MxReply(q, {{2, "right.one"}}), false}};
    });
    ASSERT_TRUE(dns.Ok());
    std::string reply;
    ASSERT_EQ(mail::AskDnsServer("dns.test", dns.Port(), Query("example.com"), kWaitMs, reply),
              mail::tdnsexchange::Answered);
    EXPECT_EQ(HostsOf(mail::ParseDnsReply(reply)), (std::vector<std::string>{"2 right.one"}));
}

TEST_F(MxExchange, OutcomesOfOneQuestion) {
    fakedns::Server silent("127.0.0.1", 0, [](const std::string&) { return std::vector<Datagram>{}; });
    fakedns::Server stray_only("127.0.0.1", 0, [](const std::string& q) {
        return std::vector<Datagram>{{MxReply(q, {{1, "x"}}), true}};
    });
    fakedns::Server short_reply("127.0.0.1", 0, [](const std::string& q) {
        return std::vector<Datagram>{{q.substr(0, 12), false}};
    });
    ASSERT_TRUE(silent.Ok() && stray_only.Ok() && short_reply.Ok());
    struct Row {
        const char* what;
        std::string server;
        int port;
        mail::tdnsexchange result;
    } rows[] = {
        {"silent", "127.0.0.1", silent.Port(), mail::tdnsexchange::NoAnswer},
        {"only strays", "127.0.0.1", stray_only.Port(), mail::tdnsexchange::NoAnswer},
        {"twelve bytes", "dns.test", short_reply.Port(), mail::tdnsexchange::ShortReply},
        {"unknown name", "nowhere.test", silent.Port(), mail::tdnsexchange::InvalidServer},
        {"empty text", "", silent.Port(), mail::tdnsexchange::InvalidServer},
        {"text over 255", std::string(256, '1'), silent.Port(), mail::tdnsexchange::InvalidServer},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string reply = "untouched";
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(mail::AskDnsServer(r.server, r.port, Query("example.com"), kWaitMs, reply), r.result);
        EXPECT_EQ(reply, "untouched");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kWaitMs * 3));
    }
}

class MxLookupTest : public MxExchange {
protected:
    std::vector<mail::tmxhost> Run(const std::string& primary, const std::string& secondary, int port) {
        mail::tmxlookup lookup;
        lookup.Log = [this](const std::string& text) { log_.push_back(text); };
        lookup.DnsPort = port;
        lookup.AnswerTimeoutMs = kWaitMs;
        return lookup.Lookup("bob@example.com", primary, secondary);
    }
    std::vector<std::string> log_;
};

TEST_F(MxLookupTest, ASilentPrimaryIsLoggedAndTheSecondaryAnswers) {
    fakedns::Server primary("127.0.0.1", 0, [](const std::string&) { return std::vector<Datagram>{}; });
    ASSERT_TRUE(primary.Ok());
    fakedns::Server secondary("127.0.0.2", primary.Port(), [](const std::string& q) {
        return std::vector<Datagram>{{MxReply(q, {{20, "b.example.com"}, {10, "a.example.com"}}), false}};
    });
    ASSERT_TRUE(secondary.Ok());
    EXPECT_EQ(HostsOf(Run("127.0.0.1", "127.0.0.2", primary.Port())),
              (std::vector<std::string>{"10 a.example.com", "20 b.example.com"}));
    EXPECT_EQ(log_, (std::vector<std::string>{"[SMTP] Primary MX lookup (DNS) server did not answer."}));
    // The same question as built here; only the id is drawn afresh.
    ASSERT_EQ(primary.Queries().size(), 1u);
    EXPECT_EQ(primary.Queries()[0].substr(2), Query("example.com").substr(2));
}

TEST_F(MxLookupTest, APrimaryAnsweringWithoutRecordsEndsTheLookup) {
    fakedns::Server primary("127.0.0.1", 0, [](const std::string& q) {
        std::string reply = MxReply(q, {});
        reply[3] = static_cast<char>(0x83);  // name error
        return std::vector<Datagram>{{reply, false}};
    });
    ASSERT_TRUE(primary.Ok());
    fakedns::Server secondary("127.0.0.2", primary.Port(), [](const std::string& q) {
        return std::vector<Datagram>{{MxReply(q, {{1, "x.example.com"}}), false}};
    });
    ASSERT_TRUE(secondary.Ok());
    EXPECT_TRUE(Run("127.0.0.1", "127.0.0.2", primary.Port()).empty());
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(secondary.Queries().empty());
}

TEST_F(MxLookupTest, AShortReplyOrInvalidServersFallThrough) {
    fakedns::Server primary("127.0.0.1", 0, [](const std::string& q) {
        return std::vector<Datagram>{{q.substr(0, 12), false}};
    });
    ASSERT_TRUE(primary.Ok());
    fakedns::Server secondary("127.0.0.2", primary.Port(), [](const std::string& q) {
        return std::vector<Datagram>{{MxReply(q, {{1, "x.example.com"}}), false}};
    });
    ASSERT_TRUE(secondary.Ok());
    EXPECT_EQ(HostsOf(Run("127.0.0.1", "127.0.0.2", primary.Port())), (std::vector<std::string>{"1 x.example.com"}));
    EXPECT_TRUE(log_.empty());

    EXPECT_TRUE(Run("nowhere.test", "", primary.Port()).empty());
    EXPECT_EQ(log_, (std::vector<std::string>{"[SMTP] Invalid Primary MX lookup (DNS) server.",
                                              "[SMTP] Invalid Secondary MX lookup (DNS) server."}));
}

}  // namespace
