// The byte rules of the Telnet dialogue: the keys the entries take, the login
// echo's bound and the line ends between a Telnet client and a program on
// pipes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "telnet/telnettext.h"

namespace {

using telnet::BoundEcho;
using telnet::ChildBytesForClient;
using telnet::ClientBytesForChild;
using telnet::EditEntry;
using telnet::EntryKeys;

TEST(TelnetEntry, TypedBytesEditAnEntryUpToItsCapacity) {
    struct Case {
        const char* what;
        std::string entry;
        char typed;
        bool changed;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"a byte is appended", "bo", 'b', true, "bob"},
        {"backspace drops the last", "bob", '\b', true, "bo"},
        {"backspace on nothing changes nothing", "", '\b', false, ""},
        {"line feed is ignored", "bo", '\n', false, "bo"},
        {"a full entry takes nothing more", "abc", 'd', false, "abc"},
        {"backspace still works when full", "abc", '\b', true, "ab"},
        {"control bytes and high bytes are typed bytes", "", '\x1b', true, "\x1b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string entry = c.entry;
        EXPECT_EQ(EditEntry(entry, c.typed, 3), c.changed);
        EXPECT_EQ(entry, c.after);
    }
}

TEST(TelnetEcho, LongEchoesWithoutACarriageReturnAreCut) {
    struct Case {
        const char* what;
        std::string echo;
        std::string expected;
    };
    const std::string x256(256, 'x');
    const std::vector<Case> cases = {
        {"short echoes stay", "bob", "bob"},
        {"256 bytes stay", x256, x256},
        {"257 bytes become 254 and CR LF", x256 + "y", std::string(254, 'x') + "\r\n"},
        {"a CR in the first 256 keeps it", "\r" + x256, "\r" + x256},
        {"a CR only after 256 does not", x256 + "\r", std::string(254, 'x') + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string echo = c.echo;
        BoundEcho(echo);
        EXPECT_EQ(echo, c.expected);
    }
}

struct LineEndCase {
    const char* what;
    std::string in;
    std::string out;
};

// Every split of the input into two pieces gives the same bytes as one piece.
template <class Convert>
void ExpectSameAtEverySplit(const LineEndCase& c, Convert convert) {
    for (size_t split = 0; split <= c.in.size(); ++split) {
        SCOPED_TRACE("split at " + std::to_string(split));
        bool afterCR = false;
        std::string out = convert(c.in.substr(0, split), afterCR);
        out += convert(c.in.substr(split), afterCR);
        EXPECT_EQ(out, c.out);
    }
}

TEST(TelnetLineEnds, ClientLineEndsReachTheChildAsLineFeeds) {
    const std::vector<LineEndCase> cases = {
        {"CR LF", "echo hi\r\n", "echo hi\n"},
        {"CR NUL", std::string("echo hi\r\0", 9), "echo hi\n"},
        {"a lone CR", "echo hi\r", "echo hi\n"},
        {"a lone CR before more text", "a\rb", "a\nb"},
        {"a lone LF stays", "a\nb", "a\nb"},
        {"two lines", "a\r\nb\r\n", "a\nb\n"},
        {"an empty line between", "a\r\n\r\nb", "a\n\nb"},
        {"CR CR makes two lines", "\r\r", "\n\n"},
        {"a NUL not after CR stays", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"other bytes pass", "\x08\x03\xff", "\x08\x03\xff"},
    };
    for (const LineEndCase& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectSameAtEverySplit(c, ClientBytesForChild);
    }
}

TEST(TelnetLineEnds, EntriesTakeEachLineEndAsOneCrAndDelAsBackspace) {
    const std::vector<LineEndCase> cases = {
        {"CR LF", "alice\r\nSup3rSecret\r\n", "alice\rSup3rSecret\r"},
        {"CR NUL", std::string("alice\r\0pw\r\0", 12), "alice\rpw\r"},
        {"a lone CR", "a\rb\r", "a\rb\r"},
        {"an empty line is a CR of its own", "\r\n\r\n", "\r\r"},
        {"a lone LF stays, and the entries pass over it", "a\nb", "a\nb"},
        {"a NUL not after CR is nothing", std::string("a\0b", 3), "ab"},
        {"DEL is backspace", "bob\x7f\r", "bob\b\r"},
        {"other bytes pass", "\x03\xff\x1b", "\x03\xff\x1b"},
    };
    for (const LineEndCase& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectSameAtEverySplit(c, EntryKeys);
    }
}

TEST(TelnetLineEnds, ChildLineFeedsReachTheClientAsCrLf) {
    const std::vector<LineEndCase> cases = {
        {"LF", "hi\n", "hi\r\n"},
        {"CR LF stays", "hi\r\n", "hi\r\n"},
        {"two LFs", "\n\n", "\r\n\r\n"},
        {"a lone CR stays", "a\rb", "a\rb"},
        {"no line end", "$ ", "$ "},
    };
    for (const LineEndCase& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectSameAtEverySplit(c, ChildBytesForClient);
    }
}

}  // namespace
