// The FTP step with no window: a small engine, a settings snapshot and an
// upload hook are all it is given.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../core/testface.h"
#include "../netunit/tempdir.h"
#include "ftp/ftpsession.h"
#include "ftp/ftpsettings.h"

namespace {

// A loopback listener for the data connection of active mode.
class DataListener {
public:
    DataListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        bind(fd_, reinterpret_cast<sockaddr*>(&at), size);
        listen(fd_, 1);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size);
        port_ = ntohs(at.sin_port);
    }
    ~DataListener() { close(fd_); }
    // "PORT 127,0,0,1,hi,lo" for this listener.
    std::string PortCommand() const {
        return "PORT 127,0,0,1," + std::to_string(port_ / 256) + "," + std::to_string(port_ % 256);
    }
    // The server's connection, once it has come.
    void AcceptInto(RawPeer& peer) { peer.Adopt(accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)); }

private:
    int fd_ = -1;
    int port_ = 0;
};

struct tupload {
    std::string Name, Folder, User;
};

class FtpStepTest : public ::testing::Test {
protected:
    FtpStepTest() {
        std::filesystem::create_directories(dir_ / "home/ann/sub");
        std::filesystem::create_directories(dir_ / "home/bob");
        std::filesystem::create_directories(dir_ / "pub");
        std::filesystem::create_directories(dir_ / "docs");
        AddAccount("ann", "pw", true);
        AddAccount("bob", "pw", false);
        AddPath(anonymousPaths_, "pub");
        AddPath(anonymousPaths_, "docs");
        settings_.ServerName = "Nest";
        settings_.WindowCaption = "Quillnest test";
        settings_.HomeDir = dir_ / "home/";
        settings_.Accounts = &accounts_;
        settings_.AnonymousPaths = &anonymousPaths_;
        settings_.SharedPaths = &sharedPaths_;
        settings_.SuperuserPaths = &superPaths_;
        settings_.AnonymousOn = true;
        settings_.AnonymousAliases = {"pub", "docs"};
        settings_.Anonymous = ftp::AnonymousAccount(false, "", false, "");
    }

    void AddAccount(const std::string& name, const std::string& password, bool ftp) {
        auto a = std::make_unique<core::tuseraccount>();
        a->UserName = name;
        a->Password = password;
        a->FtpAllowed = ftp;
        accounts_.push_back(std::move(a));
    }
    void AddPath(core::FtpPathList& list, const std::string& alias) {
        auto p = std::make_unique<core::tftppath>();
        p->Alias = alias;
        p->LocalDir = dir_ / alias;
        p->FileRead = p->DirList = true;
        list.push_back(std::move(p));
    }

    // Each step takes the snapshot afresh, as the window's steps do.
    void Step(tsession* s, int index) {
        auto recordUpload = [this](const std::string& name, const std::string& folder, const std::string& user) {
            uploads_.push_back({name, folder, user});
        };
        ftp::FtpStep step{face_, s, index, recordUpload, {nullptr, settings_}};
        ftp::StepFtp(step);
    }

    // Connects a client; the greeting line.
    std::string Connect() {
        session_ = face_.Accept(*peer_, kKindFtp);
        return ReadUntil("\r\n");
    }
    // Steps the session until the client has End; what came before it.
    std::string ReadUntil(const std::string& end) {
        face_.RunUntil(session_, [this](tsession* s, int i) { Step(s, i); },
                       [&] {
                           pending_ += peer_->ReadAvailable(1);
                           return pending_.find(end) != std::string::npos;
                       });
        pending_ += peer_->ReadAvailable(1);
        const size_t at = pending_.find(end);
        if (at == std::string::npos) return "(no reply)";
        std::string got = pending_.substr(0, at);
        pending_.erase(0, at + end.size());
        return got;
    }
    std::string Cmd(const std::string& line) {
        EXPECT_TRUE(peer_->SendAll(line + "\r\n"));
        return ReadUntil("\r\n");
    }
    // QUIT, and the steps that close the session.
    void Quit() {
        Cmd("QUIT");
        EXPECT_TRUE(face_.RunUntil(session_, [this](tsession* s, int i) { Step(s, i); }, [] { return false; }));
        EXPECT_FALSE(face_.Open(session_));
    }
    // USER and PASS; the answer to PASS.
    std::string Login(const std::string& user, const std::string& password) {
        if (session_ == nullptr) Connect();
        Cmd("USER " + user);
        return Cmd("PASS " + password);
    }

    TempDir dir_;
    core::AccountList accounts_;
    core::FtpPathList anonymousPaths_, sharedPaths_, superPaths_;
    ftp::FtpSettings settings_;
    TestFace face_;
    std::unique_ptr<RawPeer> peer_ = std::make_unique<RawPeer>();
    tsession* session_ = nullptr;
    std::string pending_;
    std::vector<tupload> uploads_;
};

