#include "ddns/dyndnstext.h"

#include "ddns/updatetext.h"
#include "netunit/base64.h"
#include "netunit/urlencode.h"

namespace ddns {
namespace {

constexpr const char* kAddressMark = "Address";
constexpr size_t kAddressSkip = 9;  // the word, its colon and a blank
constexpr const char* kBodyEnd = "</body>";

const char* SystemPart(int32_t SystemIndex) {
    switch (SystemIndex) {
        case 0: return "system=dyndns&";
        case 1: return "system=custom&";
        case 2: return "system=statdns&";
        default: return "";
    }
}

// The update answers' return codes and what each asks of the client.
enum class tanswerkind { Success, Stop, Wait };

struct tcode {
    const char* Code;
    tanswerkind Kind;
};

constexpr tcode kCodes[] = {
    {"good", tanswerkind::Success},   {"nochg", tanswerkind::Success},  {"badauth", tanswerkind::Stop},
    {"!donator", tanswerkind::Stop},  {"notfqdn", tanswerkind::Stop},   {"nohost", tanswerkind::Stop},
    {"numhost", tanswerkind::Stop},   {"abuse", tanswerkind::Stop},     {"badagent", tanswerkind::Stop},
    {"!yours", tanswerkind::Stop},    {"dnserr", tanswerkind::Wait},    {"911", tanswerkind::Wait},
};

const tcode* CodeOf(const std::string& Line) {
    const std::string code = Line.substr(0, Line.find(' '));
    for (const tcode& c : kCodes)
        if (code == c.Code) return &c;
    return nullptr;
}

bool SuccessLine(const std::string& Line) {
    const tcode* code = CodeOf(Line);
    return code != nullptr && code->Kind == tanswerkind::Success;
}

}  // namespace

std::string DynDnsSettingsKey(const tdyndnssettings& Settings) {
    return SettingsKey({Settings.Server, Settings.UserName, Settings.Password, Settings.Hosts,
                        std::to_string(Settings.SystemIndex)});
}

std::string DynDnsCheckRequest() {
    return std::string("GET / HTTP/1.0\r\nhost: ") + kDynDnsCheckHost + "\r\nUser-Agent: " + UpdateAgent() + kHeaderEnd;
}

std::string DynDnsUpdateRequest(const tdyndnssettings& Settings) {
    const std::vector<std::string> hosts = NameList(Settings.Hosts);
    const std::string first = hosts.empty() ? std::string() : netunit::PercentEncode(hosts.front());
    std::string request = std::string("GET /nic/update?") + SystemPart(Settings.SystemIndex) + "hostname=" + first;
    for (size_t i = 1; i < hosts.size(); ++i) request += "," + netunit::PercentEncode(hosts[i]);
    request += "&wildcard=ON&mx=" + first + "&backmx=NO&offline=NO HTTP/1.0\r\n";
    request += "host: " + Settings.Server + kLineEnd;
    request += "Authorization: Basic " + netunit::Base64Credentials(Settings.UserName, Settings.Password) + kLineEnd;
    request += "User-Agent: " + UpdateAgent() + kHeaderEnd;
    return request;
}

std::string DynDnsCheckedAddress(const std::string& Reply) {
    const std::string body = OkReplyBody(Reply);
    const size_t mark = body.find(kAddressMark);
    if (mark == std::string::npos) return std::string();
    const size_t start = mark + kAddressSkip;
    if (start > body.size()) return std::string();
    const size_t end = body.find(kBodyEnd, start);
    return DottedAddressOf(body.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

bool DynDnsUpdateSucceeded(const std::vector<std::string>& AnswerLines) {
    if (AnswerLines.empty()) return false;
    for (const std::string& line : AnswerLines)
        if (!SuccessLine(line)) return false;
    return true;
}

bool IsDynDnsAnswer(const std::string& Line) { return CodeOf(Line) != nullptr; }

std::string DynDnsStoppingCode(const std::vector<std::string>& AnswerLines) {
    for (const std::string& line : AnswerLines) {
        const tcode* code = CodeOf(line);
        if (code != nullptr && code->Kind == tanswerkind::Stop) return code->Code;
    }
    return {};
}

}  // namespace ddns
