// Telnet commands taken out of a client's bytes: what is left is what the
// client typed, however the bytes were cut into reads.
#include "core/telnetintake.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace core {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out += static_cast<char>(v);
    return out;
}

const std::string kIac = Bytes({0xff});
const std::string kWillNaws = Bytes({0xff, 0xfb, 0x1f});
// A window of 80 by 24: the sizes hold NUL bytes.
const std::string kNaws80x24 = Bytes({0xff, 0xfa, 0x1f, 0x00, 0x50, 0x00, 0x18, 0xff, 0xf0});
const std::string kInterruptProcess = Bytes({0xff, 0xf4});

TEST(TelnetIntake, CommandsLeaveOnlyTheTypedBytes) {
    struct Row {
        const char* what;
        std::string received;
        std::string typed;
    };
    const Row rows[] = {
        {"plain typing passes", "alice\r\n", "alice\r\n"},
        {"IAC IAC is one 0xFF", "bad" + kIac + kIac + ".bin", "bad\xff.bin"},
        {"a negotiation goes", "al" + kWillNaws + "ice", "alice"},
        {"a window-size subnegotiation goes, NUL bytes and all", "al" + kNaws80x24 + "ice\r", "alice\r"},
        {"a doubled 0xFF inside a subnegotiation does not end it",
         Bytes({0xff, 0xfa, 0x1f, 0x00, 0xff, 0xff, 0x00, 0x18, 0xff, 0xf0}) + "x", "x"},
        {"interrupt process goes", "ls" + kInterruptProcess + "\r", "ls\r"},
        {"every command without an argument goes", Bytes({0xff, 0xf0, 0xff, 0xf1, 0xff, 0xf9}) + "a", "a"},
        {"an IAC before a byte that is no command is an undoubled 0xFF", "bad" + kIac + ".bin", "bad\xff.bin"},
        {"a subnegotiation cut short by another command",
         Bytes({0xff, 0xfa, 0x18, 0x01, 0xff, 0xfd, 0x01}) + "ok", "ok"},
        {"a subnegotiation that never ends gives up after its limit",
         Bytes({0xff, 0xfa}) + std::string(kSubnegotiationMost, 'x') + "typed", "typed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(TelnetData(row.received), row.typed);
        // Cut into two reads anywhere, the same bytes come out.
        for (size_t cut = 0; cut <= row.received.size(); ++cut) {
            ttelnetintake state;
            std::string typed;
            TakeTelnetData(row.received.substr(0, cut), state, typed);
            TakeTelnetData(row.received.substr(cut), state, typed);
            EXPECT_EQ(typed, row.typed) << "cut at " << cut;
        }
    }
}

TEST(TelnetIntake, AWholePieceEndingInIacKeepsIt) {
    EXPECT_EQ(TelnetData("CWD dir" + kIac), "CWD dir\xff");
    EXPECT_EQ(TelnetData("CWD dir" + kIac + kIac), "CWD dir\xff");
}

TEST(TelnetIntake, DoubledTextReadsBackAsItWas) {
    const std::string name = "bad\xff.bin \xff\xff end";
    EXPECT_EQ(DoubledIac("257 \"/bad\xff.bin\""), "257 \"/bad\xff\xff.bin\"");
    EXPECT_EQ(DoubledIac("no command bytes"), "no command bytes");
    EXPECT_EQ(TelnetData(DoubledIac(name)), name);
}

}  // namespace
}  // namespace core
