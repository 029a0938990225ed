// Feeds arbitrary bytes to the readers of PORT's argument and of the numbers
// that PORT and REST take. A number read must read again the same from its
// plain decimal form; an accepted PORT names a dotted address of four bytes
// and a port in the allowed range, and both the PORT argument built from it
// and the PASV reply for it read back to the same address and port.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ftp/portparse.h"
#include "fuzzsupport.h"

namespace {

using fuzz::Check;

constexpr int kHighestPort = 65535;
constexpr int kAddressBytes = 4;

// Four decimal numbers 0..255 joined by dots, none with a leading zero.
bool PlainDotted(const std::string& address) {
    size_t pos = 0;
    for (int i = 0; i < kAddressBytes; ++i) {
        if (i > 0) {
            if (pos >= address.size() || address[pos] != '.') return false;
            ++pos;
        }
        unsigned value = 0;
        const char* first = address.data() + pos;
        const auto [end, error] = std::from_chars(first, address.data() + address.size(), value);
        if (error != std::errc() || value > 255 || (end - first > 1 && *first == '0')) return false;
        pos = static_cast<size_t>(end - address.data());
    }
    return pos == address.size();
}

std::string Commas(std::string text) {
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

void CheckTarget(const ftp::PortTarget& target) {
    Check(PlainDotted(target.Address));
    Check(target.Port >= ftp::kLowestDataPort && target.Port <= kHighestPort);

    const std::string argument =
        Commas(target.Address) + "," + std::to_string(target.Port / 256) + "," + std::to_string(target.Port % 256);
    ftp::PortTarget again;
    Check(ftp::ParsePortArgument(argument, again));
    Check(again.Address == target.Address && again.Port == target.Port);

    const std::string reply = ftp::PassiveReply(target.Address, target.Port);
    const size_t open = reply.find('(');
    Check(open != std::string::npos && reply.back() == ')');
    ftp::PortTarget passive;
    Check(ftp::ParsePortArgument(reply.substr(open + 1, reply.size() - open - 2), passive));
    Check(passive.Address == target.Address && passive.Port == target.Port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    int64_t value = 0;
    if (ftp::ParseFtpNumber(text, value)) {
        int64_t again = 0;
        Check(ftp::ParseFtpNumber(std::to_string(value), again) && again == value);
        Check(ftp::ParseFtpNumber("  " + std::to_string(value), again) && again == value);
    }

    ftp::PortTarget target;
    if (ftp::ParsePortArgument(text, target)) {
        CheckTarget(target);
        // Every field is a number in its own right.
        Check(text.find(",,") == std::string::npos);
    } else {
        Check(target.Address.empty() && target.Port == 0);
    }
    return 0;
}
