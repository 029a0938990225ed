// An FTP session inside the program, for what the window's controls change
// while clients are connected: the anonymous limits are read from their
// switches and edits at every step.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/pump.h"
#include "platform/rawpeer.h"
#include "forms/forms.h"
#include "ui/quillnestform.h"
#include "ui/windowtest.h"

namespace {

class FtpFormTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        port_ = UnusedPort();
        form_->ftpport->SetText(std::to_string(port_));
        form_->ftpenabled->SetChecked(true);
        form_->anonymousenabled->SetChecked(true);
        form_->Timer1Timer(form_->Timer1);
        ASSERT_TRUE(form_->FtpListener.Listening);
    }

    // Sends a line and waits for one whole reply line.
    std::string Cmd(RawPeer& peer, const std::string& line) {
        EXPECT_TRUE(peer.SendAll(line + "\r\n"));
        return ReadLine(peer);
    }
    std::string ReadLine(RawPeer& peer) {
        std::string& got = pending_;
        testing_pump::PumpUntil([&] {
            got += peer.ReadAvailable(1);
            return got.find("\r\n") != std::string::npos;
        });
        const size_t end = got.find("\r\n");
        if (end == std::string::npos) return "(no reply)";
        std::string line = got.substr(0, end);
        got.erase(0, end + 2);
        return line;
    }
    void Login(RawPeer& peer, const std::string& user, const std::string& password) {
        ASSERT_TRUE(peer.Connect(port_));
        ASSERT_EQ(ReadLine(peer).substr(0, 4), "220 ");
        ASSERT_EQ(Cmd(peer, "USER " + user).substr(0, 4), "331 ");
        ASSERT_EQ(Cmd(peer, "PASS " + password), "230 ok.. welcome!");
    }

    int port_ = 0;
    std::string pending_;
};

TEST_F(FtpFormTest, LimitSwitchOverAnEditWithoutANumberLimitsNothing) {
    form_->anonmaxconcheck->SetChecked(true);
    form_->anonmaxcon->SetText("");
    form_->anonmaxbancheck->SetChecked(true);
    form_->anonmaxban->SetText("");
    RawPeer first, second;
    Login(first, "anonymous", "a@x");
    pending_.clear();
    Login(second, "anonymous", "b@x");
    form_->anonmaxcon->SetText("1");
    RawPeer third;
    pending_.clear();
    ASSERT_TRUE(third.Connect(port_));
    ReadLine(third);
    Cmd(third, "USER anonymous");
    EXPECT_EQ(Cmd(third, "PASS c@x"), "421 No more connections! :P");
}

}  // namespace
