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

std::string DynDnsCheckRequest();
std::string DynDnsUpdateRequest(const tdyndnssettings& Settings);

// The address in a check reply (the text after "Address: ", up to
// "</body>"), or empty when the reply holds no dotted address there.
std::string DynDnsCheckedAddress(const std::string& Reply);

// True when there is an answer line and every one begins with "good" or
// "nochg": the service then holds the address for every host.
bool DynDnsUpdateSucceeded(const std::vector<std::string>& AnswerLines);

}  // namespace ddns
