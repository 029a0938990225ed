#include "mail/mailcommands.h"

#include <cstring>

#include "netunit/textutil.h"

namespace mail {
namespace {

using SmtpWord = tcommandword<SmtpCommand>;
using Pop3Word = tcommandword<Pop3Command>;

constexpr SmtpWord kSmtpWords[] = {
    {SmtpCommand::Helo, "HELO", MatchRule::Prefix},
    {SmtpCommand::Ehlo, "EHLO", MatchRule::Prefix},
    {SmtpCommand::MailFrom, "MAIL FROM:", MatchRule::Prefix},
    {SmtpCommand::AuthPlain, "AUTH PLAIN", MatchRule::Prefix},
    {SmtpCommand::AuthLogin, "AUTH LOGIN", MatchRule::Prefix},
    {SmtpCommand::RcptTo, "RCPT TO:", MatchRule::Prefix},
    {SmtpCommand::Quit, "QUIT", MatchRule::WholeLine},
    {SmtpCommand::Rset, "RSET", MatchRule::WholeLine},
    {SmtpCommand::Data, "DATA", MatchRule::WholeLine},
};

// In the order the logged-in state tests them; USER and PASS belong to the
// states before it and share no prefix with the others.
constexpr Pop3Word kPop3Words[] = {
    {Pop3Command::Stat, "STAT", MatchRule::Prefix}, {Pop3Command::List, "LIST", MatchRule::Prefix},
    {Pop3Command::Uidl, "UIDL", MatchRule::Prefix}, {Pop3Command::Noop, "NOOP", MatchRule::Prefix},
    {Pop3Command::Rset, "RSET", MatchRule::Prefix}, {Pop3Command::Dele, "DELE", MatchRule::Prefix},
    {Pop3Command::Retr, "RETR", MatchRule::Prefix}, {Pop3Command::Top, "TOP", MatchRule::Prefix},
    {Pop3Command::Quit, "QUIT", MatchRule::WholeLine}, {Pop3Command::User, "USER", MatchRule::Prefix},
    {Pop3Command::Pass, "PASS", MatchRule::Prefix},
};

bool Matches(const std::string& upper, const char* word, MatchRule rule) {
    const size_t length = std::strlen(word);
    if (rule == MatchRule::WholeLine) return upper == word;
    return upper.compare(0, length, word) == 0;
}

template <typename Command, size_t N>
Command Recognize(const tcommandword<Command> (&words)[N], const std::string& Line) {
    const std::string upper = netunit::AsciiUpperCase(Line);
    for (const auto& entry : words)
        if (Matches(upper, entry.word, entry.rule)) return entry.command;
    return Command::None;
}

template <typename Command, size_t N>
const char* TextOf(const tcommandword<Command> (&words)[N], Command command) {
    for (const auto& entry : words)
        if (entry.command == command) return entry.word;
    return "";
}

}  // namespace

SmtpCommand RecognizeSmtpCommand(const std::string& Line) { return Recognize(kSmtpWords, Line); }
Pop3Command RecognizePop3Command(const std::string& Line) { return Recognize(kPop3Words, Line); }

const char* SmtpCommandText(SmtpCommand Command) { return TextOf(kSmtpWords, Command); }
const char* Pop3CommandText(Pop3Command Command) { return TextOf(kPop3Words, Command); }

}  // namespace mail
