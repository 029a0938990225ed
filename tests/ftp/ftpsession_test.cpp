// An FTP session whose account is removed while its client is connected:
// every command that needs the account fails with a reply, none goes silent.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "../core/testface.h"
#include "../netunit/tempdir.h"
#include "ftp/ftpsession.h"
#include "ftp/ftpsettings.h"

namespace {

class FtpSessionTest : public ::testing::Test {
protected:
    FtpSessionTest() {
        auto ann = std::make_unique<core::tuseraccount>();
        ann->UserName = "ann";
        ann->Password = "pw";
        ann->FtpAllowed = true;
        accounts_.push_back(std::move(ann));
        std::filesystem::create_directories(dir_ / "home/ann");
        settings_.HomeDir = dir_ / "home/";
        settings_.Accounts = &accounts_;
        settings_.AnonymousPaths = &paths_;
        settings_.SharedPaths = &paths_;
        settings_.SuperuserPaths = &paths_;
        settings_.AnonymousOn = true;
    }

    // Each step takes the snapshot afresh, as the window's steps do.
    void Step(tsession* s, int index) {
        ftp::FtpStep step{face_, s, index, nullptr, {nullptr, settings_}};
        ftp::StepFtp(step);
    }
    // Sends a line and steps the session until one whole reply line has come.
    std::string Cmd(const std::string& line) {
        EXPECT_TRUE(peer_.SendAll(line + "\r\n"));
        return ReadLine();
    }
    std::string ReadLine() {
        face_.RunUntil(session_, [this](tsession* s, int i) { Step(s, i); }, [&] {
            pending_ += peer_.ReadAvailable(1);
            return pending_.find("\r\n") != std::string::npos;
        });
        const size_t end = pending_.find("\r\n");
        if (end == std::string::npos) return "(no reply)";
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 2);
        return line;
    }
    void Login(const std::string& user, const std::string& password) {
        session_ = face_.Accept(peer_, kKindFtp);
        ASSERT_NE(session_, nullptr);
        ASSERT_EQ(ReadLine().substr(0, 4), "220 ");
        ASSERT_EQ(Cmd("USER " + user).substr(0, 4), "331 ");
        ASSERT_EQ(Cmd("PASS " + password), "230 ok.. welcome!");
    }

    TempDir dir_;
    core::AccountList accounts_;
    core::FtpPathList paths_;
    ftp::FtpSettings settings_;
    TestFace face_;
    RawPeer peer_;
    tsession* session_ = nullptr;
    std::string pending_;
};

TEST_F(FtpSessionTest, RemovedAccountGetsFailureRepliesNotSilence) {
    Login("ann", "pw");
    ASSERT_EQ(Cmd("CWD /home/ann"), "250 CWD command successful.");
    accounts_.clear();
    EXPECT_EQ(Cmd("CWD /home"), "550 No such directory.");
    EXPECT_EQ(Cmd("CDUP"), "550 No such directory.");
    EXPECT_EQ(Cmd("DELE x"), "550 Invalid User!");
    EXPECT_EQ(Cmd("SIZE x"), "550 No such file.");
    EXPECT_EQ(Cmd("PWD"), "257 \"/home/ann\" is current directory.");
}

}  // namespace
