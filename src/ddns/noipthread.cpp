#include "ddns/noipthread.h"

#include "ddns/updatetext.h"

namespace ddns {

tnoipclient::tnoipclient(std::shared_ptr<tupdatestate> State, const tnoipsettings& Settings)
    : tupdateclient(std::move(State), tservice::NoIp, "[No-IP Client] "), settings_(Settings) {}

std::string tnoipclient::CheckAddress() {
    std::string reply;
    if (Exchange(kNoIpUpdateHost, kHttpPort, NoIpCheckRequest(), reply) != texchange::Done) return std::string();
    return NoIpCheckedAddress(reply);
}

void tnoipclient::Execute() {
    const std::string key = NoIpSettingsKey(settings_);
    if (Stopped(key)) return;
    if (!Net.Startup()) return Post("Attempted to update but could not initialize winsock!");
    const int port = NoIpUpdatePort(settings_.PortIndex);
    Address = CheckAddress();
    const std::string known = KnownAddress();
    // A failed check is a failure even before any address is known.
    if (Address.empty()) {
        Post("Couldn't Connect to No-IP Server.");
    } else if (Address == known) {
        Post("IP OK. " + Address + "=" + known);
    } else {
        std::string reply;
        const texchange result = Exchange(kNoIpUpdateHost, port, NoIpUpdateRequest(settings_), reply);
        if (result != texchange::Done) {
            PostFailure(result, kNoIpUpdateHost);
        } else if (!IsOkReply(reply)) {
            // An error page is no answer, whatever its text says.
            Post("Attempted to update but the server answered " + StatusLineText(reply) + "!");
        } else {
            const std::vector<std::string> lines = AnswerLines(ReplyBody(reply));
            if (settings_.LogIndex == 0) PostAnswers(lines, IsNoIpAnswer, NoIpAnswerText);
            // An address the service refused stays unknown, so the next run tries again.
            if (NoIpUpdateSucceeded(lines)) StoreAddress();
            // Updating again with an account the service refused would get it blocked.
            const std::string stopping = NoIpStoppingText(lines);
            if (!stopping.empty()) StopUpdates(key, stopping);
        }
    }
    Net.Cleanup();
}

}  // namespace ddns
