// The settings kept in options.ini beside the program, and the values they
// take when a key is missing: what the window holds outside its controls, the
// built-in MIME table, and the defaults that depend on the machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

inline constexpr const char* kOptionsFile = "options.ini";
inline constexpr const char* kMimeTypesFile = "mimes.txt";

// Between a MIME list line's extension and its type.
inline constexpr std::string_view kMimeSeparator = "   ";

// The account dialog's starting values for a new account ([user]).
struct tnewaccountdefaults {
    bool Superuser = false;
    std::string Quota = "10";  // megabytes, as typed
    bool UnlimitedQuota = true;
    bool Email = true;
    bool Ftp = true;
    bool Web = true;
    bool Telnet = true;
    bool CommonDirs = true;  // may use the shared paths of all accounts
};

// The desktop's automatic logon ([autologon]); the password is kept as typed.
struct tautologonsettings {
    bool Enabled = false;
    std::string UserName;
    std::string Password;
};

struct tmimetype {
    const char* Extension;
    const char* Type;
};

// The MIME list used when mimes.txt is missing or empty, in its order.
const std::vector<tmimetype>& BuiltInMimeTypes();

// The MIME list line of an extension and its type.
std::string MimeLine(const std::string& Extension, const std::string& Type);

// The first two IPv4 name servers of a resolv.conf text (fewer when it names
// fewer; the sockets speak IPv4 only).
std::vector<std::string> NameServersOf(const std::string& ResolvConf);

// The DNS servers asked for MX records when options.ini names none: the
// first two of /etc/resolv.conf, an empty text for each one missing.
void DefaultRelayDns(std::string& Primary, std::string& Secondary);

// The web root and CGI folder, in the program's folder, when options.ini
// names none.
inline constexpr const char* kDefaultWebFolder = "wwwroot/";
inline constexpr const char* kDefaultCgiFolder = "cgi-bin/";

// The DynDNS update host when options.ini names none.
inline constexpr const char* kDefaultDynDnsServer = "members.dyndns.org";

// Choice lists of the dynamic DNS dialogs: how many entries each offers.
inline constexpr int32_t kUpdateIntervalChoices = 12;  // 5 to 60 minutes
inline constexpr int32_t kNoIpPortChoices = 2;
inline constexpr int32_t kDnsSystemChoices = 3;
inline constexpr int32_t kUpdateLogChoices = 2;

// The stored value when it lies in 0 .. count - 1, else the default.
int32_t ChoiceIndex(int64_t Stored, int32_t Count, int32_t Default);

}  // namespace core
