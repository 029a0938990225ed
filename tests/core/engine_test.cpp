// The engine on a face of its own with fake steps: the order of the steps in
// a run, a session that frees itself, a step that throws, a dead socket.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/engine.h"
#include "core/testface.h"

namespace {

void SetState(tsession* session, int32_t State) { session->State = State; }

tsession* AddSession(TestFace& face, int socket) {
    auto* s = new tsession;
    s->Kind = kKindTelnet;
    s->Socket = socket;
    s->PeerAddress = "10.0.0." + std::to_string(socket % 100);
    face.SessionList.push_back(s);
    return s;
}

TEST(Engine, ASessionThatFreesItselfDoesNotLoseTheNextOne) {
    TestFace face;
    AddSession(face, 501)->State = kStateClosing;
    AddSession(face, 502);
    AddSession(face, 503);
    std::vector<int> trace;
    core::RunEngine(
        face,
        [&](tsession* session, int index) {
            trace.push_back(session->Socket);
            if (session->State == kStateClosing) face.CloseSessionStep(session, index);
        },
        SetState);
    // Pass 1: 501 frees itself, 502 moves into its index and waits for the
    // next pass, 503 is stepped; every later pass steps 502 and 503.
    std::vector<int> expected = {501, 503};
    for (int pass = 2; pass <= core::kPassesPerRun; ++pass) expected.insert(expected.end(), {502, 503});
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(face.SessionList.size(), 2u);
    EXPECT_TRUE(face.Logged("10.0.0.1 disconnected."));
}

TEST(Engine, AStepThatThrowsClosesOnlyItsSessionAndTheRunGoesOn) {
    struct Case {
        bool standard;  // a std::exception, or anything else
        const char* what;
    } cases[] = {{true, "std::exception"}, {false, "another type"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestFace face;
        tsession* bad = AddSession(face, 601);
        tsession* good = AddSession(face, 602);
        int goodSteps = 0;
        core::RunEngine(
            face,
            [&](tsession* session, int) {
                if (session == good) ++goodSteps;
                if (session != bad || session->State == kStateClosing) return;
                if (c.standard) throw std::runtime_error("step failed");
                throw 1;
            },
            SetState);
        EXPECT_EQ(bad->State, kStateClosing);
        EXPECT_EQ(good->State, kStateAccepted);
        EXPECT_EQ(goodSteps, core::kPassesPerRun);
    }
}

TEST(Engine, ASessionWhoseSocketDiedIsClosingBeforeItsStep) {
    TestFace face;
    RawPeer peer;
    tsession* session = face.Accept(peer, kKindTelnet);
    ASSERT_NE(session, nullptr);
    peer.Reset();
    ASSERT_TRUE(face.RunUntil(session, [](tsession*, int) {}, [&] { return face.netsockets->IsDead(session->Socket); }));
    std::vector<int32_t> seen;
    core::RunEngine(face, [&](tsession* s, int) { seen.push_back(s->State); }, SetState);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), kStateClosing);
}

}  // namespace
