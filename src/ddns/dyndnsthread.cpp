#include "ddns/dyndnsthread.h"

#include "ddns/updatetext.h"

namespace ddns {

tdyndnsclient::tdyndnsclient(std::shared_ptr<tupdatestate> State, const tdyndnssettings& Settings)
    : tupdateclient(std::move(State), tservice::DynDns, "[DynDNS Client] "), settings_(Settings) {}

std::string tdyndnsclient::CheckAddress() {
    std::string reply;
    if (Exchange(kDynDnsCheckHost, kHttpPort, DynDnsCheckRequest(), reply) != texchange::Done) return std::string();
    return DynDnsCheckedAddress(reply);
}

void tdyndnsclient::Execute() {
    if (!Net.Startup()) return Post("Attempted to update but could not initialize winsock!");
    Address = CheckAddress();
    if (Address.empty()) {
        // Not knowing the address is no reason to believe it unchanged.
        Post("Attempted to update but could not check the current IP address!");
    } else if (Address == KnownAddress()) {
        Post("IP OK.");
    } else {
        std::string reply;
        const texchange result = Exchange(settings_.Server, kHttpPort, DynDnsUpdateRequest(settings_), reply);
        if (result != texchange::Done) {
            PostFailure(result, settings_.Server);
        } else {
            const std::vector<std::string> lines = AnswerLines(ReplyBody(reply));
            if (settings_.LogIndex == 0) {
                Post("Update results for '" + settings_.Hosts + "', respectively:");
                for (const std::string& line : lines) Post(line);
            }
            // An address the service refused stays unknown, so the next run tries again.
            if (DynDnsUpdateSucceeded(lines)) StoreAddress();
        }
    }
    Net.Cleanup();
}

}  // namespace ddns
