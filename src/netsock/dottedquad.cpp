#include "netsock/dottedquad.h"

#include <charconv>

namespace netsock {
namespace {
constexpr size_t kDottedMax = 16;  // "255.255.255.255" and its end
}  // namespace

std::string DottedQuad(in_addr Address) {
    // s_addr is in network order: its first byte in memory is the first number.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&Address.s_addr);
    char text[kDottedMax];
    char* at = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) *at++ = '.';
        at = std::to_chars(at, text + sizeof text, bytes[i]).ptr;
    }
    return std::string(text, at);
}

}  // namespace netsock
