#include "telnet/telnettext.h"

namespace telnet {

bool EditEntry(std::string& Entry, char Typed, size_t Capacity) {
    if (Typed == '\n') return false;
    if (Typed == '\b') {
        if (Entry.empty()) return false;
        Entry.pop_back();
        return true;
    }
    if (Entry.size() >= Capacity) return false;
    Entry += Typed;
    return true;
}

void BoundEcho(std::string& Echo) {
    if (Echo.size() <= kEchoLimit) return;
    if (Echo.find('\r') < kEchoLimit) return;
    Echo.resize(kEchoKeep);
    Echo += "\r\n";
}

std::string ClientBytesForChild(std::string_view Bytes, bool& AfterCR) {
    std::string out;
    out.reserve(Bytes.size());
    for (const char c : Bytes) {
        const bool lineEndTail = AfterCR && (c == '\n' || c == '\0');
        AfterCR = c == '\r';
        if (lineEndTail) continue;
        out += c == '\r' ? '\n' : c;
    }
    return out;
}

std::string ChildBytesForClient(std::string_view Bytes, bool& AfterCR) {
    std::string out;
    out.reserve(Bytes.size() + Bytes.size() / 8);
    for (const char c : Bytes) {
        if (c == '\n' && !AfterCR) out += '\r';
        out += c;
        AfterCR = c == '\r';
    }
    return out;
}

}  // namespace telnet
