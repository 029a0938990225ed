// The HTTP step with no window: a small engine, the session's own record and
// a settings snapshot are all it is given.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../core/testface.h"
#include "../netunit/tempdir.h"
#include "http/httpsession.h"
#include "http/isapicache.h"
#include "http/isapirequest.h"
#include "http/httpreplies.h"
#include "http/listing.h"

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
        settings_.WebPort = "8123";
        settings_.Environment = &environment_;
    }

    // Programs switched on in the snapshot, from the folder cgi/ as /cgi-bin/.
    void UseCgiFolder() {
        settings_.Map.CgiEnabled = true;
        settings_.Map.CgiDir = dir_ / "cgi/";
        settings_.Map.CgiAlias = "cgi-bin";
        std::filesystem::create_directories(settings_.Map.CgiDir);
    }
    void AddProgram(const std::string& name, const std::string& script) {
        UseCgiFolder();
        const std::string path = dir_.Write("cgi/" + name, script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }

    // What the client reads after the header.
    static std::string Body(const std::string& answer) {
        const size_t end = answer.find("\r\n\r\n");
        return end == std::string::npos ? std::string() : answer.substr(end + 4);
    }

    // Sends Request and steps the session until it has closed; the peer's whole answer.
    std::string Exchange(const std::string& request) {
        http::HttpStep step{face_, http_, {nullptr, settings_}};
        return face_.Exchange(kKindHttp, request, [&](tsession* s, int i) { http::StepSession(step, s, i); });
    }

    TempDir dir_;
    core::AccountList accounts_;
    core::RecordList<core::twebdomain> domains_;
    core::RecordList<core::tvirtualpath> paths_;
    core::RecordList<core::tscripttype> scripts_;
    http::tmimelist mimes_ = [] {
        http::tmimelist list;
        list.Edit() = {"txt   text/plain", "shtml   text/html"};
        return list;
    }();
    std::vector<std::string> environment_{"QN_INHERITED=from the server"};
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

// What each kind of name on disk is answered with, for GET and HEAD: the
// folder and file tests and the size come from as few looks at the name as
// possible, and the answers must not depend on how many that is.
TEST_F(HttpStepTest, EachKindOfNameGetsItsAnswer) {
    dir_.Write("www/one.txt", "hello");
    dir_.Write("www/empty.txt", "");
    dir_.Write("www/sub/a.txt", "a");
    dir_.Write("www/site/index.html", "<p>site</p>");
    ASSERT_EQ(::mkfifo((dir_ / "www/pipe.txt").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir_ / "www/nowhere.txt", dir_ / "www/dangling.txt");
    std::filesystem::create_symlink(dir_ / "www/one.txt", dir_ / "www/link.txt");
    std::filesystem::create_symlink(dir_ / "www/site", dir_ / "www/linkedsite");
    settings_.DirListings = false;
    const std::string oneHeader = http::FileHeader("text/plain", 5);
    struct Row {
        const char* what;
        const char* request;
        std::string answer;
    } rows[] = {
        {"regular file", "GET /one.txt", oneHeader + "hello"},
        {"regular file, HEAD", "HEAD /one.txt", oneHeader},
        {"link to a file", "GET /link.txt", oneHeader + "hello"},
        {"empty file", "GET /empty.txt", http::EmptyDocumentPage()},
        {"folder without its slash", "GET /sub", http::MovedReply("/sub/")},
        {"linked folder without its slash", "GET /linkedsite", http::MovedReply("/linkedsite/")},
        {"folder without a welcome file", "GET /sub/", http::NotFoundReply()},
        {"folder with a welcome file", "GET /site/", http::FileHeader("text/html", 11) + "<p>site</p>"},
        {"linked folder with a welcome file", "GET /linkedsite/", http::FileHeader("text/html", 11) + "<p>site</p>"},
        {"file named with a trailing slash", "GET /one.txt/", http::NotFoundReply()},
        {"missing name", "GET /missing.txt", http::NotFoundReply()},
        {"missing name, HEAD", "HEAD /missing.txt", http::ReplyHeader(http::NotFoundReply())},
        {"FIFO", "GET /pipe.txt", http::BadRequestPage()},
        {"FIFO, HEAD", "HEAD /pipe.txt", http::ReplyHeader(http::BadRequestPage())},
        {"dangling link", "GET /dangling.txt", http::BadRequestPage()},
        {"dangling link, HEAD", "HEAD /dangling.txt", http::ReplyHeader(http::BadRequestPage())},
    };
    mimes_.Edit().push_back("html   text/html");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Exchange(std::string(row.request) + " HTTP/1.0\r\n\r\n"), row.answer);
    }
}

