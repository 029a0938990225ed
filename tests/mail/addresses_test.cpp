// Address decisions: local mailboxes, forwards, catch-alls, the SMTP token,
// the relay cap and the remembered POP3 logins.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mail/addresses.h"
#include "netunit/base64.h"

namespace mail {
namespace {

std::string Token(const std::string& decoded) { return netunit::Base64EncodeLines(decoded.data(), decoded.size()); }

class AddressesTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddAccount("bob", "pw", "bob@local.test", true);
        AddAccount("amy", "secret", "amy@other.test", true);
        AddAccount("nomail", "pw", "nomail@local.test", false);
        AddDomain("other.test", false, "");
        AddDomain("catch.test", true, "bob@local.test");
        AddForward("alias@local.test", "bob@local.test");
        AddForward("first@far.test", "second@far.test");
        AddForward("second@far.test", "third@far.test");
    }
    void AddAccount(const std::string& name, const std::string& password, const std::string& email, bool mail) {
        auto a = std::make_unique<core::tuseraccount>();
        a->UserName = name;
        a->Password = password;
        a->EmailAddress = email;
        a->EmailAllowed = mail;
        accounts_.push_back(std::move(a));
    }
    void AddDomain(const std::string& domain, bool catchAll, const std::string& address) {
        auto d = std::make_unique<core::tmaildomain>();
        d->Domain = domain;
        d->CatchAllOn = catchAll;
        d->CatchAllAddress = address;
        mailDomains_.push_back(std::move(d));
    }
    void AddForward(const std::string& from, const std::string& to) {
        auto f = std::make_unique<core::tmailforward>();
        f->Forwarded = from;
        f->Destination = to;
        forwards_.push_back(std::move(f));
    }
    tmailbook Book() const { return {domains_, accounts_, forwards_, mailDomains_}; }

    std::vector<std::string> domains_ = {"local.test", "other.test", "catch.test"};
    core::AccountList accounts_;
    core::RecordList<core::tmailforward> forwards_;
    core::RecordList<core::tmaildomain> mailDomains_;
};

TEST(Addresses, HasDomainPart) {
    EXPECT_FALSE(HasDomainPart("bob"));
    EXPECT_FALSE(HasDomainPart("bob@"));
    EXPECT_TRUE(HasDomainPart("bob@x"));
    EXPECT_TRUE(HasDomainPart("@x"));
}

TEST_F(AddressesTest, LocalAddresses) {
    struct Row {
        const char* address;
        bool local, noSuchUser;
    };
    const Row rows[] = {
        {"bob@local.test", true, false},
        {"BOB@LOCAL.TEST", true, false},       // letter case does not count
        {"bob@other.test", false, true},       // bob's own address is at local.test
        {"amy@other.test", true, false},
        {"ghost@local.test", false, true},     // no account of that name
        {"bob@far.test", false, false},        // not a local domain: remote
        {"nomail@local.test", true, false},    // the e-mail switch is tested later
        {"bob", true, false},                  // no domain: an account name
        {"ghost", false, true},
        {"bob@", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        const tlocalcheck check = IsLocalDomain(row.address, Book());
        EXPECT_EQ(check.IsLocal, row.local);
        EXPECT_EQ(check.NoSuchUser, row.noSuchUser);
    }
}

TEST_F(AddressesTest, ParsesForwardsAndCatchAlls) {
    struct Row {
        const char* text;
        const char* address;
        bool forwarded, catchAll;
    };
    const Row rows[] = {
        {"  <Bob@Local.Test>  ", "Bob@Local.Test", false, false},
        {"<x@far.test> SIZE=100", "x@far.test", false, false},
        {"> wrong <order", "", false, false},
        {"ALIAS@local.test", "bob@local.test", true, false},
        {"<first@far.test>", "second@far.test", true, false},  // followed once only
        {"<nobody@catch.test>", "bob@local.test", true, true},
        {"<someone@CATCH.test>", "bob@local.test", true, true},
        {"<ghost@local.test>", "ghost@local.test", false, false},  // no catch-all there
        {"<plain>", "plain", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const tparsedaddress parsed = ParseAddress(row.text, Book());
        EXPECT_EQ(parsed.Address, row.address);
        EXPECT_EQ(parsed.Forwarded, row.forwarded);
        EXPECT_EQ(parsed.CatchAll, row.catchAll);
    }
}

TEST_F(AddressesTest, CatchAllLeavesLocalMailboxesAlone) {
    accounts_.front()->EmailAddress = "bob@catch.test";
    const tparsedaddress parsed = ParseAddress("<bob@catch.test>", Book());
    EXPECT_EQ(parsed.Address, "bob@catch.test");
    EXPECT_FALSE(parsed.Forwarded);
}

TEST_F(AddressesTest, AuthenticationToken) {
    struct Row {
        const char* what;
        std::string token;
        bool accepted;
    };
    const Row rows[] = {
        {"PLAIN form", Token(std::string("\0bob\0pw", 7)), true},
        {"LOGIN form", Token(std::string("net\0bob\0pw", 10)), true},
        {"user name case counts", Token(std::string("\0BOB\0pw", 7)), false},
        {"wrong password", Token(std::string("\0bob\0px", 7)), false},
        {"no e-mail permission", Token(std::string("\0nomail\0pw", 10)), false},
        {"a single NUL", Token(std::string("bob\0pw", 6)), false},
        {"no NUL", Token("bobpw"), false},
        {"empty", "", false},
        {"no Base64 at all", "***", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CheckSmtpAuthToken(row.token, accounts_), row.accepted);
    }
    EXPECT_EQ(SmtpAuthUser(Token(std::string("id\0amy\0x", 8))), "amy");
}

TEST(Addresses, RelayCap) {
    struct Row {
        bool on;
        const char* cap;
        size_t count;
        bool allowed;
    };
    const Row rows[] = {
        {false, "0", 100, true}, {true, "2", 1, true}, {true, "2", 2, false},
        {true, "0", 0, false},   {true, "", 0, false}, {true, "x", 0, false}, {true, "-1", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.cap) + " " + std::to_string(row.count));
        EXPECT_EQ(RelayRecipientAllowed(row.on, row.cap, row.count), row.allowed);
    }
}

TEST(Addresses, PopLoginsRenewAndExpireOneAtATime) {
    std::vector<tsmtpauth> logins;
    RememberPopLogin(logins, "10.0.0.1", 100.0);
    RememberPopLogin(logins, "10.0.0.1", 100.5);
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_DOUBLE_EQ(logins[0].Expiry, 100.5 + kPopLoginLifeDays);
    RememberPopLogin(logins, "10.0.0.2", 100.5);
    RememberPopLogin(logins, "10.0.0.3", 100.5);
    ASSERT_EQ(logins.size(), 3u);
    // Two have run out by day 200, but each purge takes one.
    PurgePopLogins(logins, 200.0);
    EXPECT_EQ(logins.size(), 2u);
    RememberPopLogin(logins, "10.0.0.4", 200.0);
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(logins[0].Address, "10.0.0.3");
    EXPECT_EQ(logins[1].Address, "10.0.0.4");
}

}  // namespace
}  // namespace mail
