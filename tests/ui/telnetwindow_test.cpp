// What the window adds to a Telnet session: the idle timer its listener gives
// every connection, and the end of a running program at shutdown. A real
// window with its Telnet listener on loopback, driven by a plain socket client
// while the test pumps the event loop (the server runs on this same thread).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/recordfiles.h"
#include "forms/forms.h"
#include "platform/programdir.h"
#include "platform/pump.h"
#include "platform/rawpeer.h"
#include "telnet/telnetclient.h"
#include "ui/quillnestform.h"
#include "ui/windowtest.h"

namespace {

using telnettest::Client;
using telnettest::kWillEcho;
using telnettest::ProcessGone;
using testing_pump::PumpFor;

class TelnetWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        port_ = UnusedPort();
        form_->telnetport->SetText(std::to_string(port_));
        form_->TelnetEnabled->SetChecked(true);
        form_->telnetsplash->SetText("");
        form_->commandprompt->SetChecked(false);
        form_->Telnet.AutoChoice = -1;
        form_->Timer1Timer(form_->Timer1);
        ASSERT_TRUE(form_->TelnetListener.Listening);
        AddAccount("bob", "secret");
    }

    void AddAccount(const std::string& name, const std::string& password) {
        auto account = std::make_unique<core::tuseraccount>();
        account->UserName = name;
        account->Password = password;
        account->TelnetAllowed = true;
        form_->Accounts.push_back(std::move(account));
        mkdir((form_->HomeDir + name).c_str(), 0755);
    }

    // Lists one program for all users, logs bob in and starts it (menu choice
    // 4); the program's heading has arrived.
    std::unique_ptr<Client> BobRuns(const std::string& title, const std::string& path) {
        auto program = std::make_unique<core::tconsoleprogram>();
        program->Title = title;
        program->ProgramPath = path;
        program->Access = static_cast<int32_t>(core::ConsoleAccess::AllUsers);
        form_->ConsoleProgramList.push_back(std::move(program));
        auto client = LoggedIn("bob", "secret");
        client->Send("4");
        EXPECT_TRUE(client->ReadUntil(title + "...\r\n\r\n"));
        client->Take();
        return client;
    }

    std::unique_ptr<Client> LoggedIn(const std::string& name, const std::string& password) {
        return telnettest::LoggedIn(port_, name, password, true);
    }
    tsession* Session() { return form_->SessionList.empty() ? nullptr : form_->SessionList.back(); }

    int port_ = 0;
};

TEST_F(TelnetWindowTest, OnlyAConnectionThatHasNotLoggedInTimesOut) {
    Client waiting(port_);
    ASSERT_TRUE(waiting.ReadUntil(kWillEcho));
    tsession* session = Session();
    ASSERT_NE(session->IdleTimer, nullptr);
    EXPECT_TRUE(session->IdleTimer->Enabled());
    EXPECT_EQ(session->IdleTimer->Interval(), kIdleTelnetMs);

    auto client = LoggedIn("bob", "secret");
    tsession* loggedIn = Session();
    EXPECT_FALSE(loggedIn->IdleTimer->Enabled()) << "after the login a Telnet session has no idle limit";

    session->IdleTimer->SetInterval(100);
    ASSERT_TRUE(waiting.WaitClosed());
    PumpFor(300);
    ASSERT_EQ(form_->SessionList.size(), 1u);
    EXPECT_EQ(form_->SessionList[0], loggedIn);
}

TEST_F(TelnetWindowTest, MenuChangesAreInTheAccountsFileAtOnce) {
    form_->Accounts.back()->FtpAllowed = true;
    form_->Accounts.back()->FtpInitialPath = "/";
    auto client = LoggedIn("bob", "secret");
    // Each screen takes one piece of typing at a time: the answer shows it was taken.
    struct Row {
        const char* what;
        std::vector<std::pair<std::string, std::string>> typing;  // sent, then awaited
        std::string password, path;
    } rows[] = {
        {"the password",
         {{"1", "Enter new password: "}, {"n3w\r\n", "Confirm new password: "}, {"n3w\r\n", "continue."}},
         "n3w",
         "/"},
        {"the FTP initial path", {{"2", "(ENTER for none): "}, {"/home/bob\r\n", "continue."}}, "n3w", "/home/bob"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        for (const auto& [sent, awaited] : r.typing) {
            client->Send(sent);
            ASSERT_TRUE(client->ReadUntil(awaited));
            client->Take();
        }
        // Read as the next start reads it, before anything else is saved.
        core::AccountList stored = core::LoadAccounts(platform::ProgramDir());
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(stored[0]->Password, r.password);
        EXPECT_EQ(stored[0]->FtpInitialPath, r.path);
        client->Send(" ");
        ASSERT_TRUE(client->ReadUntil(telnettest::kChooseOne));
        client->Take();
    }
}

TEST_F(TelnetWindowTest, ShutdownEndsARunningProgram) {
    auto client = BobRuns("sleeper", "sleep 305");
    const pid_t pid = Session()->Child.Pid;
    form_->ShutdownServer();
    EXPECT_TRUE(ProcessGone(pid));
}

}  // namespace
