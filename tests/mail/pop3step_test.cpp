// The POP3 step with no window: a small engine, the mail state and a settings
// snapshot over a mailbox in a scratch folder are all it is given.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "../core/testface.h"
#include "../netunit/tempdir.h"
#include "mail/mailstates.h"
#include "mail/pop3step.h"

namespace {

const std::string kFirst = "Subject: one\r\n\r\nfirst\r\n.\r\n";
const std::string kSecond = "Subject: two\r\n\r\nsecond\r\n.\r\n";

class Pop3StepTest : public ::testing::Test {
protected:
    Pop3StepTest() {
        AddAccount("Bob", "pw", true);
        AddAccount("carol", "pw", false);
        dir_.Write("mail/Bob^0", "111\r\n" + kFirst);
        dir_.Write("mail/Bob^1", "222\r\n" + kSecond);
        settings_.Accounts = &accounts_;
        settings_.MailDir = dir_ / "mail/";
    }

    void AddAccount(const std::string& name, const std::string& password, bool email) {
        auto account = std::make_unique<core::tuseraccount>();
        account->UserName = name;
        account->Password = password;
        account->EmailAllowed = email;
        accounts_.push_back(std::move(account));
    }

    void Step(tsession* s, int i) {
        mail::Pop3Step step{face_, mail_, {nullptr, settings_}};
        mail::StepPop3(step, s, i);
    }

    // Sends Dialogue and steps the session until it has closed; the peer's whole answer.
    std::string Exchange(const std::string& dialogue) {
        RawPeer peer;
        tsession* session = face_.Accept(peer, kKindPop3);
        if (session == nullptr) return {};
        peer.SendAll(dialogue);
        face_.RunUntil(session, [&](tsession* s, int i) { Step(s, i); }, [] { return false; });
        EXPECT_FALSE(face_.Open(session)) << "the session did not close";
        return peer.ReadAvailable(500);
    }

    std::string Mailbox(int n) const { return TempDir::Read(dir_ / ("mail/Bob^" + std::to_string(n))); }

    TempDir dir_;
    core::AccountList accounts_;
    mail::Pop3Settings settings_;
    mail::tmailstate mail_;
    TestFace face_;
};

bool Has(const std::string& answer, const std::string& text) { return answer.find(text) != std::string::npos; }

TEST_F(Pop3StepTest, ALoggedInClientListsReadsAndDeletes) {
    // A size is the message as the client gets it: no id line, no final ".".
    const size_t first = kFirst.size() - 3, second = kSecond.size() - 3;
    const std::string size0 = std::to_string(first), size1 = std::to_string(second);
    const std::string answer = Exchange("USER bob\r\nPASS pw\r\nSTAT\r\nLIST\r\nLIST 2\r\nUIDL\r\nRETR 1\r\nDELE 1\r\n"
                                        "STAT\r\nLIST 1\r\nQUIT\r\n");
    const std::string expected[] = {
        "+OK Quillnest POP3 Server Ready. Lets rock!\r\n",
        "+OK sweet.. now gimme a passwerd :P\r\n",
        "+OK ok.. you're in!\r\n",
        "+OK 2 " + std::to_string(first + second) + "\r\n",
        "+OK 2 Messages\r\n1 " + size0 + "\r\n2 " + size1 + "\r\n.\r\n",
        "+OK 2 " + size1 + "\r\n",
        "+OK Here's the unique identifiers...\r\n1 111\r\n2 222\r\n.\r\n",
        "+OK " + size0 + " octets\r\n" + kFirst,
        "+OK it's gone.\r\n",
        "+OK 1 " + size1 + "\r\n",  // a marked message is counted in neither figure
        "-ERR either yer on crack, or this server has a bug\r\n",
        "+OK i'm outta here.\r\n",
    };
    size_t at = 0;
    for (const std::string& part : expected) {
        const size_t found = answer.find(part, at);
        ASSERT_NE(found, std::string::npos) << part << " missing, in order, from:\n" << answer;
        at = found + part.size();
    }
    // QUIT removed the marked message, and the other moved up to number 0.
    EXPECT_EQ(Mailbox(0), "222\r\n" + kSecond);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "mail/Bob^1"));
    EXPECT_TRUE(face_.Logged("Access granted."));
}

