// The Telnet session on a small engine: a plain socket client on loopback
// while the test pumps the event loop, and the engine runs the Telnet step
// over its sessions on a timer of the same thread, as the server does.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../core/testface.h"
#include "core/accountlookup.h"
#include "core/engine.h"
#include "forms/forms.h"
#include "netunit/files.h"
#include "platform/programdir.h"
#include "platform/pump.h"
#include "platform/sockethandles.h"
#include "telnet/telnet.h"
#include "telnet/telnetclient.h"
#include "telnet/telnetmenu.h"

namespace {

using telnettest::Client;
using telnettest::kChooseOne;
using telnettest::kDoEcho;
using telnettest::kInvalid;
using telnettest::kLoginPrompt;
using telnettest::kWillEcho;
using telnettest::ProcessGone;
using testing_pump::PumpFor;
using testing_pump::PumpUntil;

constexpr int kEngineTickMs = 50;

class TelnetSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/quillnest-telnet-XXXXXX";
        dir_ = mkdtemp(tmpl);
        dir_ += "/";
        platform::SetProgramDir(dir_);
        mkdir((dir_ + "home").c_str(), 0755);
        for (char** e = environ; e != nullptr && *e != nullptr; ++e) environment_.emplace_back(*e);
        settings_.Accounts = &accounts_;
        settings_.ConsolePrograms = &programs_;
        settings_.HomeDir = dir_ + "home/";
        settings_.Environment = &environment_;
        port_ = face_.Port();
        // The server's own cadence: how fast a program's output is taken
        // decides what a client that does not read has been sent meanwhile.
        QObject::connect(&engine_, &QTimer::timeout, [this] { RunEngine(); });
        engine_.start(kEngineTickMs);
        AddAccount("bob", "secret", false, true, true);
        AddAccount("root", "toor", true, true, false);
        AddAccount("mailonly", "pw", false, false, true);
    }
    void TearDown() override {
        engine_.stop();
        // What the server's shutdown ends of the sessions still open.
        for (tsession* s : face_.SessionList) {
            telnet::EndChild(s);
            if (s->TransferFileOpen) netunit::FileCloseHandle(s->TransferFile);
        }
        platform::SetProgramDir("");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // One run of the engine: new connections become Telnet sessions, each
    // with a node for its caption, and every session takes its steps.
    void RunEngine() {
        for (tsession* s : face_.AdoptAccepted(kKindTelnet)) s->Node = tree_.Items()->Add(nullptr, "");
        core::RunEngine(
            face_,
            [this](tsession* s, int i) {
                telnet::TelnetStep step{face_, state_, {nullptr, settings_}};
                telnet::StepTelnet(step, s, i);
            },
            telnet::EnterState);
    }

    core::tuseraccount* AddAccount(const std::string& name, const std::string& password, bool superuser,
                                   bool telnet, bool ftp) {
        auto account = std::make_unique<core::tuseraccount>();
        account->UserName = name;
        account->Password = password;
        account->Superuser = superuser;
        account->TelnetAllowed = telnet;
        account->FtpAllowed = ftp;
        accounts_.push_back(std::move(account));
        mkdir((settings_.HomeDir + name).c_str(), 0755);
        return accounts_.back().get();
    }
    core::tuseraccount* Account(const std::string& name) { return core::FindAccount(accounts_, name); }
    void AddProgram(const std::string& title, const std::string& path, core::ConsoleAccess access) {
        auto program = std::make_unique<core::tconsoleprogram>();
        program->Title = title;
        program->ProgramPath = path;
        program->Access = static_cast<int32_t>(access);
        programs_.push_back(std::move(program));
    }

    // Lists one program for all users, logs bob in and starts it (menu choice
    // 4); the program's heading has arrived.
    std::unique_ptr<Client> BobRuns(const std::string& title, const std::string& path) {
        AddProgram(title, path, core::ConsoleAccess::AllUsers);
        auto client = LoggedIn("bob", "secret");
        client->Send("4");
        EXPECT_TRUE(client->ReadUntil(title + "...\r\n\r\n"));
        client->Take();
        return client;
    }

    std::unique_ptr<Client> AtLogin(int receiveBuffer = 0) { return telnettest::AtLogin(port_, receiveBuffer); }
    std::unique_ptr<Client> LoggedIn(const std::string& name, const std::string& password, int receiveBuffer = 0) {
        return telnettest::LoggedIn(port_, name, password, state_.AutoChoice == -1, receiveBuffer);
    }
    tsession* Session() { return face_.SessionList.empty() ? nullptr : face_.SessionList.back(); }
    // Runs the server until the newest session has read all that was sent to
    // it (loopback delivers at once), so that the next send is a piece of its own.
    void WaitConsumed() {
        EXPECT_TRUE(PumpUntil([&] {
            int waiting = 0;
            if (Session() == nullptr) return true;
            const int fd = platform::DescriptorOf(Session()->Socket);
            return fd < 0 || (ioctl(fd, FIONREAD, &waiting) == 0 && waiting == 0);
        }, 3000));
    }
    std::string Menu(const std::string& name) {
        return telnet::TelnetMenuText(name, *Account(name), settings_.CommandPrompt, programs_);
    }
    int CountLogged(const std::string& text) const {
        int n = 0;
        for (const std::string& line : face_.Log)
            if (line.ends_with(text)) ++n;
        return n;
    }
    bool SessionsGone(int ms = 3000) {
        return PumpUntil([&] { return face_.SessionList.empty(); }, ms);
    }
    // Members of the process group that are still running (zombies are dead).
    static int LiveGroupMembers(pid_t group) {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::ifstream stat(entry.path() / "stat");
            std::string all((std::istreambuf_iterator<char>(stat)), {});
            const size_t close = all.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream rest(all.substr(close + 2));
            std::string state;
            long ppid = 0, pgrp = 0;
            rest >> state >> ppid >> pgrp;
            if (pgrp == group && state != "Z" && state != "X") ++n;
        }
        return n;
    }

    std::string dir_;
    core::AccountList accounts_;
    core::RecordList<core::tconsoleprogram> programs_;
    std::vector<std::string> environment_;
    telnet::TelnetSettings settings_;
    telnet::ttelnetstate state_;
    forms::TTreeView tree_{nullptr};
    TestFace face_;
    QTimer engine_;
    int port_ = 0;
};

