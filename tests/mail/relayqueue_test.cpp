// The window's relay queue lists: rebuilt from the folder at start, new
// numbers that no delivery still holds, and a cursor that stays in the queue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "forms/forms.h"
#include "mail/relayfiles.h"
#include "mail/relayqueue.h"
#include "netunit/files.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"
#include "ui/windowtest.h"

namespace {

class RelayQueueTest : public WindowTest {
protected:
    std::string Put(const std::string& name, const std::string& bytes) {
        const std::string path = form_->RelayDir + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(RelayQueueTest, ReloadQueuesEveryMessageFileWithItsControlFile) {
    form_->Mail.RelayQueueFiles.clear();
    Put("0.m", "1\r\n.\r\n");
    Put("0.r", "3\r\n45000.5\r\n<a@b>\r\nx@far.test\r\n");
    Put("7.m", "2\r\n.\r\n");  // no control file
    Put("9.r", "-1\r\n1\r\n<c@d>\r\n");  // no message file
    Put("5.m.tmp", "partial");
    Put("x.mm", "other");
    mail::ReloadRelayQueue(form_->Mail, form_->RelayDir);
    ASSERT_EQ(form_->Mail.RelayQueueFiles,
              (std::vector<std::string>{form_->RelayDir + "0.m", form_->RelayDir + "7.m"}));
    EXPECT_EQ(form_->Mail.RelayQueueTries, (std::vector<std::string>{"3", "-1"}));
    EXPECT_EQ(form_->Mail.RelayQueueTimes, (std::vector<std::string>{"45000.5", "0"}));
    EXPECT_EQ(form_->Mail.RelayQueueSenders, (std::vector<std::string>{"<a@b>", ""}));
}

TEST_F(RelayQueueTest, NextFileSkipsNumbersStillInUse) {
    EXPECT_EQ(mail::NextRelayFile(form_->Mail, form_->RelayDir), form_->RelayDir + "0.m");
    Put("0.m", "x");
    // Number 1's files are gone, but its worker has not reported back yet.
    form_->Mail.RelaysInFlight.push_back(form_->RelayDir + "1.m");
    mail::AddRelayEntry(form_->Mail, form_->RelayDir + "2.m", -1, "<a@b>", 1);
    EXPECT_EQ(mail::NextRelayFile(form_->Mail, form_->RelayDir), form_->RelayDir + "3.m");
    EXPECT_EQ(mail::NextRelayFile(form_->Mail, form_->RelayDir.substr(0, form_->RelayDir.size() - 1)),
              form_->RelayDir + "3.m");
}

TEST_F(RelayQueueTest, RemovingDeletesTheFilesAndKeepsTheCursorInTheQueue) {
    for (int n = 0; n < 4; ++n) {
        const std::string m = Put(std::to_string(n) + ".m", "x");
        Put(std::to_string(n) + ".r", "-1\r\n");
        mail::AddRelayEntry(form_->Mail, m, -1, "s" + std::to_string(n), 0);
    }
    form_->Mail.RelayCursor = 3;
    mail::RemoveRelayEntry(form_->Mail, form_->RelayDir + "3.m");
    EXPECT_FALSE(netunit::WideFileExists(form_->RelayDir + "3.m"));
    EXPECT_FALSE(netunit::WideFileExists(form_->RelayDir + "3.r"));
    EXPECT_EQ(form_->Mail.RelayQueueFiles.size(), 3u);
    EXPECT_EQ(form_->Mail.RelayQueueSenders.back(), "s2");
    EXPECT_LT(form_->Mail.RelayCursor, 3);

    form_->Mail.RelayCursor = 1;
    mail::RemoveRelayEntry(form_->Mail, form_->RelayDir + "2.m");  // behind the cursor: it stays
    EXPECT_EQ(form_->Mail.RelayCursor, 1);
    mail::RemoveRelayEntry(form_->Mail, form_->RelayDir + "0.m");  // before it: it follows its entry
    EXPECT_EQ(form_->Mail.RelayCursor, 0);
    EXPECT_EQ(form_->Mail.RelayQueueFiles, (std::vector<std::string>{form_->RelayDir + "1.m"}));
    mail::RemoveRelayEntry(form_->Mail, form_->RelayDir + "1.m");
    EXPECT_TRUE(form_->Mail.RelayQueueFiles.empty());
    EXPECT_EQ(form_->Mail.RelayCursor, 0);
    mail::RemoveRelayEntry(form_->Mail, form_->RelayDir + "1.m");  // not queued: nothing happens
}

TEST_F(RelayQueueTest, UpdateSetsTriesAndTime) {
    mail::AddRelayEntry(form_->Mail, form_->RelayDir + "0.m", -1, "<a@b>", 45000);
    mail::UpdateRelayEntry(form_->Mail, form_->RelayDir + "0.m", 0, 45001.25);
    EXPECT_EQ(form_->Mail.RelayQueueTries[0], "0");
    EXPECT_EQ(form_->Mail.RelayQueueTimes[0], "45001.25");
}

}  // namespace
