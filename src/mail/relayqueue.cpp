// The window's mirror of the relay queue: four parallel lists (file, attempts,
// last attempt, sender), rebuilt from the relay folder at start and kept in
// step with the files as messages are queued and leave.
#include <algorithm>

#include "mail/relayfiles.h"
#include "netunit/findfile.h"
#include "ui/quillnestform.h"

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

std::string Tquillnestform::NextRelayFile(const std::string& Folder) const {
    // A number whose message a worker is still delivering stays taken even
    // after its files are gone: the worker's end would otherwise take a new
    // message of that number out of the queue.
    for (int64_t n = 0;; ++n) {
        const std::string name = mail::RelayFileName(Folder, n);
        if (netunit::WideFileExists(name) || RelayInFlight(name) || IndexOf(Mail.RelayQueueFiles, name) >= 0) continue;
        return name;
    }
}

void Tquillnestform::AddRelayEntry(const std::string& File, int Tries, const std::string& Sender, double Time) {
    Mail.RelayQueueFiles.push_back(File);
    Mail.RelayQueueTries.push_back(std::to_string(Tries));
    Mail.RelayQueueTimes.push_back(mail::RelayTimeText(Time));
    Mail.RelayQueueSenders.push_back(Sender);
}

void Tquillnestform::RemoveRelayEntry(const std::string& File) {
    const int index = IndexOf(Mail.RelayQueueFiles, File);
    if (index < 0) return;
    mail::DeleteRelayInfo(File);
    for (auto* list : {&Mail.RelayQueueFiles, &Mail.RelayQueueTries, &Mail.RelayQueueTimes, &Mail.RelayQueueSenders})
        list->erase(list->begin() + index);
    // The entries behind the removed one move up by one, so the cursor follows
    // them; it never points past the end of the queue.
    if (index <= Mail.RelayCursor && Mail.RelayCursor > 0) --Mail.RelayCursor;
    if (Mail.RelayCursor >= static_cast<int>(Mail.RelayQueueFiles.size())) Mail.RelayCursor = 0;
}

void Tquillnestform::UpdateRelayEntry(const std::string& File, int Tries, double Time) {
    const int index = IndexOf(Mail.RelayQueueFiles, File);
    if (index < 0) return;
    Mail.RelayQueueTries[static_cast<size_t>(index)] = std::to_string(Tries);
    Mail.RelayQueueTimes[static_cast<size_t>(index)] = mail::RelayTimeText(Time);
}

bool Tquillnestform::RelayInFlight(const std::string& File) const { return IndexOf(Mail.RelaysInFlight, File) >= 0; }

void Tquillnestform::ReloadRelayQueue() {
    netunit::tfinddata found;
    for (bool more = netunit::WideFindFirst(found, RelayDir + "*"); more; more = netunit::WideFindNext(found)) {
        if (found.Directory || !EndsWithMessageSuffix(found.Name)) continue;
        const std::string file = RelayDir + found.Name;
        const mail::tmessagetry info = mail::ReadRelayInfo(file);
        AddRelayEntry(file, info.Tries, info.Sender, info.LastAttempt);
    }
    netunit::WideFindClose(found);
}
