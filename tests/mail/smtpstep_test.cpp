// The SMTP step with no window: a small engine, the mail state, a settings
// snapshot and a delivery hook are all it is given.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../core/testface.h"
#include "../netunit/tempdir.h"
#include "mailfixture.h"
#include "mail/mailstates.h"
#include "mail/smtpstep.h"

namespace {

// What the delivery hook was handed.
struct tdelivered {
    std::string Sender, Recipient, Text;
    std::vector<std::string> Local, Relay;
};

class SmtpStepTest : public MailFixture {
protected:
    SmtpStepTest() {
        core::tuseraccount& bob = AddMailAccount("bob");
        bob.Password = "pw";
        bob.EmailAddress = "bob@local.test";
        settings_.LocalDomains = {"local.test"};
    }

    // Sends Dialogue and steps the session until it has closed; the peer's whole answer.
    std::string Exchange(const std::string& dialogue) {
        auto deliver = [this](tsession* s, std::vector<std::string>&) {
            delivered_.push_back({s->Sender, s->Recipient, TempDir::Read(s->DataFileName), s->LocalRecipients,
                                  s->RelayRecipients});
            tempFiles_.push_back(s->DataFileName);
            return deliverWorks_;
        };
        mail::SmtpStep step{face_, mail_, deliver, {nullptr, settings_}};
        return face_.Exchange(kKindSmtp, dialogue, [&](tsession* s, int i) { mail::StepSmtp(step, s, i); });
    }

    TestFace face_;
    std::vector<tdelivered> delivered_;
    std::vector<std::string> tempFiles_;
    bool deliverWorks_ = true;
};

bool Has(const std::string& answer, const std::string& line) {
    return answer.find(line + "\r\n") != std::string::npos;
}

TEST_F(SmtpStepTest, AMessageForALocalUserIsHandedToDelivery) {
    const std::string answer = Exchange(
        "HELO client.test\r\nMAIL FROM:<amy@far.test>\r\nRCPT TO:<BOB@local.test>\r\nDATA\r\n"
        "Subject: hi\r\n\r\nthe body\r\n.\r\nQUIT\r\n");
    for (const char* line : {"220 Quillnest SMTP Server Ready.", "250 G'Day", "250 'aight sender's cool",
                             "250 ok.. gotcha :P", "354 k.. uhm.. GO! =)", "250 ok.. got it :)",
                             "221 Thank you and please come again!"})
        EXPECT_TRUE(Has(answer, line)) << line << " missing from:\n" << answer;
    ASSERT_EQ(delivered_.size(), 1u);
    const tdelivered& d = delivered_[0];
    EXPECT_EQ(d.Recipient, "bob") << "the mailbox is named by the account, not as typed";
    EXPECT_EQ(d.Sender, "<amy@far.test>");
    EXPECT_TRUE(d.Local.empty());
    EXPECT_TRUE(d.Relay.empty());
    // The file handed over starts with the message's id; the text follows it.
    EXPECT_NE(d.Text.find("\nSubject: hi"), std::string::npos) << d.Text;
    EXPECT_NE(d.Text.find("the body"), std::string::npos) << d.Text;
    const std::string id = d.Text.substr(0, d.Text.find('\n'));
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id.find_first_not_of("0123456789\r"), std::string::npos) << id;
    EXPECT_TRUE(face_.Logged("Sent mail."));
}

TEST_F(SmtpStepTest, ADeliveryThatFailsIsAnsweredAsNotStoredAndItsFileGoes) {
    deliverWorks_ = false;
    const std::string answer = Exchange(
        "HELO c\r\nMAIL FROM:<amy@far.test>\r\nRCPT TO:<bob@local.test>\r\nDATA\r\nbody\r\n.\r\n");
    EXPECT_TRUE(Has(answer, "550 Uhm.. there seems to be a problem.. cant do the email thing right now..")) << answer;
    EXPECT_FALSE(Has(answer, "250 ok.. got it :)"));
    ASSERT_EQ(tempFiles_.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(tempFiles_[0]));
}

// A remote recipient, as the snapshot's relay and authentication switches say.
TEST_F(SmtpStepTest, ARemoteRecipientFollowsTheSnapshot) {
    struct Row {
        const char* name;
        bool relay, authRequired;
        const char* auth;  // an AUTH line before MAIL FROM, or ""
        const char* reply;
    };
    const Row rows[] = {
        {"relaying off", false, false, "", "550 Invalid User :P"},
        {"authentication required, none given", true, true, "",
         "551 This mail server requires SMTP Authentication to send mail."},
        {"authentication required, wrong password", true, true, "AUTH PLAIN AGJvYgB4\r\n",  // \0bob\0x
         "551 This mail server requires SMTP Authentication to send mail."},
        {"authentication required and given", true, true, "AUTH PLAIN AGJvYgBwdw==\r\n",  // \0bob\0pw
         "250 ok.. got it. (to be relayed)"},
        {"authentication not required", true, false, "", "250 ok.. got it. (to be relayed)"},
        {"authentication not required, wrong password", true, false, "AUTH PLAIN AGJvYgB4\r\n",
         "250 ok.. got it. (to be relayed)"},
    };
    for (const Row& row : rows) {
        settings_.RelayMail = row.relay;
        settings_.AuthRequired = row.authRequired;
        const std::string answer = Exchange(std::string("EHLO c\r\n") + row.auth +
                                            "MAIL FROM:<bob@local.test>\r\nRCPT TO:<someone@far.test>\r\nQUIT\r\n");
        EXPECT_TRUE(Has(answer, row.reply)) << row.name << ":\n" << answer;
        // A wrong password is refused whatever the switch says.
        if (std::string(row.auth).find("AGJvYgB4") != std::string::npos) {
            EXPECT_TRUE(Has(answer, "535 Authentication Failed!")) << row.name << ":\n" << answer;
        }
    }
    EXPECT_TRUE(delivered_.empty());
}

TEST_F(SmtpStepTest, ARelayedMessageGoesToDeliveryWithItsRemoteRecipients) {
    settings_.RelayMail = true;
    Exchange("HELO c\r\nMAIL FROM:<bob@local.test>\r\nRCPT TO:<x@far.test>\r\nRCPT TO:<bob@local.test>\r\n"
             "DATA\r\nhello\r\n.\r\nQUIT\r\n");
    ASSERT_EQ(delivered_.size(), 1u);
    EXPECT_EQ(delivered_[0].Recipient, "") << "a first recipient that is relayed leaves no mailbox first";
    EXPECT_EQ(delivered_[0].Relay, std::vector<std::string>{"x@far.test"});
    EXPECT_EQ(delivered_[0].Local, std::vector<std::string>{"bob"});
}

// Each combination of what is known of the message text survives the trip
// through the session's shared fields, and a new message starts from none.
TEST(MessageTextState, KeptInTheSessionFieldsUnchanged) {
    tsession session;
    EXPECT_EQ(mail::MessageTextState(session).FromSeen, false);
    for (int bits = 0; bits < 8; ++bits) {
        const mail::tmessagetext kept{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        mail::KeepMessageTextState(session, kept);
        const mail::tmessagetext back = mail::MessageTextState(session);
        EXPECT_EQ(back.FromSeen, kept.FromSeen) << bits;
        EXPECT_EQ(back.InBody, kept.InBody) << bits;
        EXPECT_EQ(back.AfterBareLf, kept.AfterBareLf) << bits;
    }
    mail::KeepMessageTextState(session, {});
    EXPECT_EQ(session.Counter, 0);
    EXPECT_FALSE(session.Toggle);
}

}  // namespace