TEST_F(Pop3StepTest, AMarkedMessageStaysWithoutQuit) {
    RawPeer peer;
    tsession* session = face_.Accept(peer, kKindPop3);
    ASSERT_NE(session, nullptr);
    peer.SendAll("USER bob\r\nPASS pw\r\nDELE 1\r\n");
    face_.RunUntil(session, [&](tsession* s, int i) { Step(s, i); },
                   [&] { return !session->DeletedMessages.empty(); });
    EXPECT_EQ(session->DeletedMessages.size(), 1u);
    // The session ends the way an idle end or a lost connection ends it.
    mail::EnterPop3State(session, mail::kPop3Closing);
    face_.RunUntil(session, [&](tsession* s, int i) { Step(s, i); }, [] { return false; });
    EXPECT_FALSE(face_.Open(session));
    EXPECT_EQ(Mailbox(0), "111\r\n" + kFirst);
    EXPECT_EQ(Mailbox(1), "222\r\n" + kSecond);
}

TEST_F(Pop3StepTest, ARefusedLoginIsDeniedAndGoesBackToUser) {
    struct Row {
        const char* name;
        const char* login;
    };
    const Row rows[] = {
        {"wrong password", "USER bob\r\nPASS nope\r\n"},
        {"no such account", "USER dave\r\nPASS pw\r\n"},
        {"account without e-mail", "USER carol\r\nPASS pw\r\n"},
    };
    for (const Row& row : rows) {
        const std::string answer = Exchange(std::string(row.login) + "STAT\r\nQUIT\r\n");
        EXPECT_TRUE(Has(answer, "-ERR Access Denied!\r\n")) << row.name << ":\n" << answer;
        // Back at USER: a command of the logged-in state is not taken.
        EXPECT_TRUE(Has(answer, "-ERR try the USER command ;)\r\n")) << row.name << ":\n" << answer;
        EXPECT_FALSE(Has(answer, "you're in")) << row.name;
    }
    EXPECT_FALSE(face_.Logged("Access granted."));
    EXPECT_TRUE(mail_.PopLoginList.empty());
}

// With SMTP relaying held to authentication, a POP3 login lets its address
// relay: the mail state keeps it. Otherwise nothing is kept.
TEST_F(Pop3StepTest, ALoginIsRememberedOnlyWhenRelayingNeedsAuthentication) {
    Exchange("USER bob\r\nPASS pw\r\nQUIT\r\n");
    EXPECT_TRUE(mail_.PopLoginList.empty());
    settings_.RememberLogins = true;
    Exchange("USER bob\r\nPASS pw\r\nQUIT\r\n");
    ASSERT_EQ(mail_.PopLoginList.size(), 1u);
    EXPECT_EQ(mail_.PopLoginList[0].Address, "127.0.0.1");
}

TEST_F(Pop3StepTest, AMailboxIsServedToOneSessionAtATime) {
    RawPeer first;
    tsession* held = face_.Accept(first, kKindPop3);
    ASSERT_NE(held, nullptr);
    first.SendAll("USER bob\r\nPASS pw\r\n");
    face_.RunUntil(held, [&](tsession* s, int i) { Step(s, i); },
                   [&] { return held->State == mail::kPop3Command; });
    ASSERT_EQ(held->State, mail::kPop3Command);
    // Another spelling of the same account is the same mailbox.
    EXPECT_TRUE(Has(Exchange("USER BOB\r\nPASS pw\r\nQUIT\r\n"), "-ERR Access Denied!\r\n"));
}

}  // namespace
