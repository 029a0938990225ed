#include "core/listener.h"

#include <charconv>

namespace {
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;
}  // namespace

bool ParsePortText(const std::string& text, int& port) {
    int value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    // The conversion allows one leading sign, as the whole-number conversion
    // the port edit was designed for does.
    if (first != last && *first == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last) return false;
    if (value < kLowestPort || value > kHighestPort) return false;
    port = value;
    return true;
}