// ---- negotiation, splash and login

TEST_F(TelnetSessionTest, TheServerAsksToEchoAndWaitsForTheAnswer) {
    Client client(port_);
    ASSERT_TRUE(client.ReadUntil(kWillEcho));
    PumpFor(100);
    EXPECT_EQ(client.Take(), kWillEcho) << "the first bytes are IAC WILL ECHO, alone";
    client.Send("hello\r\n\xff\xfc\x01");  // text and IAC WONT ECHO
    PumpFor(150);
    EXPECT_EQ(client.Take(), "") << "nothing but DO ECHO moves the session on";
    client.Send(std::string("\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 9) + kDoEcho);
    ASSERT_TRUE(client.ReadUntil("login: "));
    EXPECT_EQ(client.Take(), kLoginPrompt);
}

TEST_F(TelnetSessionTest, TheSplashFileComesAheadOfTheLoginPromptInPieces) {
    for (size_t size : {size_t{0}, size_t{100}, size_t{4096}, size_t{5000}, size_t{9000}}) {
        SCOPED_TRACE("splash of " + std::to_string(size) + " bytes");
        std::string splash;
        for (size_t i = 0; i < size; ++i) splash += static_cast<char>('a' + i % 26);
        std::ofstream(dir_ + "splash.ans", std::ios::binary) << splash;
        settings_.SplashFile = "splash.ans";
        Client client(port_);
        ASSERT_TRUE(client.ReadUntil(kWillEcho));
        client.Take();
        client.Send(kDoEcho);
        ASSERT_TRUE(client.ReadUntil("login: "));
        EXPECT_EQ(client.Take(), splash + kLoginPrompt);
        EXPECT_FALSE(Session()->TransferFileOpen);
        client.Close();
        ASSERT_TRUE(SessionsGone());
    }
    settings_.SplashFile = dir_ + "missing.ans";
    Client client(port_);
    ASSERT_TRUE(client.ReadUntil(kWillEcho));
    client.Take();
    client.Send(kDoEcho);
    ASSERT_TRUE(client.ReadUntil("login: "));
    EXPECT_EQ(client.Take(), kLoginPrompt);
}

TEST_F(TelnetSessionTest, UserNameEntryEchoesAndEdits) {
    struct Case {
        const char* what;
        std::string typed;
        bool onePiece;  // else one key at a time
        std::string shown;
        std::string userName;
    };
    const std::vector<Case> cases = {
        {"backspace drops the last character", "bob\b\r", false, "bob\b\r\nPassword: ", "bo"},
        {"a backspace on nothing is not echoed", "\bx\r", false, "x\r\nPassword: ", "x"},
        {"an empty name asks again", "\r\n", false, "\r\nlogin: ", ""},
        {"line feeds are ignored", "a\nb\r", false, "ab\r\nPassword: ", "ab"},
        {"25 characters keep the first 20", "abcdefghijklmnopqrstuvwxy\r", false,
         "abcdefghijklmnopqrst\r\nPassword: ", "abcdefghijklmnopqrst"},
        {"a piece that ends the name is not echoed", "bob\r\n", true, "\r\nPassword: ", "bob"},
        {"a piece that does not end it is", "bo", true, "bo", "bo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto client = AtLogin();
        if (c.onePiece) {
            client->Send(c.typed);
        } else {
            for (char key : c.typed) {
                client->Send(std::string(1, key));
                WaitConsumed();
            }
        }
        ASSERT_TRUE(client->ReadUntil(c.shown)) << client->Got();
        PumpFor(50);
        EXPECT_EQ(client->Take(), c.shown);
        EXPECT_EQ(Session()->UserName, c.userName);
        client->Close();
        ASSERT_TRUE(SessionsGone());
    }
}

TEST_F(TelnetSessionTest, ALoginShowsTheMenuAndLogs) {
    auto client = AtLogin();
    client->Send("bob\r\n");
    ASSERT_TRUE(client->ReadUntil("Password: "));
    EXPECT_EQ(client->Take(), "\r\nPassword: ");
    EXPECT_EQ(Session()->Node->Text(), "[" + std::to_string(Session()->Socket) + ":bob] Attempting to log in.");
    client->Send("secret\r\n");
    ASSERT_TRUE(client->ReadUntil(kChooseOne));
    EXPECT_EQ(client->Take(), Menu("bob")) << "the password is not echoed";
    EXPECT_EQ(CountLogged(":bob] Logged in."), 1);
    EXPECT_EQ(Session()->Node->Text(), "[" + std::to_string(Session()->Socket) + ":bob] Main menu.");
}

TEST_F(TelnetSessionTest, ThreeFailedLoginsCloseHoweverTheLinesArrive) {
    struct Case {
        const char* what;
        std::vector<std::string> pieces;  // each sent after the previous answer
        int invalidAnswers;
    };
    const std::vector<Case> cases = {
        {"one attempt at a time", {"bob\r\n", "x\r\n", "bob\r\n", "y\r\n", "bob\r\n", "z\r\n"}, 2},
        {"five passwords in one piece", {"bob\r\n", "a\rb\rc\rd\re\r"}, 2},
        {"a right password after three wrong ones in the same piece",
         {"bob\r\n", "a\rbob\rb\rbob\rc\rbob\rsecret\r"}, 2},
        {"an account without Telnet rights", {"mailonly\r\n", "pw\r\n", "mailonly\r\n", "pw\r\n", "mailonly\r\n", "pw\r\n"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int denied = CountLogged("Access denied.");
        auto client = AtLogin();
        for (const std::string& piece : c.pieces) {
            client->Send(piece);
            WaitConsumed();
        }
        ASSERT_TRUE(client->WaitClosed());
        std::string all = client->Take();
        int invalid = 0;
        for (size_t at = all.find(kInvalid); at != std::string::npos; at = all.find(kInvalid, at + 1)) ++invalid;
        EXPECT_EQ(invalid, c.invalidAnswers);
        EXPECT_EQ(all.find(kChooseOne), std::string::npos);
        EXPECT_EQ(CountLogged("Access denied.") - denied, 3);
        ASSERT_TRUE(SessionsGone());
    }
}

// What follows a line end in the same piece belongs to the prompt that line
// end moved to: a password typed ahead is the password, never part of the
// user name, and it reaches no log line and no caption.
TEST_F(TelnetSessionTest, APasswordTypedAheadIsThePasswordAndIsNeverShown) {
    struct Case {
        const char* what;
        std::string typed;
        std::string answer;
        std::string caption;  // after the prefix
    };
    const std::vector<Case> cases = {
        {"the right one", "bob\r\nsecret\r\n", kChooseOne, "Main menu."},
        {"a wrong one", "bob\r\nWr0ngPass\r\n", kInvalid, "Access denied."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto client = AtLogin();
        client->Send(c.typed);
        ASSERT_TRUE(client->ReadUntil(c.answer)) << client->Got();
        const std::string prefix = "[" + std::to_string(Session()->Socket) + ":bob] ";
        EXPECT_EQ(Session()->Node->Text(), prefix + c.caption);
        client->Close();
        ASSERT_TRUE(SessionsGone());
    }
    for (const std::string& line : face_.Log) {
        EXPECT_EQ(line.find("secret"), std::string::npos) << line;
        EXPECT_EQ(line.find("Wr0ngPass"), std::string::npos) << line;
    }
}

TEST_F(TelnetSessionTest, ThePasswordChangeTakesEffectOnlyWhenConfirmed) {
    struct Case {
        const char* what;
        std::string newPassword, confirmation;
        std::string answer;
        std::string password;  // the account's afterwards
    };
    const std::vector<Case> cases = {
        {"confirmed", "n3w\b\bew", "new", " Password changed.  Hit any key to continue.", "new"},
        {"mismatched", "new", "old", " Passwords did not match!  Hit any key to continue.", "secret"},
        {"empty and confirmed", "", "", " Password changed.  Hit any key to continue.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Account("bob")->Password = "secret";
        auto client = LoggedIn("bob", "secret");
        client->Send("1");
        ASSERT_TRUE(client->ReadUntil("Enter new password: "));
        EXPECT_EQ(client->Take(),
                  "\x1b[2J\x1b[H\r\n\x1b[1;34m Change Password...  (CTRL+C to cancel)\r\n\r\n\r\n"
                  "\x1b[1;35m  Enter new password: ");
        client->Send(c.newPassword + "\r");
        ASSERT_TRUE(client->ReadUntil("Confirm new password: "));
        EXPECT_EQ(client->Take(), "\r\n  Confirm new password: ");
        client->Send(c.confirmation + "\r");
        ASSERT_TRUE(client->ReadUntil("continue."));
        EXPECT_EQ(client->Take(), "\r\n\r\n" + c.answer);
        EXPECT_EQ(Account("bob")->Password, c.password);
        client->Send("x");
        ASSERT_TRUE(client->ReadUntil(kChooseOne));
        EXPECT_EQ(client->Take(), Menu("bob"));
        client->Close();
        ASSERT_TRUE(SessionsGone());
    }
    EXPECT_EQ(CountLogged(":bob] Changed password."), 2);
}

TEST_F(TelnetSessionTest, ControlCCancelsEitherChangeScreen) {
    auto client = LoggedIn("bob", "secret");
    client->Send("1");
    ASSERT_TRUE(client->ReadUntil("Enter new password: "));
    client->Send("abc\r");
    ASSERT_TRUE(client->ReadUntil("Confirm new password: "));
    client->Take();
    client->Send("ab\x03" "1");
    ASSERT_TRUE(client->ReadUntil(kChooseOne));
    PumpFor(100);
    EXPECT_EQ(client->Take(), Menu("bob")) << "the rest of the piece is dropped";
    EXPECT_EQ(Account("bob")->Password, "secret");
    EXPECT_EQ(Session()->Password, "secret");

    client->Send("2");
    ASSERT_TRUE(client->ReadUntil("(ENTER for none): "));
    client->Send("/x\x03");
    ASSERT_TRUE(client->ReadUntil(kChooseOne));
    EXPECT_EQ(Account("bob")->FtpInitialPath, "");
}

TEST_F(TelnetSessionTest, TheFtpInitialPathChangeSetsOrClearsThePath) {
    Account("bob")->FtpInitialPath = "/old";
    auto client = LoggedIn("bob", "secret");
    client->Send("2");
    ASSERT_TRUE(client->ReadUntil("(ENTER for none): "));
    EXPECT_EQ(client->Take(),
              "\x1b[2J\x1b[H\r\n\x1b[1;34m Change FTP initial path...  (CTRL+C to cancel)\r\n"
              "         Currently \"/old\"\r\n\r\n\r\n\x1b[1;35m  Enter new path (ENTER for none): ");
    client->Send("/pubx\b");
    ASSERT_TRUE(client->ReadUntil("/pubx\b"));
    client->Send("\r");
    ASSERT_TRUE(client->ReadUntil("continue."));
    EXPECT_EQ(client->Take(), "/pubx\b\r\n\r\n Your FTP initial path has been changed.  Hit any key to continue.");
    EXPECT_EQ(Account("bob")->FtpInitialPath, "/pub");
    EXPECT_EQ(CountLogged(":bob] Changed FTP initial path."), 1);
    client->Send(" ");
    ASSERT_TRUE(client->ReadUntil(kChooseOne));
    EXPECT_NE(client->Take().find("Currently \"/pub\"\r\n"), std::string::npos);

    client->Send("2");
    ASSERT_TRUE(client->ReadUntil("(ENTER for none): "));
    client->Send("\r");
    ASSERT_TRUE(client->ReadUntil("continue."));
    client->Send(" ");
    ASSERT_TRUE(client->ReadUntil(kChooseOne));
    EXPECT_EQ(Account("bob")->FtpInitialPath, "");
    EXPECT_NE(client->Take().find("                 Currently none.\r\n"), std::string::npos);
}

TEST_F(TelnetSessionTest, ChoicesOutsideTheAccountsRightsAreIgnored) {
    settings_.CommandPrompt = true;
    Account("mailonly")->TelnetAllowed = true;
    Account("mailonly")->FtpAllowed = false;
    auto client = LoggedIn("mailonly", "pw");
    client->Send("2389");
    PumpFor(200);
    EXPECT_EQ(client->Take(), "") << "no FTP rights, no superuser, no programs";
    EXPECT_EQ(Session()->State, 6);
    client->Send("0");
    EXPECT_TRUE(client->WaitClosed());
}

TEST_F(TelnetSessionTest, AnAccountRemovedMeanwhileEndsTheSession) {
    auto client = LoggedIn("bob", "secret");
    accounts_.erase(accounts_.begin());
    client->Send("1");
    EXPECT_TRUE(client->WaitClosed());
    EXPECT_EQ(client->Take(), "");
}

TEST_F(TelnetSessionTest, AnAutomaticChoiceIsTakenAtEveryMenu) {
    state_.AutoChoice = 1;
    auto client = AtLogin();
    client->Send("bob\r\n");
    ASSERT_TRUE(client->ReadUntil("Password: "));
    client->Take();
    client->Send("secret\r\n");
    ASSERT_TRUE(client->ReadUntil("Enter new password: "));
    EXPECT_EQ(client->Got().find(kChooseOne), std::string::npos) << "no menu before the automatic choice";
    client->Take();
    client->Send("a\r");
    ASSERT_TRUE(client->ReadUntil("Confirm new password: "));
    client->Send("a\r");
    ASSERT_TRUE(client->ReadUntil("continue."));
    client->Take();
    client->Send(" ");
    ASSERT_TRUE(client->ReadUntil("Enter new password: ")) << "back in the change screen after the key";

    state_.AutoChoice = 0;
    auto second = AtLogin();
    second->Send("root\r\n");
    ASSERT_TRUE(second->ReadUntil("Password: "));
    second->Send("toor\r\n");
    EXPECT_TRUE(second->WaitClosed());
}

// ---- programs

TEST_F(TelnetSessionTest, TheCommandPromptRunsInTheHomeFolderAndReturnsToTheMenu) {
    settings_.CommandPrompt = true;
    auto client = LoggedIn("root", "toor");
    client->Send("3");
    ASSERT_TRUE(client->ReadUntil("\x1b[2J\x1b[H\x1b[1;37mCommand Prompt...\r\n\r\n"));
    EXPECT_EQ(Session()->State, 10);
    EXPECT_EQ(CountLogged(":root] Command Prompt."), 1);
    client->Take();
    client->Send("echo hi\r\n");
    ASSERT_TRUE(client->ReadUntil("echo hi\r\nhi\r\n", 5000)) << client->Got();
    PumpFor(100);
    const std::string shown = client->Take();
    EXPECT_NE(shown.find("echo hi\r\nhi\r\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("\r\r"), std::string::npos) << "no stray CR";
    client->Send(std::string("pwd\r\0", 5));
    ASSERT_TRUE(client->ReadUntil("/home/root\r\n", 5000));
    client->Send("exit\r");
    ASSERT_TRUE(client->ReadUntil(kChooseOne, 5000));
    EXPECT_EQ(Session()->State, 6);
    EXPECT_FALSE(Session()->ChildRunning);
    EXPECT_EQ(Session()->Node->Text(), "[" + std::to_string(Session()->Socket) + ":root] Main menu.");
}

TEST_F(TelnetSessionTest, TheCommandPromptIsOnlyForSuperusersWhenSwitchedOn) {
    auto root = LoggedIn("root", "toor");
    root->Send("3");
    PumpFor(200);
    EXPECT_EQ(root->Take(), "");
    EXPECT_EQ(Session()->State, 6);
}

TEST_F(TelnetSessionTest, AConsoleProgramsOutputLeavesBeforeTheMenu) {
    AddProgram("secret tool", "/bin/true", core::ConsoleAccess::SuperusersOnly);
    AddProgram("Fill", "/bin/sh -c \"head -c 60000 /dev/zero | tr '\\\\0' a; echo; echo end\"",
               core::ConsoleAccess::AllUsers);
    auto client = LoggedIn("bob", "secret");
    client->Send("4");
    ASSERT_TRUE(client->ReadUntil(kChooseOne, 5000));
    EXPECT_EQ(client->Take(),
              "\x1b[2J\x1b[H\x1b[1;37mFill...\r\n\r\n" + std::string(60000, 'a') + "\r\nend\r\n" + Menu("bob"));
    EXPECT_EQ(CountLogged(":bob] Fill"), 1);
}

TEST_F(TelnetSessionTest, LineEndsReachTheProgramAsLineFeedsWithoutServerEcho) {
    auto client = BobRuns("cat", "cat");
    client->Send("a\r\n");
    ASSERT_TRUE(client->ReadUntil("a\r\n"));
    client->Send(std::string("b\r\0", 3));
    ASSERT_TRUE(client->ReadUntil("b\r\n"));
    client->Send("c\r");
    ASSERT_TRUE(client->ReadUntil("c\r\n"));
    PumpFor(100);
    EXPECT_EQ(client->Take(), "a\r\nb\r\nc\r\n") << "cat's copy only: a console program gets no server echo";
}

TEST_F(TelnetSessionTest, AProgramThatCannotStartLeavesTheSessionAtTheMenu) {
    AddProgram("broken", "/nonexistent/program", core::ConsoleAccess::AllUsers);
    auto client = LoggedIn("bob", "secret");
    client->Send("4");
    PumpFor(200);
    EXPECT_EQ(client->Take(), "");
    // A line of its own, with no session prefix.
    EXPECT_EQ(std::count(face_.Log.begin(), face_.Log.end(), "didnt run for some reason"), 1);
    EXPECT_EQ(Session()->State, 6);
    client->Send("1");
    EXPECT_TRUE(client->ReadUntil("Enter new password: "));
}

TEST_F(TelnetSessionTest, ClosingTheConnectionEndsTheProgramAndWhatItStarted) {
    auto client = BobRuns("sleeper", "/bin/sh -c \"sleep 301 & sleep 302\"");
    const pid_t pid = Session()->Child.Pid;
    ASSERT_GT(pid, 0);
    client->Close();
    ASSERT_TRUE(SessionsGone());
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_TRUE(PumpUntil([&] { return LiveGroupMembers(pid) == 0; }, 3000))
        << "nothing is left running in the program's group";
}

TEST_F(TelnetSessionTest, AProgramThatNeverReadsHoldsBackOnlyItsOwnClient) {
    auto client = BobRuns("deaf", "sleep 303");
    tsession* session = Session();
    const pid_t pid = session->Child.Pid;
    const std::string chunk(16384, 'x');
    size_t sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (sent < 200 * 1024 && clock.elapsed() < 3000) {
        sent += client->SendSome(chunk);
        PumpFor(5);
    }
    EXPECT_LE(session->Child.PendingInput.size(), 16384u + 4096u) << "the input queue is bounded";

    // Another client is served at once.
    QElapsedTimer served;
    served.start();
    Client other(port_);
    ASSERT_TRUE(other.ReadUntil(kWillEcho, 1000));
    EXPECT_LT(served.elapsed(), 1000);

    client->Reset();
    ASSERT_TRUE(PumpUntil([&] { return face_.SessionList.size() == 1; }, 3000));
    EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(TelnetSessionTest, AClientThatLeavesWhileItsInputIsHeldBackEndsTheSession) {
    auto client = BobRuns("deaf", "sleep 304");
    const pid_t pid = Session()->Child.Pid;
    // More than the pipe and our queue hold, less than the socket buffers do.
    client->Send(std::string(100 * 1024, 'x'));
    PumpFor(200);
    client->Close();
    ASSERT_TRUE(SessionsGone());
    EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(TelnetSessionTest, OutputWaitsForAClientThatDoesNotRead) {
    AddProgram("flood", "/bin/sh -c \"head -c 1000000 /dev/zero\"", core::ConsoleAccess::AllUsers);
    auto client = LoggedIn("bob", "secret", 4096);
    client->Send("4");
    // The client reads nothing for a while: the program waits, and the server
    // holds no more than one piece of its output.
    PumpFor(1000);
    tsession* session = Session();
    EXPECT_EQ(session->State, 10);
    EXPECT_LE(face_.netsockets->PendingLength(session->Socket), 2u * 4096u);
    EXPECT_TRUE(client->ReadUntil(kChooseOne, 20000));
    const std::string screen = "\x1b[2J\x1b[H\x1b[1;37mflood...\r\n\r\n";
    EXPECT_TRUE(client->Got() == screen + std::string(1000000, '\0') + Menu("bob"));
}

}  // namespace
