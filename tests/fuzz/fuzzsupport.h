// What the fuzz targets share: a property that fails ends the run, and the
// input is cut into the reads in which a peer's bytes arrive.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// A byte announces each read: 0xFF repeats the previous read (so that a short
// input can stand for a long stream), any other value gives its length,
// 1 to MaxRead bytes taken from what follows.
constexpr unsigned char kRepeatRead = 0xFF;
inline std::vector<std::string> SplitReads(std::string_view input, size_t MaxRead) {
    std::vector<std::string> reads;
    size_t pos = 0;
    while (pos < input.size()) {
        const unsigned char announce = static_cast<unsigned char>(input[pos++]);
        if (announce == kRepeatRead && !reads.empty()) {
            reads.push_back(std::string(reads.back()));
            continue;
        }
        const size_t length = 1 + announce * 17u % MaxRead;
        reads.emplace_back(input.substr(pos, length));
        pos += length;
    }
    return reads;
}

inline std::string Joined(const std::vector<std::string>& Reads) {
    std::string all;
    for (const std::string& read : Reads) all += read;
    return all;
}

}  // namespace fuzz