TEST_F(FtpStepTest, TheGreetingNamesTheServerOfTheSnapshot) {
    EXPECT_EQ(Connect(), "220 Nest FTP Server (Quillnest) Ready!");
    EXPECT_EQ(Cmd("QUIT"), "221 i'm outta here.");
    EXPECT_TRUE(face_.RunUntil(session_, [this](tsession* s, int i) { Step(s, i); }, [] { return false; }));
    EXPECT_FALSE(face_.Open(session_));
    EXPECT_TRUE(face_.Logged("disconnected."));
}

// Who may log in, as the snapshot's accounts, anonymous switch and parsed
// anonymous limits say.
TEST_F(FtpStepTest, LoginFollowsTheSnapshot) {
    struct Row {
        const char* name;
        const char* user;
        const char* password;
        bool anonymousOn;
        bool connectionLimitOn;
        const char* connectionLimit;
        const char* userReply;
        const char* passReply;
    };
    const char* kEmail = "331 Enter your complete e-mail address.";
    const char* kPassword = "331 Password required.";
    const char* kWelcome = "230 ok.. welcome!";
    const char* kRefused = "530 Login Incorrect! :P";
    const char* kTooMany = "421 No more connections! :P";
    const Row rows[] = {
        {"anonymous", "anonymous", "me@far.test", true, false, "", kEmail, kWelcome},
        {"anonymous in capitals", "ANONYMOUS", "me@far.test", true, false, "", kEmail, kWelcome},
        {"anonymous switched off", "anonymous", "me@far.test", false, false, "", kPassword, kRefused},
        {"anonymous at its limit", "anonymous", "x", true, true, "0", kEmail, kTooMany},
        {"anonymous under its limit", "anonymous", "x", true, true, "1", kEmail, kWelcome},
        {"a limit whose switch is off", "anonymous", "x", true, false, "0", kEmail, kWelcome},
        {"a limit that is no number", "anonymous", "x", true, true, "none", kEmail, kWelcome},
        {"an account", "ann", "pw", true, false, "", kPassword, kWelcome},
        {"an account's name in capitals", "ANN", "pw", true, false, "", kPassword, kWelcome},
        {"a wrong password", "ann", "PW", true, false, "", kPassword, kRefused},
        {"an account without FTP", "bob", "pw", true, false, "", kPassword, kRefused},
        {"no such account", "carl", "pw", true, false, "", kPassword, kRefused},
    };
    for (const Row& row : rows) {
        settings_.AnonymousOn = row.anonymousOn;
        settings_.Anonymous = ftp::AnonymousAccount(row.connectionLimitOn, row.connectionLimit, false, "");
        peer_ = std::make_unique<RawPeer>();
        pending_.clear();
        session_ = nullptr;
        Connect();
        EXPECT_EQ(Cmd(std::string("USER ") + row.user), row.userReply) << row.name;
        EXPECT_EQ(Cmd(std::string("PASS ") + row.password), row.passReply) << row.name;
        Quit();
    }
}

TEST_F(FtpStepTest, TheAnonymousLimitsAreParsedOnce) {
    struct Row {
        bool on;
        const char* text;
        bool limited;
        int value;
    };
    const Row rows[] = {{true, "3", true, 3},
                        {false, "3", false, 0},
                        {true, "", false, 0},
                        {true, "x", false, 0},
                        {true, "99999999999", false, 0}};
    for (const Row& row : rows) {
        const core::tuseraccount a = ftp::AnonymousAccount(row.on, row.text, row.on, row.text);
        EXPECT_EQ(a.ConnectionLimit, row.limited) << row.text;
        if (row.limited) { EXPECT_EQ(a.MaxFtpConnections, row.value) << row.text; }
        EXPECT_EQ(a.UserName, "anonymous");
        EXPECT_EQ(a.FtpInitialPath, "/anonymous");
    }
    const core::tuseraccount speed = ftp::AnonymousAccount(false, "", true, "12.5");
    EXPECT_TRUE(speed.SpeedLimit);
    EXPECT_DOUBLE_EQ(speed.MaxSpeed, 12.5);
    EXPECT_FALSE(ftp::AnonymousAccount(false, "", true, "12,5").SpeedLimit);
}

