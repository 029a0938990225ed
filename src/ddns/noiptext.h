// The No-IP requests and the reading of its answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ddns {

// The service's update host also tells the machine its public address.
inline constexpr const char* kNoIpUpdateHost = "dynupdate.no-ip.com";
inline constexpr const char* kNoIpSignUpPage = "http://www.no-ip.com/newUser.php";
// The update port of each port choice, in the order the dialog lists them.
inline constexpr int kNoIpUpdatePorts[] = {8245, 80};

// One run's copy of the window's No-IP settings.
struct tnoipsettings {
    bool Enabled = false;
    std::string UserName;
    std::string Password;
    std::string Hosts;
    std::string Groups;
    int32_t IntervalIndex = 0;
    int32_t PortIndex = 0;
    int32_t LogIndex = 0;  // 0: log the answers
};

// The port of a port choice; the first for a choice outside the list.
int NoIpUpdatePort(int32_t PortIndex);

// The settings an update depends on, as one text: a stopped service starts
// again once this differs.
std::string NoIpSettingsKey(const tnoipsettings& Settings);

std::string NoIpCheckRequest();
std::string NoIpUpdateRequest(const tnoipsettings& Settings);

// The body of a check reply when it is a dotted address, else empty.
std::string NoIpCheckedAddress(const std::string& Reply);

// The text of an answer code; empty for a code the table does not hold.
std::string NoIpReplyText(int64_t Code);

// An answer line "name:code" as it is logged: the name, " - " and the text
// of its code (a code that is no number reads as -1).
std::string NoIpAnswerText(const std::string& Line);

// True when there is an answer line and every code says the name now holds
// the address (updated, already current, group updated, group current).
bool NoIpUpdateSucceeded(const std::vector<std::string>& AnswerLines);

// Whether the line is one of the service's answers: a name without blanks,
// ":" and a code of digits. Anything else (an echo of the request with the
// password in it, a proxy's page) is never logged.
bool IsNoIpAnswer(const std::string& Line);

// The text of the first answer whose code tells the client to stop updating
// until the user has corrected the settings (invalid username or password, a
// banned account); empty when there is none.
std::string NoIpStoppingText(const std::vector<std::string>& AnswerLines);

}  // namespace ddns
