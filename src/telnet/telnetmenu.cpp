#include "telnet/telnetmenu.h"

#include <string_view>

namespace telnet {
namespace {

constexpr std::string_view kClearScreen = "\x1b[2J\x1b[H\r\n\r\n";
constexpr std::string_view kBlue = "\x1b[1;34m";
constexpr std::string_view kMagenta = "\x1b[1;35m";
constexpr std::string_view kYellow = "\x1b[1;33m";
constexpr std::string_view kGreen = "\x1b[1;32m";
constexpr std::string_view kItemIndent = "         ";
constexpr std::string_view kCurrentlyIndent = "                 Currently ";

}  // namespace

bool ConsoleProgramVisible(const core::tconsoleprogram& Program, bool Superuser) {
    return Superuser || Program.Access == static_cast<int32_t>(core::ConsoleAccess::AllUsers);
}

const core::tconsoleprogram* VisibleConsoleProgram(const core::RecordList<core::tconsoleprogram>& Programs,
                                                   bool Superuser, int Choice) {
    int number = kFirstProgramChoice;
    for (const auto& program : Programs) {
        if (!ConsoleProgramVisible(*program, Superuser)) continue;
        if (number == Choice) return program.get();
        ++number;
    }
    return nullptr;
}

std::string TelnetMenuText(const std::string& UserName, const core::tuseraccount& Account,
                           bool CommandPrompt, const core::RecordList<core::tconsoleprogram>& Programs) {
    std::string text(kClearScreen);
    text.append(kBlue).append("    Welcome ").append(UserName).append("!\r\n\r\n");
    text.append(kMagenta).append(kItemIndent).append("(1) Change password.\r\n");
    if (Account.FtpAllowed) {
        text.append(kMagenta).append(kItemIndent).append("(2) Change FTP initial path.\r\n");
        text.append(kCurrentlyIndent);
        if (Account.FtpInitialPath.empty())
            text.append("none.\r\n");
        else
            text.append("\"").append(Account.FtpInitialPath).append("\"\r\n");
    }
    if (CommandPrompt && Account.Superuser)
        text.append(kYellow).append(kItemIndent).append("(3) Command Prompt.\r\n");
    int number = kFirstProgramChoice;
    for (const auto& program : Programs) {
        if (!ConsoleProgramVisible(*program, Account.Superuser)) continue;
        text.append(kYellow).append(kItemIndent).append("(").append(std::to_string(number++)).append(") ");
        text.append(program->Title).append("\r\n");
    }
    text.append(kMagenta).append(kItemIndent).append("(0) Exit.\r\n\r\n");
    text.append(kGreen).append(kItemIndent).append("Choose one... ");
    return text;
}

}  // namespace telnet
