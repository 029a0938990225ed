// Delivery of a complete message with no window: the E-Mail snapshot and the
// mail state are all it is given. It places all of the message or none of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mail/smtpdelivery.h"
#include "mail/smtpstep.h"
#include "mailfixture.h"

namespace {

const std::string kMessage = "123\r\nSubject: hi\r\n\r\nbody\r\n.\r\n";

class SmtpDeliveryTest : public MailFixture {
protected:
    SmtpDeliveryTest() {
        AddMailAccount("bob");
        AddMailAccount("carol");
        incoming_ = dir_.Write("mail/bob^0.tmp", kMessage);
        session_.DataFileName = incoming_;
        mail::EnvelopeSender(session_) = " <amy@far.test> ";
        mail::FirstMailbox(session_) = "bob";
        session_.LocalRecipients = {"carol"};
        session_.RelayRecipients = {"x@far.test"};
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    tsession session_;
    std::string incoming_;
};

TEST_F(SmtpDeliveryTest, EveryRecipientGetsTheMessageAndTheRelayPartIsQueued) {
    ASSERT_TRUE(mail::DeliverMessage(settings_, mail_, &session_));
    EXPECT_EQ(session_.DataFileName, dir_ / "mail/bob^0");
    EXPECT_FALSE(Exists("mail/bob^0.tmp"));
    EXPECT_EQ(TempDir::Read(dir_ / "mail/bob^0"), kMessage);
    EXPECT_EQ(TempDir::Read(dir_ / "mail/carol^0"), kMessage) << "the copy keeps the message's id";
    EXPECT_EQ(TempDir::Read(dir_ / "relay/0.m"), kMessage);
    EXPECT_TRUE(Exists("relay/0.r"));
    // The queue mirror has the entry, untried, with the sender trimmed.
    EXPECT_EQ(mail_.RelayQueueFiles, std::vector<std::string>{dir_ / "relay/0.m"});
    EXPECT_EQ(mail_.RelayQueueTries, std::vector<std::string>{"-1"});
    EXPECT_EQ(mail_.RelayQueueSenders, std::vector<std::string>{"<amy@far.test>"});
}

// The relay part cannot be queued (a file stands where its folder should
// be): the mailbox files already made go again, the received file with them,
// and nothing is queued.
TEST_F(SmtpDeliveryTest, AFailingPartUndoesTheWholeDelivery) {
    std::filesystem::remove(dir_ / "relay");
    dir_.Write("relay", "not a folder");
    EXPECT_FALSE(mail::DeliverMessage(settings_, mail_, &session_));
    for (const char* name : {"mail/bob^0", "mail/carol^0", "mail/bob^0.tmp"}) EXPECT_FALSE(Exists(name)) << name;
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "mail"));
    EXPECT_TRUE(mail_.RelayQueueFiles.empty());
}

// Carol's home folder already fills her quota: the message still reaches bob
// and the queue, carol is passed over by address, and the local sender gets
// one bounce that names her and carries the message.
TEST_F(SmtpDeliveryTest, AFurtherRecipientWithoutRoomIsPassedOverAndTheSenderTold) {
    core::tuseraccount& carol = *accounts_[1];
    carol.QuotaApplies = true;
    carol.Quota = 1;
    carol.EmailAddress = "carol@local.test";
    dir_.Write("home/carol/filler", std::string(1048576, 'f'));
    core::tuseraccount& amy = AddMailAccount("amy");
    amy.EmailAddress = "amy@local.test";
    settings_.LocalDomains = {"local.test"};
    mail::EnvelopeSender(session_) = "<amy@local.test>";
    std::vector<std::string> passedOver;
    ASSERT_TRUE(mail::DeliverMessage(settings_, mail_, &session_, &passedOver));
    EXPECT_EQ(passedOver, std::vector<std::string>{"carol@local.test"});
    EXPECT_EQ(TempDir::Read(dir_ / "mail/bob^0"), kMessage);
    EXPECT_FALSE(Exists("mail/carol^0"));
    EXPECT_TRUE(Exists("relay/0.m"));
    const std::string bounce = TempDir::Read(dir_ / "mail/amy^0");
    EXPECT_NE(bounce.find("Subject: Message Undeliverable!"), std::string::npos) << bounce;
    EXPECT_NE(bounce.find("carol@local.test"), std::string::npos) << bounce;
    EXPECT_NE(bounce.find("\r\n" + kMessage), std::string::npos) << bounce;
    EXPECT_FALSE(Exists("mail/amy^1"));
}

// The master address's copy has no room: it is logged, but the sender, who
// never named that address, is not told of it.
TEST_F(SmtpDeliveryTest, TheMasterAddressCopyWithoutRoomIsNotBouncedToTheSender) {
    core::tuseraccount& carol = *accounts_[1];
    carol.QuotaApplies = true;
    carol.Quota = 1;
    dir_.Write("home/carol/filler", std::string(1048576, 'f'));
    AddMailAccount("amy").EmailAddress = "amy@local.test";
    settings_.LocalDomains = {"local.test"};
    settings_.MasterAddressOn = true;
    settings_.MasterAddress = "carol";
    mail::EnvelopeSender(session_) = "<amy@local.test>";
    std::vector<std::string> passedOver;
    ASSERT_TRUE(mail::DeliverMessage(settings_, mail_, &session_, &passedOver));
    EXPECT_EQ(passedOver, std::vector<std::string>{"carol"});
    EXPECT_FALSE(Exists("mail/carol^0"));
    EXPECT_FALSE(Exists("mail/amy^0"));
}

// Carol's mailbox was read by an earlier delivery; since then a file with
// the message's own id took the place of one she had. The copy must see it
// and take another id.
TEST_F(SmtpDeliveryTest, ACopyAvoidsTheIdOfAFileReplacedSinceTheLastRead) {
    dir_.Write("mail/carol^0", "500\r\nold\r\n.\r\n");
    std::vector<std::string> ids;
    int64_t next = 0;
    ASSERT_TRUE(mail_.MailboxIds.Read(settings_.MailDir, "carol", ids, next));
    dir_.Write("mail/new", "123\r\nreplaced\r\n.\r\n");
    std::filesystem::rename(dir_ / "mail/new", dir_ / "mail/carol^0");
    session_.RelayRecipients.clear();
    ASSERT_TRUE(mail::DeliverMessage(settings_, mail_, &session_));
    EXPECT_EQ(TempDir::Read(dir_ / "mail/carol^1"), "124\r\nSubject: hi\r\n\r\nbody\r\n.\r\n");
}

}  // namespace
