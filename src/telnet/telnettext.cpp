#include "telnet/telnettext.h"

namespace telnet {
namespace {

constexpr char kCR = '\r';
constexpr char kBS = '\b';
constexpr char kDEL = '\x7f';

// The client's bytes without the tail of each line end (the LF or NUL right
// after a CR); Map gives what each other byte becomes (0 to 255), or kNothing
// when it goes.
constexpr int kNothing = -1;
int Kept(char c) { return static_cast<unsigned char>(c); }
template <class Map>
std::string WithoutLineEndTails(std::string_view Bytes, bool& AfterCR, Map map) {
    std::string out;
    out.reserve(Bytes.size());
    for (const char c : Bytes) {
        const bool lineEndTail = AfterCR && (c == '\n' || c == '\0');
        AfterCR = c == kCR;
        if (lineEndTail) continue;
        if (const int mapped = map(c); mapped != kNothing) out += static_cast<char>(mapped);
    }
    return out;
}

}  // namespace

std::string EntryKeys(std::string_view Typed, bool& AfterCR) {
    return WithoutLineEndTails(Typed, AfterCR, [](char c) -> int {
        if (c == '\0') return kNothing;
        return Kept(c == kDEL ? kBS : c);
    });
}

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
    // A NUL that is no line end's tail still reaches the program.
    return WithoutLineEndTails(Bytes, AfterCR, [](char c) { return Kept(c == kCR ? '\n' : c); });
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
