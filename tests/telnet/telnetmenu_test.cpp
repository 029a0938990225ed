// The Telnet main menu: its exact bytes and the numbering of console programs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "telnet/telnetmenu.h"

namespace {

using core::ConsoleAccess;
using core::tconsoleprogram;
using core::tuseraccount;

const std::string kTop =
    "\x1b[2J\x1b[H\r\n\r\n"
    "\x1b[1;34m    Welcome bob!\r\n\r\n"
    "\x1b[1;35m         (1) Change password.\r\n";
const std::string kBottom =
    "\x1b[1;35m         (0) Exit.\r\n\r\n"
    "\x1b[1;32m         Choose one... ";

core::RecordList<tconsoleprogram> Programs(const std::vector<std::pair<std::string, ConsoleAccess>>& list) {
    core::RecordList<tconsoleprogram> programs;
    for (const auto& [title, access] : list) {
        auto p = std::make_unique<tconsoleprogram>();
        p->Title = title;
        p->ProgramPath = "/bin/" + title;
        p->Access = static_cast<int32_t>(access);
        programs.push_back(std::move(p));
    }
    return programs;
}

TEST(TelnetMenu, ScreensByAccountAndSwitch) {
    const auto programs = Programs({{"top", ConsoleAccess::SuperusersOnly},
                                    {"uptime", ConsoleAccess::AllUsers},
                                    {"df", ConsoleAccess::AllUsers}});
    struct Case {
        const char* what;
        bool superuser, ftp;
        std::string path;
        bool prompt;
        std::string middle;
    };
    const std::string ftpNone =
        "\x1b[1;35m         (2) Change FTP initial path.\r\n                 Currently none.\r\n";
    const std::vector<Case> cases = {
        {"no FTP, no prompt: only the programs for all users, from 4", false, false, "", true,
         "\x1b[1;33m         (4) uptime\r\n\x1b[1;33m         (5) df\r\n"},
        {"FTP without a path", false, true, "", false,
         ftpNone + "\x1b[1;33m         (4) uptime\r\n\x1b[1;33m         (5) df\r\n"},
        {"FTP with a path", false, true, "/pub", false,
         "\x1b[1;35m         (2) Change FTP initial path.\r\n                 Currently \"/pub\"\r\n"
         "\x1b[1;33m         (4) uptime\r\n\x1b[1;33m         (5) df\r\n"},
        {"a superuser with the prompt sees it and every program", true, true, "", true,
         ftpNone + "\x1b[1;33m         (3) Command Prompt.\r\n\x1b[1;33m         (4) top\r\n"
                   "\x1b[1;33m         (5) uptime\r\n\x1b[1;33m         (6) df\r\n"},
        {"a superuser without the switch gets no prompt", true, false, "", false,
         "\x1b[1;33m         (4) top\r\n\x1b[1;33m         (5) uptime\r\n\x1b[1;33m         (6) df\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tuseraccount account;
        account.UserName = "Bob";
        account.Superuser = c.superuser;
        account.FtpAllowed = c.ftp;
        account.FtpInitialPath = c.path;
        EXPECT_EQ(telnet::TelnetMenuText("bob", account, c.prompt, programs), kTop + c.middle + kBottom);
    }
}

TEST(TelnetMenu, NoProgramsAtAll) {
    tuseraccount account;
    EXPECT_EQ(telnet::TelnetMenuText("bob", account, true, {}), kTop + kBottom);
}

TEST(TelnetMenu, ChoicesNameTheVisibleProgramsInListOrder) {
    const auto programs = Programs({{"top", ConsoleAccess::SuperusersOnly},
                                    {"uptime", ConsoleAccess::AllUsers},
                                    {"free", ConsoleAccess::SuperusersOnly},
                                    {"df", ConsoleAccess::AllUsers}});
    struct Case {
        bool superuser;
        int choice;
        const char* title;  // nullptr: no program
    };
    const std::vector<Case> cases = {
        {false, 3, nullptr}, {false, 4, "uptime"}, {false, 5, "df"},  {false, 6, nullptr},
        {true, 4, "top"},    {true, 5, "uptime"},  {true, 6, "free"}, {true, 7, "df"},
        {true, 8, nullptr},  {true, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.superuser ? "superuser" : "user") + " choice " + std::to_string(c.choice));
        const tconsoleprogram* p = telnet::VisibleConsoleProgram(programs, c.superuser, c.choice);
        if (c.title == nullptr) {
            EXPECT_EQ(p, nullptr);
        } else {
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p->Title, c.title);
        }
    }
}

}  // namespace
