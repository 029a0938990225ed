// The Telnet step with no window: a small engine, the Telnet state and a
// settings snapshot are all it is given.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../core/testface.h"
#include "telnet/telnet.h"

namespace {

const std::string kDoEcho = "\xff\xfd\x01";
const std::string kChooseOne = "Choose one... ";

class TelnetStepTest : public ::testing::Test {
protected:
    TelnetStepTest() {
        auto bob = std::make_unique<core::tuseraccount>();
        bob->UserName = "bob";
        bob->Password = "pw";
        bob->TelnetAllowed = true;
        bob->Superuser = true;
        accounts_.push_back(std::move(bob));
        settings_.Accounts = &accounts_;
        settings_.ConsolePrograms = &programs_;
        settings_.Environment = &environment_;
    }

    // Connects, answers the echo offer and waits for the login prompt.
    tsession* Connect() {
        session_ = face_.Accept(peer_, kKindTelnet);
        if (session_ == nullptr) return nullptr;
        EXPECT_TRUE(Until("\xff\xfb\x01"));
        peer_.SendAll(kDoEcho);
        EXPECT_TRUE(Until("login: "));
        return session_;
    }

    // Steps the session until the peer has received Text (true) or the
    // session has closed or the time is up (false). What came is in got_.
    bool Until(const std::string& text) {
        const size_t from = got_.size();
        face_.RunUntil(session_, [&](tsession* s, int i) { Step(s, i); }, [&] {
            got_ += peer_.ReadAvailable(0);
            return got_.find(text, from) != std::string::npos;
        });
        got_ += peer_.ReadAvailable(50);
        return got_.find(text, from) != std::string::npos;
    }

    // Types Text and steps until the peer has received Answer.
    bool Type(const std::string& text, const std::string& answer) {
        peer_.SendAll(text);
        return Until(answer);
    }

    void Step(tsession* s, int i) {
        telnet::TelnetStep step{face_, state_, {nullptr, settings_}};
        telnet::StepTelnet(step, s, i);
    }

    core::tuseraccount& Bob() { return *accounts_[0]; }

    core::AccountList accounts_;
    core::RecordList<core::tconsoleprogram> programs_;
    std::vector<std::string> environment_;
    telnet::TelnetSettings settings_;
    telnet::ttelnetstate state_;
    TestFace face_;
    RawPeer peer_;
    tsession* session_ = nullptr;
    std::string got_;
};

TEST_F(TelnetStepTest, ALoginReachesTheMenuAndZeroEnds) {
    ASSERT_NE(Connect(), nullptr);
    ASSERT_TRUE(Type("bob\r", "Password: "));
    ASSERT_TRUE(Type("pw\r", kChooseOne)) << got_;
    EXPECT_NE(got_.find("Welcome bob!"), std::string::npos) << got_;
    EXPECT_TRUE(face_.Logged("Logged in."));
    peer_.SendAll("0");
    face_.RunUntil(session_, [&](tsession* s, int i) { Step(s, i); }, [] { return false; });
    EXPECT_FALSE(face_.Open(session_));
}

TEST_F(TelnetStepTest, TheThirdFailedLoginEndsTheSession) {
    ASSERT_NE(Connect(), nullptr);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        ASSERT_TRUE(Type("bob\r", "Password: "));
        ASSERT_TRUE(Type("nope\r", "Invalid username or password.")) << attempt;
        EXPECT_EQ(telnet::LoginAttempt(*session_), attempt + 1);
    }
    ASSERT_TRUE(Type("bob\r", "Password: "));
    peer_.SendAll("nope\r");
    face_.RunUntil(session_, [&](tsession* s, int i) { Step(s, i); }, [] { return false; });
    EXPECT_FALSE(face_.Open(session_));
}

// The command prompt is offered to a superuser only while the snapshot's
// switch is on; the menu shown follows the switch at each step.
TEST_F(TelnetStepTest, TheMenuFollowsTheCommandPromptSwitch) {
    ASSERT_NE(Connect(), nullptr);
    ASSERT_TRUE(Type("bob\r", "Password: "));
    ASSERT_TRUE(Type("pw\r", kChooseOne));
    EXPECT_EQ(got_.find("(3) Command Prompt."), std::string::npos);
    settings_.CommandPrompt = true;
    ASSERT_TRUE(Type("1", "Enter new password: "));
    ASSERT_TRUE(Type("\x03", kChooseOne));  // cancelled: back at the menu
    EXPECT_NE(got_.find("(3) Command Prompt."), std::string::npos);
}

TEST_F(TelnetStepTest, ThePasswordChangeWritesTheAccount) {
    ASSERT_NE(Connect(), nullptr);
    ASSERT_TRUE(Type("bob\r", "Password: "));
    ASSERT_TRUE(Type("pw\r", kChooseOne));
    ASSERT_TRUE(Type("1", "Enter new password: "));
    EXPECT_EQ(telnet::ChangeScreenEntry(*session_), telnet::kEntryNew);
    ASSERT_TRUE(Type("other\r", "Confirm new password: "));
    EXPECT_EQ(telnet::ChangeScreenEntry(*session_), telnet::kEntryConfirm);
    ASSERT_TRUE(Type("typo\r", "Passwords did not match!"));
    EXPECT_EQ(Bob().Password, "pw");
    ASSERT_TRUE(Type("x", kChooseOne));
    ASSERT_TRUE(Type("1", "Enter new password: "));
    ASSERT_TRUE(Type("other\r", "Confirm new password: "));
    ASSERT_TRUE(Type("other\r", "Password changed."));
    EXPECT_EQ(Bob().Password, "other");
    EXPECT_TRUE(face_.Logged("Changed password."));
}

}  // namespace
