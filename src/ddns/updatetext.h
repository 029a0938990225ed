// Text pieces both update services share: the schedule, the agent value, the
// ";" lists of the settings and the reading of an HTTP reply.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ddns {

inline constexpr int kHttpPort = 80;
inline constexpr int kIntervalStepMs = 5 * 60000;  // the interval choices go in steps of 5 minutes
inline constexpr const char* kProductWord = "Quillnest";
inline constexpr const char* kContactAddress = "quillnest@localhost";
inline constexpr const char* kLineEnd = "\r\n";
inline constexpr const char* kHeaderEnd = "\r\n\r\n";

// The time between runs for an interval choice: (index + 1) x 5 minutes.
unsigned UpdateIntervalMs(int32_t IntervalIndex);

// The User-Agent value of the address checks and the DynDNS update.
std::string UpdateAgent();

// The names of a ";"-separated setting, each trimmed; the list ends at the
// first empty one.
std::vector<std::string> NameList(const std::string& Setting);

// Settings values joined into one text that differs whenever one of them
// does (each is preceded by its length).
std::string SettingsKey(const std::vector<std::string>& Values);

// What follows the first CR LF CR LF of a reply; empty when there is none.
std::string ReplyBody(const std::string& Reply);

// Whether the reply's status line says 200: only such a reply's body is an
// answer of the service (an error page may hold any text).
bool IsOkReply(const std::string& Reply);

// The reply's body when it is a 200 reply, else empty.
std::string OkReplyBody(const std::string& Reply);

// The reply's first line, cut to kAnswerTextMax characters, to say in the log
// what a reply that is no answer was.
std::string StatusLineText(const std::string& Reply);

// What one answer may put in the log: at most kAnswerLinesLogged lines, each
// cut to kAnswerTextMax characters. An answer may echo the request (the
// password with it), and a chatty server must not fill the disk.
inline constexpr size_t kAnswerLinesLogged = 20;
inline constexpr size_t kAnswerTextMax = 100;

// Text cut to kAnswerTextMax characters.
std::string AnswerText(const std::string& Text);

// The answer lines that may be logged: those IsAnswer takes, up to
// kAnswerLinesLogged; LeftOut becomes the count of the other lines.
std::vector<std::string> LoggedAnswers(const std::vector<std::string>& Lines,
                                       bool (*IsAnswer)(const std::string& Line), size_t& LeftOut);

// The lines of a reply body, each trimmed of blanks and CR; the list ends at
// the first empty line.
std::vector<std::string> AnswerLines(const std::string& Body);

// Text trimmed of white space when it is a dotted IPv4 address, else empty.
std::string DottedAddressOf(const std::string& Text);

}  // namespace ddns
