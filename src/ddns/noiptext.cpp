#include "ddns/noiptext.h"

#include <algorithm>
#include <iterator>

#include "ddns/updatetext.h"
#include "netunit/textutil.h"
#include "netunit/urlencode.h"

namespace ddns {
namespace {

struct tanswer {
    int64_t Code;
    const char* Text;
};

constexpr tanswer kAnswers[] = {
    {0, "Current IP was the same so no update was required."},
    {1, "IP was updated successfully."},
    {2, "Host does not exist!"},
    {3, "Invalid username or password."},
    {4, "Invalid username or password."},
    {5, "Too many updates, please wait an hour and send again"},
    {6, "Account banned"},
    {7, "Invalid IP"},
    {8, "Host disabled"},
    {9, "Host is a web direct, not a DNS entry"},
    {10, "Group does not exist!"},
    {11, "Group DNS update successful."},
    {12, "Group DNS is current"},
    {13, "Domain does does not have update client support"},
    {99, "Version disabled, download new version"},
};

constexpr int64_t kSuccessCodes[] = {0, 1, 11, 12};
constexpr int64_t kStoppingCodes[] = {3, 4, 6};

// The name before the line's first ":" (the whole line when it has none) and
// the code after it.
void SplitAnswer(const std::string& Line, std::string& Name, int64_t& Code) {
    const size_t colon = Line.find(':');
    Name = Line.substr(0, colon);
    Code = colon == std::string::npos ? -1 : netunit::ParseInt64(netunit::TrimSpacesCR(Line.substr(colon + 1)));
}

}  // namespace

int NoIpUpdatePort(int32_t PortIndex) {
    return PortIndex >= 0 && PortIndex < static_cast<int32_t>(std::size(kNoIpUpdatePorts))
               ? kNoIpUpdatePorts[PortIndex]
               : kNoIpUpdatePorts[0];
}

std::string NoIpSettingsKey(const tnoipsettings& Settings) {
    return SettingsKey({Settings.UserName, Settings.Password, Settings.Hosts, Settings.Groups,
                        std::to_string(Settings.PortIndex)});
}

std::string NoIpCheckRequest() {
    return std::string("GET /ip.php HTTP/1.0\r\nhost: ") + kNoIpUpdateHost + "\r\nUser-Agent: " + UpdateAgent() +
           kHeaderEnd;
}

std::string NoIpUpdateRequest(const tnoipsettings& Settings) {
    std::string request = "GET /ducupdate.php?username=" + netunit::PercentEncode(Settings.UserName) +
                          "&pass=" + netunit::PercentEncode(Settings.Password);
    for (const std::string& host : NameList(Settings.Hosts)) request += "&h[]=" + netunit::PercentEncode(host);
    for (const std::string& group : NameList(Settings.Groups)) request += "&g[]=" + netunit::PercentEncode(group);
    request += std::string(" HTTP/1.0\r\nhost: ") + kNoIpUpdateHost + kLineEnd;
    request += std::string("agent: ") + kProductWord + " Update Client" + kHeaderEnd;
    return request;
}

std::string NoIpCheckedAddress(const std::string& Reply) { return DottedAddressOf(OkReplyBody(Reply)); }

std::string NoIpReplyText(int64_t Code) {
    const auto* found = std::find_if(std::begin(kAnswers), std::end(kAnswers),
                                     [Code](const tanswer& a) { return a.Code == Code; });
    return found == std::end(kAnswers) ? std::string() : found->Text;
}

std::string NoIpAnswerText(const std::string& Line) {
    std::string name;
    int64_t code;
    SplitAnswer(Line, name, code);
    return AnswerText(name) + " - " + NoIpReplyText(code);
}

bool IsNoIpAnswer(const std::string& Line) {
    const size_t colon = Line.find(':');
    if (colon == 0 || colon == std::string::npos) return false;
    const auto visible = [](char c) { return static_cast<unsigned char>(c) > ' ' && c != 0x7F; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const std::string code = netunit::TrimSpacesCR(Line.substr(colon + 1));
    return std::all_of(Line.begin(), Line.begin() + static_cast<std::ptrdiff_t>(colon), visible) && !code.empty() &&
           std::all_of(code.begin(), code.end(), digit);
}

std::string NoIpStoppingText(const std::vector<std::string>& AnswerLines) {
    for (const std::string& line : AnswerLines) {
        if (!IsNoIpAnswer(line)) continue;
        std::string name;
        int64_t code;
        SplitAnswer(line, name, code);
        if (std::find(std::begin(kStoppingCodes), std::end(kStoppingCodes), code) != std::end(kStoppingCodes))
            return NoIpReplyText(code);
    }
    return {};
}

bool NoIpUpdateSucceeded(const std::vector<std::string>& AnswerLines) {
    if (AnswerLines.empty()) return false;
    for (const std::string& line : AnswerLines) {
        std::string name;
        int64_t code;
        SplitAnswer(line, name, code);
        if (std::find(std::begin(kSuccessCodes), std::end(kSuccessCodes), code) == std::end(kSuccessCodes))
            return false;
    }
    return true;
}

}  // namespace ddns
