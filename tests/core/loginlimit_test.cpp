// The answer to a failed login is held back for a while, and the answer to
// the last allowed failure ends the session; the clock is the test's.
#include "core/loginlimit.h"

#include <gtest/gtest.h>

#include <string>

#include "testface.h"

namespace core {
namespace {

void ToState(tsession* session, int32_t state) { session->State = state; }

class LoginLimitTest : public ::testing::Test {
protected:
    void SetUp() override { session_ = face_.Accept(peer_, kKindPop3); }

    // Asks as the step does at that time; what the peer got meanwhile.
    bool HeldAt(tloginclock::time_point when) { return LoginAnswerHeld(face_, session_, ToState, when); }
    std::string Received() {
        testing_pump::PumpFor(20);
        return peer_.ReadAvailable(50);
    }

    TestFace face_;
    RawPeer peer_;
    tsession* session_ = nullptr;
    const tloginclock::time_point t0_ = tloginclock::now();
};

TEST_F(LoginLimitTest, TheAnswerLeavesOnlyOnceTheDelayHasPassed) {
    ASSERT_NE(session_, nullptr);
    EXPECT_FALSE(HeldAt(t0_)) << "nothing is held before a failure";
    HoldFailedLogin(session_, "-ERR Access Denied!", t0_);
    EXPECT_TRUE(HeldAt(t0_));
    EXPECT_TRUE(HeldAt(t0_ + kFailedLoginDelay - std::chrono::milliseconds(1)));
    EXPECT_EQ(Received(), "");
    EXPECT_TRUE(HeldAt(t0_ + kFailedLoginDelay)) << "the step that sends the answer takes no command";
    EXPECT_EQ(Received(), "-ERR Access Denied!\r\n");
    EXPECT_FALSE(HeldAt(t0_ + kFailedLoginDelay));
    EXPECT_EQ(session_->State, kStateAccepted);
}

TEST_F(LoginLimitTest, TheAnswerToTheLastAllowedFailureEndsTheSession) {
    ASSERT_NE(session_, nullptr);
    tloginclock::time_point now = t0_;
    for (int32_t failure = 1; failure <= kFailedLoginsMost; ++failure) {
        SCOPED_TRACE(failure);
        HoldFailedLogin(session_, "530 Login Incorrect! :P", now);
        now += kFailedLoginDelay;
        EXPECT_TRUE(HeldAt(now));
        EXPECT_EQ(Received(), "530 Login Incorrect! :P\r\n");
        EXPECT_EQ(session_->State, failure < kFailedLoginsMost ? kStateAccepted : kStateClosing);
    }
}

}  // namespace
}  // namespace core
