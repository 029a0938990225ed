// Feeds arbitrary bytes, cut into reads at places the input chooses, to the
// Telnet intake: the typed entries of the login and change screens with their
// echo (Telnet commands taken out, line ends as one CR), and the line-end
// translation between the client and a program on pipes. An entry never
// outgrows its capacity nor the echo of one read the receive's size; the
// entries typed and the translated bytes do not depend on where the reads
// were split; the two translations undo each other.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.h"
#include "core/telnetintake.h"
#include "fuzzsupport.h"
#include "netsock/netsockets.h"
#include "telnet/telnettext.h"

namespace {

using fuzz::Check;

constexpr size_t kReceiveMax = Tnetsockets::kReceiveTextChunk;
constexpr char kCR = '\r';

// The entries finished by CR, typed as the login screens take them: each read
// is walked byte by byte and its echo bounded after every byte. Once cut, the
// echo holds the CR of its cut and is not cut again, so what bounds the echo
// of a whole receive is the receive's size.
std::vector<std::string> TypeEntries(const std::vector<std::string>& reads, size_t capacity, bool asReceived) {
    std::vector<std::string> entries;
    std::string entry;
    core::ttelnetintake intake;
    bool afterCR = false;
    for (const std::string& read : reads) {
        std::string typed;
        core::TakeTelnetData(read, intake, typed);
        const std::string text = telnet::EntryKeys(typed, afterCR);
        std::string echo;
        size_t echoed = 0;
        for (const char c : text) {
            if (c == kCR) {
                entries.push_back(entry);
                entry.clear();
            } else if (telnet::EditEntry(entry, c, capacity)) {
                echo += c;
                ++echoed;
            }
            telnet::BoundEcho(echo);
            Check(entry.size() <= capacity);
            if (asReceived) Check(echo.size() <= std::max(telnet::kEchoLimit, kReceiveMax + 2));
        }
        // Nothing is cut from an echo that stayed within its bound.
        if (echoed <= telnet::kEchoLimit) Check(echo.size() == echoed);
        if (echoed > telnet::kEchoLimit) Check(echo.size() >= telnet::kEchoKeep + 2);
    }
    entries.push_back(entry);
    return entries;
}

template <class Translate>
std::string Translated(const std::vector<std::string>& reads, Translate translate) {
    bool afterCR = false;
    std::string out;
    for (const std::string& read : reads) out += translate(read, afterCR);
    return out;
}

std::string ForChild(std::string_view bytes) {
    bool afterCR = false;
    return telnet::ClientBytesForChild(bytes, afterCR);
}

std::string ForClient(std::string_view bytes) {
    bool afterCR = false;
    return telnet::ChildBytesForClient(bytes, afterCR);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> reads = fuzz::SplitReads(stream, kReceiveMax);
    const std::string all = fuzz::Joined(reads);

    // Typed entries: split as received or in one piece, the same entries
    // result.
    const size_t capacity = data[0] & 1 ? kUserNameCapacity : kPasswordCapacity + data[0] % 100;
    Check(TypeEntries(reads, capacity, true) == TypeEntries({all}, capacity, false));

    // Line ends toward a program: no CR is left, and reads split anywhere
    // give what the whole gives.
    const std::string toChild = ForChild(all);
    Check(toChild.find(kCR) == std::string::npos && toChild.size() <= all.size());
    Check(Translated(reads, telnet::ClientBytesForChild) == toChild);

    // Line ends toward the client: every LF follows a CR, and reads split
    // anywhere give what the whole gives.
    const std::string toClient = ForClient(all);
    for (size_t i = 0; i < toClient.size(); ++i)
        if (toClient[i] == '\n') Check(i > 0 && toClient[i - 1] == kCR);
    Check(Translated(reads, telnet::ChildBytesForClient) == toClient);

    // What a program writes reaches it back unchanged through the client's
    // line ends.
    Check(ForChild(ForClient(toChild)) == toChild);
    return 0;
}