TEST_F(HttpStepTest, ATriggerLineClosesWithoutAnAnswer) {
    face_.Trigger = "evil";
    EXPECT_EQ(Exchange("GET /evil HTTP/1.0\r\n\r\n"), "");
    EXPECT_TRUE(face_.Logged("Blacklisted! Trigger line was \"GET /evil HTTP/1.0\""));
}

TEST_F(HttpStepTest, ListsAFolderWithTheHostAsReceived) {
    settings_.DirListings = true;
    dir_.Write("www/sub/a.txt", "a");
    dir_.Write("www/sub/inner/b.txt", "b");
    const std::string answer = Exchange("GET /sub/ HTTP/1.0\r\nHost: lister.test\r\n\r\n");
    ASSERT_EQ(answer.rfind("HTTP/1.0 200", 0), 0u) << answer.substr(0, 80);
    EXPECT_NE(answer.find("/sub/ on lister.test"), std::string::npos) << answer;
    EXPECT_NE(answer.find("a.txt"), std::string::npos);
    EXPECT_NE(answer.find("inner"), std::string::npos);
    EXPECT_TRUE(answer.ends_with(http::ListingTail())) << "the listing is closed";
    // The CGI folder is never listed, even when it lies in the site.
    settings_.Map.CgiDir = dir_ / "www/sub/";
    EXPECT_NE(Exchange("GET /sub/ HTTP/1.0\r\n\r\n").find(" 404"), std::string::npos);
}

TEST_F(HttpStepTest, IncludePageTakesItsFilesAndDropsOtherDirectives) {
    settings_.Map.SsiEnabled = true;
    settings_.MonitorStats = true;
    dir_.Write("www/part.txt", "PART");
    dir_.Write("www/page.shtml", "<p>a</p><!--#include file=\"part.txt\" -->\n<!--#echo var=\"DATE_LOCAL\" -->"
                                 "<!--#include file=\"../secret.txt\" --><p>b</p>");
    dir_.Write("secret.txt", "SECRET");
    const std::string answer = Exchange("GET /page.shtml HTTP/1.0\r\n\r\n");
    ASSERT_EQ(answer.rfind("HTTP/1.0 200", 0), 0u) << answer.substr(0, 80);
    EXPECT_NE(answer.find("Content-type: text/html"), std::string::npos) << answer;
    EXPECT_EQ(Body(answer), "<p>a</p>PART\r\n<p>b</p>");
    EXPECT_EQ(face_.Stats, std::vector<std::string>{"page.shtml"}) << "the page is counted as the snapshot says";
    EXPECT_TRUE(face_.Downloads.empty());
}

TEST_F(HttpStepTest, ProgramGetsThePortAndTheServersEnvironmentFromTheSnapshot) {
    AddProgram("env.sh", "#!/bin/sh\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\n"
                         "echo \"$SERVER_PORT $QUERY_STRING $QN_INHERITED\"\n");
    const std::string answer = Exchange("GET /cgi-bin/env.sh?q=1 HTTP/1.0\r\n\r\n");
    ASSERT_EQ(answer.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << answer.substr(0, 80);
    EXPECT_EQ(Body(answer), "8123 q=1 from the server\n");
    EXPECT_TRUE(face_.Logged("CGI (GET): /cgi-bin/env.sh"));
    // Switched off in the snapshot, the program is not run.
    settings_.Map.CgiEnabled = false;
    EXPECT_NE(Exchange("GET /cgi-bin/env.sh HTTP/1.0\r\n\r\n").find(" 404"), std::string::npos);
}

TEST_F(HttpStepTest, ExtensionIsLoadedIntoTheStepsStateAndAnswersThroughTheEngine) {
    UseCgiFolder();
    std::filesystem::create_symlink(QUILLNEST_TEST_EXTENSION, dir_ / "cgi/ext.so");
    http::SetExtensionEngine(&face_);
    const std::string answer = Exchange("GET /cgi-bin/ext.so?vars HTTP/1.0\r\n\r\n");
    http::DropExtensionEngine(&face_);
    EXPECT_NE(answer.find("SERVER_PORT=8123\n"), std::string::npos) << answer;
    EXPECT_NE(answer.find("query=vars\n"), std::string::npos) << answer;
    ASSERT_EQ(http_.IsapiCache.size(), 1u);
    EXPECT_EQ(http_.IsapiCache[0]->Path, dir_ / "cgi/ext.so");
    EXPECT_TRUE(face_.Logged("[HTTP] Loaded ISAPI: " + (dir_ / "cgi/ext.so")));
    http::UnloadExtensions(http_);
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
