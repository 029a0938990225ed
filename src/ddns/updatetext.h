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

// What follows the first CR LF CR LF of a reply; empty when there is none.
std::string ReplyBody(const std::string& Reply);

// The lines of a reply body, each trimmed of blanks and CR; the list ends at
// the first empty line.
std::vector<std::string> AnswerLines(const std::string& Body);

// Text trimmed of white space when it is a dotted IPv4 address, else empty.
std::string DottedAddressOf(const std::string& Text);

}  // namespace ddns
