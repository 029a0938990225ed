#include "mail/relayqueue.h"

#include <algorithm>

#include "mail/relayfiles.h"
#include "netunit/files.h"
#include "netunit/findfile.h"

namespace mail {
namespace {

// The index of the first entry equal to File, or -1.
int IndexOf(const std::vector<std::string>& list, const std::string& File) {
    const auto it = std::find(list.begin(), list.end(), File);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

bool EndsWithMessageSuffix(const std::string& name) {
    return name.size() > 2 && name.compare(name.size() - 2, 2, ".m") == 0;
}

}  // namespace

std::string NextRelayFile(const tmailstate& Mail, const std::string& Folder) {
    // A number whose message a worker is still delivering stays taken even
    // after its files are gone: the worker's end would otherwise take a new
    // message of that number out of the queue.
    for (int64_t n = 0;; ++n) {
        const std::string name = RelayFileName(Folder, n);
        const bool taken =
            netunit::WideFileExists(name) || RelayInFlight(Mail, name) || IndexOf(Mail.RelayQueueFiles, name) >= 0;
        if (!taken) return name;
    }
}

void AddRelayEntry(tmailstate& Mail, const std::string& File, int Tries, const std::string& Sender, double Time) {
    Mail.RelayQueueFiles.push_back(File);
    Mail.RelayQueueTries.push_back(std::to_string(Tries));
    Mail.RelayQueueTimes.push_back(RelayTimeText(Time));
    Mail.RelayQueueSenders.push_back(Sender);
}

void RemoveRelayEntry(tmailstate& Mail, const std::string& File) {
    const int index = IndexOf(Mail.RelayQueueFiles, File);
    if (index < 0) return;
    DeleteRelayInfo(File);
    for (auto* list : {&Mail.RelayQueueFiles, &Mail.RelayQueueTries, &Mail.RelayQueueTimes, &Mail.RelayQueueSenders})
        list->erase(list->begin() + index);
    // The entries behind the removed one move up by one, so the cursor follows
    // them; it never points past the end of the queue.
    if (index <= Mail.RelayCursor && Mail.RelayCursor > 0) --Mail.RelayCursor;
    if (Mail.RelayCursor >= static_cast<int>(Mail.RelayQueueFiles.size())) Mail.RelayCursor = 0;
}

void UpdateRelayEntry(tmailstate& Mail, const std::string& File, int Tries, double Time) {
    const int index = IndexOf(Mail.RelayQueueFiles, File);
    if (index < 0) return;
    Mail.RelayQueueTries[static_cast<size_t>(index)] = std::to_string(Tries);
    Mail.RelayQueueTimes[static_cast<size_t>(index)] = RelayTimeText(Time);
}

bool RelayInFlight(const tmailstate& Mail, const std::string& File) { return IndexOf(Mail.RelaysInFlight, File) >= 0; }

void ReloadRelayQueue(tmailstate& Mail, const std::string& RelayDir) {
    netunit::tfinddata found;
    for (bool more = netunit::WideFindFirst(found, RelayDir + "*"); more; more = netunit::WideFindNext(found)) {
        if (found.Directory || !EndsWithMessageSuffix(found.Name)) continue;
        const std::string file = RelayDir + found.Name;
        const tmessagetry info = ReadRelayInfo(file);
        AddRelayEntry(Mail, file, info.Tries, info.Sender, info.LastAttempt);
    }
    netunit::WideFindClose(found);
}

}  // namespace mail
