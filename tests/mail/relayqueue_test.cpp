// The relay queue lists in the mail state: rebuilt from the folder at start,
// new numbers that no delivery still holds, and a cursor that stays in the queue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../netunit/tempdir.h"
#include "mail/mailstate.h"
#include "mail/relayqueue.h"
#include "netunit/files.h"

namespace {

class RelayQueueTest : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const std::string& bytes) { return dir_.Write("relay/" + name, bytes); }

    TempDir dir_;
    const std::string relayDir_ = dir_ / "relay/";
    mail::tmailstate mail_;
};

TEST_F(RelayQueueTest, ReloadQueuesEveryMessageFileWithItsControlFile) {
    Put("0.m", "1\r\n.\r\n");
    Put("0.r", "3\r\n45000.5\r\n<a@b>\r\nx@far.test\r\n");
    Put("7.m", "2\r\n.\r\n");  // no control file
    Put("9.r", "-1\r\n1\r\n<c@d>\r\n");  // no message file
    Put("5.m.tmp", "partial");
    Put("x.mm", "other");
    mail::ReloadRelayQueue(mail_, relayDir_);
    ASSERT_EQ(mail_.RelayQueueFiles,
              (std::vector<std::string>{relayDir_ + "0.m", relayDir_ + "7.m"}));
    EXPECT_EQ(mail_.RelayQueueTries, (std::vector<std::string>{"3", "-1"}));
    EXPECT_EQ(mail_.RelayQueueTimes, (std::vector<std::string>{"45000.5", "0"}));
    EXPECT_EQ(mail_.RelayQueueSenders, (std::vector<std::string>{"<a@b>", ""}));
}

TEST_F(RelayQueueTest, NextFileSkipsNumbersStillInUse) {
    EXPECT_EQ(mail::NextRelayFile(mail_, relayDir_), relayDir_ + "0.m");
    Put("0.m", "x");
    // Number 1's files are gone, but its worker has not reported back yet.
    mail_.RelaysInFlight.push_back(relayDir_ + "1.m");
    mail::AddRelayEntry(mail_, relayDir_ + "2.m", -1, "<a@b>", 1);
    EXPECT_EQ(mail::NextRelayFile(mail_, relayDir_), relayDir_ + "3.m");
    EXPECT_EQ(mail::NextRelayFile(mail_, relayDir_.substr(0, relayDir_.size() - 1)),
              relayDir_ + "3.m");
}

TEST_F(RelayQueueTest, RemovingDeletesTheFilesAndKeepsTheCursorInTheQueue) {
    for (int n = 0; n < 4; ++n) {
        const std::string m = Put(std::to_string(n) + ".m", "x");
        Put(std::to_string(n) + ".r", "-1\r\n");
        mail::AddRelayEntry(mail_, m, -1, "s" + std::to_string(n), 0);
    }
    mail_.RelayCursor = 3;
    mail::RemoveRelayEntry(mail_, relayDir_ + "3.m");
    EXPECT_FALSE(netunit::WideFileExists(relayDir_ + "3.m"));
    EXPECT_FALSE(netunit::WideFileExists(relayDir_ + "3.r"));
    EXPECT_EQ(mail_.RelayQueueFiles.size(), 3u);
    EXPECT_EQ(mail_.RelayQueueSenders.back(), "s2");
    EXPECT_LT(mail_.RelayCursor, 3);

    mail_.RelayCursor = 1;
    mail::RemoveRelayEntry(mail_, relayDir_ + "2.m");  // behind the cursor: it stays
    EXPECT_EQ(mail_.RelayCursor, 1);
    mail::RemoveRelayEntry(mail_, relayDir_ + "0.m");  // before it: it follows its entry
    EXPECT_EQ(mail_.RelayCursor, 0);
    EXPECT_EQ(mail_.RelayQueueFiles, (std::vector<std::string>{relayDir_ + "1.m"}));
    mail::RemoveRelayEntry(mail_, relayDir_ + "1.m");
    EXPECT_TRUE(mail_.RelayQueueFiles.empty());
    EXPECT_EQ(mail_.RelayCursor, 0);
    mail::RemoveRelayEntry(mail_, relayDir_ + "1.m");  // not queued: nothing happens
}

TEST_F(RelayQueueTest, UpdateSetsTriesAndTime) {
    mail::AddRelayEntry(mail_, relayDir_ + "0.m", -1, "<a@b>", 45000);
    mail::UpdateRelayEntry(mail_, relayDir_ + "0.m", 0, 45001.25);
    EXPECT_EQ(mail_.RelayQueueTries[0], "0");
    EXPECT_EQ(mail_.RelayQueueTimes[0], "45001.25");
}

}  // namespace
