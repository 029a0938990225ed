// The message text after DATA: line ends, the added From line, the final dot
// and what follows it.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "mail/smtpdata.h"

namespace mail {
namespace {

const std::string kFrom = "from: <a@b>";

struct Outcome {
    std::string text;
    std::string rest;
    size_t consumed = 0;
    bool complete = false;
};

// Feeds the input in pieces cut at Splits, as reads would bring it.
Outcome Feed(const std::string& input, std::initializer_list<size_t> splits = {}) {
    Outcome out;
    tmessagetext state;
    std::string buffer;
    size_t from = 0;
    std::vector<size_t> cuts(splits);
    cuts.push_back(input.size());
    for (size_t cut : cuts) {
        buffer += input.substr(from, cut - from);
        from = cut;
        if (out.complete) continue;
        const tdatachunk chunk = TakeMessageText(buffer, state, kFrom);
        out.text += chunk.Text;
        out.consumed += chunk.Consumed;
        out.complete = chunk.Complete;
    }
    out.rest = buffer;
    return out;
}

TEST(MessageText, StoresTheMessageAsTheMailboxKeepsIt) {
    struct Row {
        const char* what;
        std::string input;
        std::string text;
        std::string rest;
    };
    const Row rows[] = {
        {"From line added before the empty line", "Subject: x\r\n\r\nbody\r\n.\r\n",
         "Subject: x\r\nfrom: <a@b>\r\n\r\nbody\r\n.\r\n", ""},
        {"a From header in any case is kept", "FROM: z\r\nSubject: x\r\n\r\nbody\r\n.\r\n",
         "FROM: z\r\nSubject: x\r\n\r\nbody\r\n.\r\n", ""},
        {"added once although the body has empty lines", "A: 1\r\n\r\nb\r\n\r\nc\r\n.\r\n",
         "A: 1\r\nfrom: <a@b>\r\n\r\nb\r\n\r\nc\r\n.\r\n", ""},
        {"a From line in the body does not count", "A: 1\r\n\r\nFrom: body\r\n.\r\n",
         "A: 1\r\nfrom: <a@b>\r\n\r\nFrom: body\r\n.\r\n", ""},
        {"no header at all", "\r\nbody\r\n.\r\n", "from: <a@b>\r\n\r\nbody\r\n.\r\n", ""},
        {"header without its end gets nothing", "A: 1\r\n.\r\n", "A: 1\r\n.\r\n", ""},
        {"bare LF line ends become CR LF", "A: 1\n\nx\ny\r\n.\r\n", "A: 1\r\nfrom: <a@b>\r\n\r\nx\r\ny\r\n.\r\n", ""},
        {"dot-stuffed lines keep their dots", "A: 1\r\n\r\n..x\r\n.y\r\n.\r\n",
         "A: 1\r\nfrom: <a@b>\r\n\r\n..x\r\n.y\r\n.\r\n", ""},
        {"an empty message", ".\r\n", ".\r\n", ""},
        {"what follows the dot stays for the next command", "A: 1\r\n\r\nx\r\n.\r\nQUIT\r\n",
         "A: 1\r\nfrom: <a@b>\r\n\r\nx\r\n.\r\n", "QUIT\r\n"},
        {"a line ending in CR CR LF is no dot line, and is kept from reading back as one",
         "A: 1\r\n\r\n.\r\r\n.\r\n", "A: 1\r\nfrom: <a@b>\r\n\r\n..\r\r\n.\r\n", ""},
        {"an unended line waits", "A: 1\r\n\r\npartial", "A: 1\r\nfrom: <a@b>\r\n\r\n", "partial"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Outcome out = Feed(row.input);
        EXPECT_EQ(out.text, row.text);
        EXPECT_EQ(out.rest, row.rest);
        EXPECT_EQ(out.consumed, row.input.size() - row.rest.size());
    }
}

// Only CR LF "." CR LF ends the message. Every other "." line is text, stored
// dot-stuffed so that it cannot end the message when it is read back or
// relayed; the forged envelope behind it stays message text.
TEST(MessageText, OnlyCrLfDotCrLfEndsTheMessage) {
    const std::string forged = "MAIL FROM:<x@y>\r\nRCPT TO:<amy@d>\r\nDATA\r\nforged\r\n";
    const std::string head = "A: 1\r\n\r\nbody";
    const std::string stored = "A: 1\r\nfrom: <a@b>\r\n\r\nbody\r\n";
    const std::string storedForged = "MAIL FROM:<x@y>\r\nRCPT TO:<amy@d>\r\nDATA\r\nforged\r\n";
    struct Row {
        const char* what;
        std::string end;     // what follows "body"
        std::string asText;  // how that "." line is stored
    };
    const Row rows[] = {
        {"LF . LF", "\n.\n", "..\r\n"},
        {"CR LF . LF", "\r\n.\n", "..\r\n"},
        {"LF . CR LF", "\n.\r\n", "..\r\n"},
        {"CR LF . NUL CR LF", std::string("\r\n.\0\r\n", 6), "..\r\n"},
        {"CR LF NUL . CR LF", std::string("\r\n\0.\r\n", 6), "..\r\n"},
        {"CR LF . CR CR LF", "\r\n.\r\r\n", "..\r\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string input = head + row.end + forged + ".\r\n";
        const Outcome whole = Feed(input);
        EXPECT_TRUE(whole.complete);
        EXPECT_EQ(whole.text, stored + row.asText + storedForged + ".\r\n");
        EXPECT_EQ(whole.rest, "");
        for (size_t split = 0; split <= input.size(); ++split) {
            SCOPED_TRACE(split);
            const Outcome fed = Feed(input, {split});
            EXPECT_EQ(fed.text, whole.text);
            EXPECT_TRUE(fed.complete);
        }
    }
}

TEST(MessageText, NulBytesAreLeftOutOfStoredLines) {
    const Outcome out = Feed(std::string("\r\na\0b\r\n\0.x\r\n.\r\n", 17));
    EXPECT_TRUE(out.complete);
    EXPECT_EQ(out.text, "from: <a@b>\r\n\r\nab\r\n..x\r\n.\r\n");
}

TEST(MessageText, SameTextWhateverTheSplit) {
    const std::string input = "Subject: s\r\nX: 1\n\r\nline\r\nFrom: late\r\n..dot\r\n.\r\nQUIT\r\n";
    const Outcome whole = Feed(input);
    ASSERT_TRUE(whole.complete);
    for (size_t a = 0; a <= input.size(); ++a)
        for (size_t b = a; b <= input.size(); b += 7) {
            SCOPED_TRACE(std::to_string(a) + "," + std::to_string(b));
            const Outcome split = Feed(input, {a, b});
            EXPECT_EQ(split.text, whole.text);
            EXPECT_EQ(split.rest, whole.rest);
            EXPECT_TRUE(split.complete);
        }
}

TEST(MessageText, BoundsAnUnendedLine) {
    tmessagetext state;
    std::string buffer(kMessageLineMax, 'x');
    EXPECT_FALSE(TakeMessageText(buffer, state, kFrom).LineTooLong);
    buffer += "x";
    EXPECT_TRUE(TakeMessageText(buffer, state, kFrom).LineTooLong);
}

TEST(MessageText, AddedFromLineStaysOneLine) {
    EXPECT_EQ(AddedFromLine("  <a@b>  "), "from: <a@b>");
    EXPECT_EQ(AddedFromLine("<a@b>\rBcc: x"), "from: <a@b>Bcc: x");
}

TEST(MessageText, CountsTraceLinesOfTheHeaderOnly) {
    struct Row {
        const char* what;
        std::string input;
        int hops;
    };
    const Row rows[] = {
        {"none", "Subject: s\r\n\r\nbody\r\n.\r\n", 0},
        {"any letter case", "Received: a\r\nRECEIVED: b\r\nreceived:c\r\n\r\n.\r\n", 3},
        {"folded lines count once", "Received: from a\r\n\tby b\r\nReceived: x\r\n\r\n.\r\n", 2},
        {"not in the body", "Subject: s\r\n\r\nReceived: quoted\r\n.\r\n", 0},
        {"not a look-alike", "X-Received: a\r\nReceived-SPF: b\r\n\r\n.\r\n", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tmessagetext state;
        std::string buffer = row.input;
        TakeMessageText(buffer, state, kFrom);
        EXPECT_EQ(state.Hops, row.hops);
    }
}

TEST(MessageText, TraceLinesNameClientServerAndProtocol) {
    const std::string lines = TraceLines("client.test\x01", "127.0.0.9", "mx.example.test", "ESMTP", 0);
    EXPECT_EQ(lines.rfind("Received: from client.test ([127.0.0.9])\r\n\tby mx.example.test with ESMTP; ", 0), 0u)
        << lines;
    EXPECT_TRUE(lines.ends_with("\r\n"));
    EXPECT_EQ(lines.find('\x01'), std::string::npos);
    EXPECT_NE(TraceLines("", "1.2.3.4", "s", "SMTP", 0).find("from unknown ([1.2.3.4])"), std::string::npos);
    // An RFC 5322 date: day, date, time and zone, in English.
    const std::string date = lines.substr(lines.find("; ") + 2);
    EXPECT_TRUE(std::regex_match(date, std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d{1,2} "
                                                  "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                                                  "\\d\\d:\\d\\d:\\d\\d [+-]\\d{4}\r\n")))
        << date;
}

}  // namespace
}  // namespace mail
