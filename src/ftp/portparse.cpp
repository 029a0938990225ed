#include "ftp/portparse.h"

#include <charconv>
#include <limits>
#include <vector>

namespace ftp {
namespace {

constexpr int kPortFields = 6;
constexpr int64_t kFieldMax = 255;
constexpr int kHighestPort = 65535;
constexpr int kPortHighByte = 256;

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

bool ByteField(const std::string& text, int64_t& value) {
    return ParseFtpNumber(text, value) && value >= 0 && value <= kFieldMax;
}

}  // namespace

bool ParseFtpNumber(const std::string& text, int64_t& value) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    int base = 10;
    if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        i += 1;
    }
    if (i >= text.size()) return false;
    uint64_t magnitude = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, magnitude, base);
    if (error != std::errc() || end != last) return false;
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit) return false;
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParsePortArgument(const std::string& argument, PortTarget& target) {
    const std::vector<std::string> fields = SplitCommas(argument);
    if (fields.size() != kPortFields) return false;
    int64_t values[kPortFields] = {};
    for (int i = 0; i < kPortFields; ++i)
        if (!ByteField(fields[static_cast<size_t>(i)], values[i])) return false;
    const int port = static_cast<int>(values[4] * kPortHighByte + values[5]);
    if (port < kLowestDataPort || port > kHighestPort) return false;
    target.Address = std::to_string(values[0]) + "." + std::to_string(values[1]) + "." + std::to_string(values[2]) +
                     "." + std::to_string(values[3]);
    target.Port = port;
    return true;
}

std::string PassiveReply(const std::string& localAddress, int port) {
    std::string address = localAddress;
    for (char& c : address)
        if (c == '.') c = ',';
    return "227 Entering Passive Mode (" + address + "," + std::to_string(port / kPortHighByte) + "," +
           std::to_string(port % kPortHighByte) + ")";
}

}  // namespace ftp
