// The DynDNS requests and the reading of its answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ddns {

// The web service that tells the machine its public address.
inline constexpr const char* kDynDnsCheckHost = "checkip.dyndns.org";
inline constexpr const char* kDynDnsSignUpPage = "https://www.dyndns.com/account/create.html";

// One run's copy of the window's DynDNS settings.
struct tdyndnssettings {
    bool Enabled = false;
    std::string Server;
    std::string UserName;
    std::string Password;
    std::string Hosts;
    int32_t IntervalIndex = 0;
    int32_t SystemIndex = 0;  // 0 dynamic, 1 custom, 2 static DNS
    int32_t LogIndex = 0;     // 0: log the answers
};

// The settings an update depends on, as one text: a stopped service starts
// again once this differs.
std::string DynDnsSettingsKey(const tdyndnssettings& Settings);

std::string DynDnsCheckRequest();
std::string DynDnsUpdateRequest(const tdyndnssettings& Settings);

// The address in a check reply (the text after "Address: ", up to
// "</body>"), or empty when the reply holds no dotted address there.
std::string DynDnsCheckedAddress(const std::string& Reply);

// True when there is an answer line and every one begins with "good" or
// "nochg": the service then holds the address for every host.
bool DynDnsUpdateSucceeded(const std::vector<std::string>& AnswerLines);

// Whether the line is one of the service's update answers: its first word is
// one of the return codes. Anything else (an echo of the request, a proxy's
// page) is never logged.
bool IsDynDnsAnswer(const std::string& Line);

// The first answer whose code tells the client to stop updating until the
// user has corrected the settings (a refused account, an unknown or foreign
// host, a blocked agent or account); empty when there is none. A server
// fault ("dnserr", "911") only asks for patience and stops nothing.
std::string DynDnsStoppingCode(const std::vector<std::string>& AnswerLines);

}  // namespace ddns