TEST_F(FtpStepTest, AnAccountMovesThroughItsOwnHomeOnly) {
    ASSERT_EQ(Login("ann", "pw"), "230 ok.. welcome!");
    EXPECT_EQ(Cmd("PWD"), "257 \"/\" is current directory.");
    EXPECT_EQ(Cmd("CWD /home/ann"), "250 CWD command successful.");
    EXPECT_EQ(Cmd("CWD sub"), "250 CWD command successful.");
    EXPECT_EQ(Cmd("PWD"), "257 \"/home/ann/sub\" is current directory.");
    EXPECT_EQ(Cmd("CDUP"), "250 CDUP command successful.");
    EXPECT_EQ(Cmd("PWD"), "257 \"/home/ann\" is current directory.");
    EXPECT_EQ(Cmd("CWD /home/bob"), "550 No such directory.") << "another account's home";
    EXPECT_EQ(Cmd("CWD missing"), "550 No such directory.");
    EXPECT_EQ(Cmd("CWD ../.../ann"), "553 Don't even think about it!!!");
    EXPECT_EQ(Cmd("PWD"), "257 \"/home/ann\" is current directory.");
    EXPECT_EQ(Cmd("CWD /anonymous/pub"), "250 CWD command successful.");
    settings_.AnonymousOn = false;
    EXPECT_EQ(Cmd("CWD /anonymous/docs"), "550 No such directory.") << "the next step sees the switch off";
    EXPECT_EQ(Cmd("PWD"), "257 \"/anonymous/pub\" is current directory.");
}

TEST_F(FtpStepTest, AnonymousStartsInItsRootAndSeesThePublishedAliases) {
    ASSERT_EQ(Login("anonymous", "me@far.test"), "230 ok.. welcome!");
    EXPECT_EQ(Cmd("PWD"), "257 \"/anonymous\" is current directory.");
    EXPECT_EQ(Cmd("CWD /home"), "550 No such directory.");
    EXPECT_EQ(Cmd("CWD pub"), "250 CWD command successful.");
    EXPECT_EQ(Cmd("PWD"), "257 \"/anonymous/pub\" is current directory.");
    // STAT lists a folder on the control connection, the aliases in the
    // order the list box shows them.
    ASSERT_TRUE(peer_->SendAll("STAT /anonymous\r\n"));
    const std::string listing = ReadUntil("211 End of status.\r\n");
    EXPECT_EQ(listing.find("211- status of /anonymous:\r\n"), 0u) << listing;
    const size_t up = listing.find(" ..\r\n"), pub = listing.find(" pub\r\n"), docs = listing.find(" docs\r\n");
    ASSERT_NE(up, std::string::npos) << listing;
    ASSERT_NE(pub, std::string::npos) << listing;
    ASSERT_NE(docs, std::string::npos) << listing;
    EXPECT_LT(up, pub);
    EXPECT_LT(pub, docs);
    // STAT alone names the server and the window.
    ASSERT_TRUE(peer_->SendAll("STAT\r\n"));
    const std::string status = ReadUntil("211 End of status.\r\n");
    EXPECT_EQ(status.find("211-Nest FTP server status.\r\n    Quillnest test\r\n"), 0u) << status;
    EXPECT_NE(status.find("Logged in as anonymous"), std::string::npos) << status;
}

// A finished upload goes to the upload hook and a finished download to the
// face, each only while its monitor in the snapshot is on.
TEST_F(FtpStepTest, TransfersAreRecordedAsTheMonitorsSay) {
    for (const bool monitors : {false, true}) {
        settings_.MonitorUploads = settings_.MonitorDownloads = settings_.MonitorStats = monitors;
        uploads_.clear();
        face_.Downloads.clear();
        face_.Stats.clear();
        if (session_ == nullptr) {
            ASSERT_EQ(Login("ann", "pw"), "230 ok.. welcome!");
        }
        DataListener listener;
        ASSERT_EQ(Cmd(listener.PortCommand()), "200 PORT command successful.");
        EXPECT_EQ(Cmd("STOR /home/ann/up.txt"), "150 Opening connection for transfer.");
        {
            RawPeer data;
            listener.AcceptInto(data);
            ASSERT_TRUE(data.SendAll("uploaded bytes"));
        }
        EXPECT_EQ(ReadUntil("\r\n"), "226 End of transfer.");
        EXPECT_EQ(TempDir::Read(dir_ / "home/ann/up.txt"), "uploaded bytes");
        if (monitors) {
            ASSERT_EQ(uploads_.size(), 1u);
            EXPECT_EQ(uploads_[0].Name, "up.txt");
            EXPECT_EQ(uploads_[0].Folder, dir_ / "home/ann/");
            EXPECT_EQ(uploads_[0].User, "ann");
        } else {
            EXPECT_TRUE(uploads_.empty());
        }

        ASSERT_EQ(Cmd(listener.PortCommand()), "200 PORT command successful.");
        EXPECT_EQ(Cmd("RETR /home/ann/up.txt"), "150 Opening connection for transfer.");
        RawPeer data;
        listener.AcceptInto(data);
        EXPECT_EQ(ReadUntil("\r\n"), "226 End of transfer.");
        EXPECT_EQ(data.ReadAvailable(200), "uploaded bytes");
        if (monitors) {
            EXPECT_EQ(face_.Downloads, std::vector<std::string>{dir_ / "home/ann/up.txt for ann"});
            EXPECT_EQ(face_.Stats, std::vector<std::string>{"up.txt"});
        } else {
            EXPECT_TRUE(face_.Downloads.empty());
            EXPECT_TRUE(face_.Stats.empty());
        }
    }
}

}  // namespace
