// Command recognition: upper-cased prefixes, whole lines for the commands
// without arguments, first match in table order.
#include <gtest/gtest.h>

#include "mail/mailcommands.h"

namespace mail {
namespace {

TEST(MailCommands, SmtpWords) {
    struct Row {
        const char* line;
        SmtpCommand command;
    };
    const Row rows[] = {
        {"HELO host", SmtpCommand::Helo},        {"helo", SmtpCommand::Helo},
        {"HeLoX", SmtpCommand::Helo},            {"ehlo [127.0.0.1]", SmtpCommand::Ehlo},
        {"mail FROM:<a@b>", SmtpCommand::MailFrom}, {"MAIL FROM:", SmtpCommand::MailFrom},
        {"MAIL FROM <a@b>", SmtpCommand::None},  {"MAIL", SmtpCommand::None},
        {"rcpt to:<x@y>", SmtpCommand::RcptTo},  {"RCPT TO <x@y>", SmtpCommand::None},
        {"auth plain AGEAYg==", SmtpCommand::AuthPlain}, {"AUTH PLAIN", SmtpCommand::AuthPlain},
        {"Auth Login", SmtpCommand::AuthLogin},  {"AUTH CRAM-MD5", SmtpCommand::None},
        {"quit", SmtpCommand::Quit},             {"QUIT ", SmtpCommand::None},
        {"QUITX", SmtpCommand::None},            {"rset", SmtpCommand::Rset},
        {"data", SmtpCommand::Data},             {"DATA now", SmtpCommand::None},
        {"", SmtpCommand::None},                 {"NOOP", SmtpCommand::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(RecognizeSmtpCommand(row.line), row.command);
    }
}

TEST(MailCommands, Pop3Words) {
    struct Row {
        const char* line;
        Pop3Command command;
    };
    const Row rows[] = {
        {"STAT", Pop3Command::Stat},   {"stat x", Pop3Command::Stat},  {"list", Pop3Command::List},
        {"LIST 2", Pop3Command::List}, {"uidl 1", Pop3Command::Uidl},  {"NOOP", Pop3Command::Noop},
        {"rset", Pop3Command::Rset},   {"dele 1", Pop3Command::Dele},  {"RETR 1", Pop3Command::Retr},
        {"top 1 5", Pop3Command::Top}, {"TOPX", Pop3Command::Top},     {"quit", Pop3Command::Quit},
        {"QUIT now", Pop3Command::None}, {"user bob", Pop3Command::User}, {"PASS pw", Pop3Command::Pass},
        {"APOP bob x", Pop3Command::None}, {"TO", Pop3Command::None}, {"", Pop3Command::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(RecognizePop3Command(row.line), row.command);
    }
}

}  // namespace
}  // namespace mail
