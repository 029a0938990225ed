// The command words of the SMTP and POP3 dialects and how a line is matched
// against them: a prefix of the line, upper-cased, compared with the word, or
// the whole upper-cased line for the commands that take no argument. Each
// table is searched in order and the first match wins.
#pragma once

#include <string>

namespace mail {

enum class SmtpCommand { None, Helo, Ehlo, MailFrom, AuthPlain, AuthLogin, RcptTo, Quit, Rset, Data };

enum class Pop3Command { None, Stat, List, Uidl, Noop, Rset, Dele, Retr, Top, Quit, User, Pass };

// How much of the line a command word is compared with.
enum class MatchRule { Prefix, WholeLine };

template <typename Command>
struct tcommandword {
    Command command;
    const char* word;
    MatchRule rule;
};

// None for an empty line or a line that matches no word.
SmtpCommand RecognizeSmtpCommand(const std::string& Line);
Pop3Command RecognizePop3Command(const std::string& Line);

// The text of a command for traces ("MAIL FROM:", "TOP", ...); "" for None.
const char* SmtpCommandText(SmtpCommand Command);
const char* Pop3CommandText(Pop3Command Command);

}  // namespace mail
