#include "ftp/ftpsettings.h"

#include <charconv>
#include <limits>

#include "ftp/portparse.h"
#include "netunit/textutil.h"

namespace ftp {
namespace {

// A limit edit counts only when it holds a number: a switch that is on over
// an empty edit limits nothing.
bool WholeNumber(const std::string& text, int32_t& value) {
    int64_t n = 0;
    if (!ParseFtpNumber(text, n) || n < std::numeric_limits<int32_t>::min() ||
        n > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(n);
    return true;
}

bool DecimalNumber(const std::string& text, double& value) {
    const std::string t = netunit::TrimSpaces(text);
    if (t.empty()) return false;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    return error == std::errc() && end == t.data() + t.size();
}

}  // namespace

core::tuseraccount AnonymousAccount(bool connectionLimitOn, const std::string& maxConnections, bool speedLimitOn,
                                    const std::string& maxSpeed) {
    core::tuseraccount a;
    a.UserName = "anonymous";
    a.Description = "Anonymous Access";
    a.QuotaApplies = true;
    a.Quota = 0;
    a.FtpInitialPath = "/anonymous";
    a.ConnectionLimit = connectionLimitOn && WholeNumber(maxConnections, a.MaxFtpConnections);
    a.SpeedLimit = speedLimitOn && DecimalNumber(maxSpeed, a.MaxSpeed);
    return a;
}

VirtualTree FtpSettings::Tree(const core::tuseraccount* account) const {
    VirtualTree tree;
    tree.HomeDir = HomeDir;
    tree.ProgramDir = ProgramDir;
    tree.AnonymousOn = AnonymousOn;
    tree.SharedOn = SharedOn;
    tree.SuperOn = SuperOn;
    tree.AnonymousPublished = !AnonymousAliases.empty();
    tree.SuperPublished = !SuperAliases.empty();
    tree.AnonymousPaths = AnonymousPaths;
    tree.SharedPaths = SharedPaths;
    tree.SuperuserPaths = SuperuserPaths;
    tree.Account = account;
    return tree;
}

}  // namespace ftp
