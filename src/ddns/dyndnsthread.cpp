#include "ddns/dyndnsthread.h"

#include "ddns/updatetext.h"

namespace ddns {

tdyndnsclient::tdyndnsclient(std::shared_ptr<tupdatestate> State, const tdyndnssettings& Settings)
    : tupdateclient(std::move(State), tservice::DynDns, "[DynDNS Client] "), settings_(Settings) {}

namespace {

std::string AsItStands(const std::string& Line) { return Line; }

}  // namespace

std::string tdyndnsclient::CheckAddress() {
    std::string reply;
    if (Exchange(kDynDnsCheckHost, kHttpPort, DynDnsCheckRequest(), reply) != texchange::Done) return std::string();
    return DynDnsCheckedAddress(reply);
}

void tdyndnsclient::Execute() {
    const std::string key = DynDnsSettingsKey(settings_);
    if (Stopped(key)) return;
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
        } else if (!IsOkReply(reply)) {
            // An error page is no answer, whatever its text says.
            Post("Attempted to update but the server answered " + StatusLineText(reply) + "!");
        } else {
            const std::vector<std::string> lines = AnswerLines(ReplyBody(reply));
            if (settings_.LogIndex == 0) {
                Post("Update results for '" + settings_.Hosts + "', respectively:");
                PostAnswers(lines, IsDynDnsAnswer, AsItStands);
            }
            // An address the service refused stays unknown, so the next run tries again.
            if (DynDnsUpdateSucceeded(lines)) StoreAddress();
            // Updating again with settings the service refused would get the
            // account blocked.
            const std::string stopping = DynDnsStoppingCode(lines);
            if (!stopping.empty()) StopUpdates(key, stopping);
        }
    }
    Net.Cleanup();
}

}  // namespace ddns
