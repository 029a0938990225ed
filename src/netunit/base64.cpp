#include "netunit/base64.h"

#include <array>
#include <cstdint>

namespace netunit {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kNotInAlphabet = -1;

std::string Encode(const unsigned char* data, size_t length) {
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        const size_t left = length - i;
        uint32_t group = static_cast<uint32_t>(data[i]) << 16;
        if (left > 1) group |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (left > 2) group |= data[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

const std::array<int, 256>& DecodeTable() {
    static const std::array<int, 256> table = [] {
        std::array<int, 256> t{};
        t.fill(kNotInAlphabet);
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = i;
        return t;
    }();
    return table;
}

}  // namespace

bool StepCounter(int& counter, int limit, int reset) {
    if (++counter > limit) {
        counter = reset;
        return true;
    }
    return false;
}

std::string Base64Credentials(const std::string& user, const std::string& password) {
    const std::string joined = user + ":" + password;
    return Encode(reinterpret_cast<const unsigned char*>(joined.data()), joined.size());
}

std::string Base64EncodeLines(const void* buffer, size_t length) {
    const std::string encoded = Encode(static_cast<const unsigned char*>(buffer), length);
    const size_t digits = encoded.find('=') == std::string::npos ? encoded.size() : encoded.find('=');
    std::string out;
    out.reserve(encoded.size() + (encoded.size() / kBase64LineLength + 1) * 2);
    int counter = 1;
    for (size_t k = 0; k < digits; ++k) {
        out += encoded[k];
        // The last character is not counted, so the padding never starts a
        // line of its own.
        if (k + 1 < digits && StepCounter(counter, kBase64LineLength, 1)) out += "\r\n";
    }
    out.append(encoded, digits, std::string::npos);
    out += "\r\n";
    return out;
}

std::string Base64Decode(const std::string& text) {
    const auto& table = DecodeTable();
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const int v = table[static_cast<unsigned char>(c)];
        if (v == kNotInAlphabet) continue;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out += static_cast<char>((bits >> 16) & 0xFF);
            out += static_cast<char>((bits >> 8) & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            bits = 0;
            count = 0;
        }
    }
    if (count == 3) {
        out += static_cast<char>((bits >> 10) & 0xFF);
        out += static_cast<char>((bits >> 2) & 0xFF);
    } else if (count == 2) {
        out += static_cast<char>((bits >> 4) & 0xFF);
    }
    return out;
}

}  // namespace netunit
