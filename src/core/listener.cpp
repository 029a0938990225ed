#include "core/listener.h"

#include "netunit/textutil.h"

namespace {
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;
}  // namespace

// The port edit holds text as typed or read from the settings; it is a
// number as the settings' other numbers are (blanks before it are taken).
bool ParsePortText(const std::string& text, int& port) {
    int64_t value = 0;
    if (!netunit::TryStrToInt64(text, value) || value < kLowestPort || value > kHighestPort) return false;
    port = static_cast<int>(value);
    return true;
}
