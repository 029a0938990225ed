// The HTTP step with no window: a small engine, the session's own record and
// a settings snapshot are all it is given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/testface.h"
#include "../netunit/tempdir.h"
#include "http/httpsession.h"

namespace {

class HttpStepTest : public ::testing::Test {
protected:
    HttpStepTest() {
        dir_.Write("www/index.html", "<p>home</p>");
        dir_.Write("www/big.txt", std::string(10000, 'x'));
        settings_.Map.WebDir = dir_ / "www/";
        settings_.Map.WebIndex = "index.html";
        settings_.Map.HomeDir = dir_ / "home/";
        settings_.Map.Accounts = &accounts_;
        settings_.Map.WebDomains = &domains_;
        settings_.Map.VirtualPaths = &paths_;
        settings_.Map.ScriptTypes = &scripts_;
        settings_.MimeTypes = &mimes_;
    }

    // Sends Request and steps the session until it has closed; the peer's whole answer.
    std::string Exchange(const std::string& request) {
        RawPeer peer;
        tsession* session = face_.Accept(peer, kKindHttp);
        if (session == nullptr) return {};
        peer.SendAll(request);
        http::HttpStep step{face_, http_, nullptr, settings_};
        face_.RunUntil(session, [&](tsession* s, int i) { http::StepSession(step, s, i); }, [] { return false; });
        EXPECT_FALSE(face_.Open(session)) << "the session did not close";
        return peer.ReadAvailable(500);
    }

    TempDir dir_;
    core::AccountList accounts_;
    core::RecordList<core::twebdomain> domains_;
    core::RecordList<core::tvirtualpath> paths_;
    core::RecordList<core::tscripttype> scripts_;
    std::vector<std::string> mimes_{"txt   text/plain"};
    http::HttpSettings settings_;
    TestFace face_;
    http::thttpstate http_;
};

TEST_F(HttpStepTest, ServesAFileInChunksAndRecordsTheDownloadAsTheSnapshotSays) {
    settings_.MonitorDownloads = true;
    const std::string answer = Exchange("GET /big.txt HTTP/1.0\r\nHost: h\r\n\r\n");
    ASSERT_EQ(answer.rfind("HTTP/1.0 200", 0), 0u) << answer.substr(0, 80);
    EXPECT_NE(answer.find("text/plain"), std::string::npos);
    EXPECT_EQ(answer.size() - answer.find("\r\n\r\n") - 4, 10000u);
    ASSERT_EQ(face_.Downloads.size(), 1u);
    EXPECT_EQ(face_.Downloads[0], dir_ / "www/big.txt for Anonymous (http)");
    EXPECT_TRUE(face_.Stats.empty()) << "the statistics monitor is off in the snapshot";
    EXPECT_TRUE(face_.Logged("Downloading /big.txt"));
}

TEST_F(HttpStepTest, WelcomeFileAndNotFoundFollowTheSnapshot) {
    EXPECT_NE(Exchange("GET / HTTP/1.0\r\n\r\n").find("<p>home</p>"), std::string::npos);
    // A folder without a welcome file is listed only when the snapshot allows listings.
    dir_.Write("www/sub/a.txt", "a");
    settings_.DirListings = false;
    EXPECT_NE(Exchange("GET /sub/ HTTP/1.0\r\n\r\n").find(" 404"), std::string::npos);
    EXPECT_NE(Exchange("GET /missing.txt HTTP/1.0\r\n\r\n").find(" 404"), std::string::npos);
}

TEST_F(HttpStepTest, ATriggerLineClosesWithoutAnAnswer) {
    face_.Trigger = "evil";
    EXPECT_EQ(Exchange("GET /evil HTTP/1.0\r\n\r\n"), "");
    EXPECT_TRUE(face_.Logged("Blacklisted! Trigger line was \"GET /evil HTTP/1.0\""));
}

TEST(EnterState, TellsTheDebugLogOnlyWhenItIsOn) {
    TestFace face;
    tsession session;
    session.Kind = kKindHttp;
    http::EnterState(&session, http::kHttpSendingFile);
    EXPECT_EQ(session.State, http::kHttpSendingFile);
    EXPECT_TRUE(face.Log.empty()) << "the debug log is off unless switched on";
    core::SetDebugLog(&face);
    http::EnterState(&session, http::kHttpClosing);
    core::SetDebugLog(nullptr);
    ASSERT_EQ(face.Log.size(), 1u);
    EXPECT_NE(face.Log[0].find("State sending file -> closing"), std::string::npos) << face.Log[0];
}

}  // namespace
