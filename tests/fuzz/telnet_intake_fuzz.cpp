// Feeds arbitrary bytes, cut into reads at places the input chooses, to the
// Telnet command filter of the Telnet and FTP intakes. What comes out does not
// depend on where the reads were split, is never longer than what came in,
// holds every byte of a stream without IAC as it was, and a text doubled for
// the client reads back as that text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/telnetintake.h"
#include "fuzzsupport.h"

namespace {

using fuzz::Check;

constexpr size_t kReadMax = 4096;

std::string Filtered(const std::vector<std::string>& reads) {
    core::ttelnetintake state;
    std::string out;
    for (const std::string& read : reads) {
        core::TakeTelnetData(read, state, out);
        Check(state.SubBytes <= core::kSubnegotiationMost);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> reads = fuzz::SplitReads(stream, kReadMax);
    const std::string all = fuzz::Joined(reads);

    const std::string whole = Filtered({all});
    Check(Filtered(reads) == whole);
    Check(whole.size() <= all.size());
    if (all.find('\xff') == std::string::npos) Check(whole == all);

    // Doubled for the client, any text is read back whole, however cut.
    const std::string doubled = core::DoubledIac(all);
    Check(core::TelnetData(doubled) == all);
    const size_t cut = size == 0 ? 0 : data[0] % (doubled.size() + 1);
    Check(Filtered({doubled.substr(0, cut), doubled.substr(cut)}) == all);
    return 0;
}
