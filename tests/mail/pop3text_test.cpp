// POP3 message numbers and the text of RETR and TOP, sent piece by piece.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/pop3text.h"

namespace mail {
namespace {

// Sends the message body (the file after its id line) the way the step does,
// reading Block bytes at a time.
std::string Send(const std::string& body, const std::string& target, size_t block) {
    tsendstate state;
    state.Target = target;
    state.Counter = target.empty() ? 0 : -1;
    std::string out;
    size_t pos = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        const std::string piece = body.substr(std::min(pos, body.size()), block);
        const tsendpiece p = TakeMessagePiece(piece, pos + piece.size() >= body.size(), state);
        out += p.Out;
        if (p.Finished) return out;
        pos += p.Used;
    }
    return "no end: " + out;
}

TEST(Pop3Text, MessageNumbers) {
    struct Row {
        const char* arg;
        bool ok;
        int64_t file;
    };
    const Row rows[] = {{"1", true, 0}, {"12", true, 11}, {"01", false, 0}, {"0", false, 0},
                        {"-1", false, 0}, {"+1", false, 0}, {"1x", false, 0}, {"", false, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arg);
        int64_t file = -5;
        EXPECT_EQ(ParseMessageNumber(row.arg, file), row.ok);
        if (row.ok) {
            EXPECT_EQ(file, row.file);
        }
    }
    EXPECT_TRUE(IsMarked({"0", "3"}, 3));
    EXPECT_FALSE(IsMarked({"0", "3"}, 1));
}

TEST(Pop3Text, AnswersRetrAndTop) {
    const std::string message = "Subject: s\r\nFrom: f\r\n\r\none\r\ntwo\r\n.\r\n";
    struct Row {
        const char* what;
        std::string body;
        std::string target;
        std::string out;
    };
    const Row rows[] = {
        {"RETR sends the file as stored", message, "", message},
        {"bare LF line ends go out as CR LF", "A: 1\n\nx\n.\n", "", "A: 1\r\n\r\nx\r\n.\r\n"},
        {"a message without its final dot gets one", "A: 1\r\n\r\nx\r\n", "", "A: 1\r\n\r\nx\r\n.\r\n"},
        {"a last line without line end", "A: 1\r\n\r\nx\r\n.", "", "A: 1\r\n\r\nx\r\n.\r\n"},
        {"an empty body", "", "", ".\r\n"},
        {"TOP 0: the header and the empty line", message, "0", "Subject: s\r\nFrom: f\r\n\r\n.\r\n"},
        {"TOP 1", message, "1", "Subject: s\r\nFrom: f\r\n\r\none\r\n.\r\n"},
        {"TOP past the end sends all", message, "9", message},
        {"TOP of a message without empty line sends all", "A: 1\r\nB: 2\r\n.\r\n", "0", "A: 1\r\nB: 2\r\n.\r\n"},
        {"a count with a leading zero never matches", message, "01", message},
        {"a count with a sign never matches", message, "-1", message},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Send(row.body, row.target, kMessageBlock), row.out);
    }
}

TEST(Pop3Text, LongLinesGoOutWholeInPieces) {
    const std::string longLine(100, 'x');
    const std::string body = "A: 1\r\n\r\n" + longLine + "\r\nshort\r\n" + longLine + "\r\n.\r\n";
    for (size_t block = 3; block <= 120; ++block) {
        SCOPED_TRACE(block);
        EXPECT_EQ(Send(body, "", block), body);
        EXPECT_EQ(Send(body, "1", block), "A: 1\r\n\r\n" + longLine + "\r\n.\r\n");
    }
}

TEST(Pop3Text, EachPieceIsBounded) {
    tsendstate state;
    const std::string block(kMessageBlock, 'x');
    const tsendpiece piece = TakeMessagePiece(block, false, state);
    EXPECT_EQ(piece.Out.size(), kMessageBlock);
    EXPECT_EQ(piece.Used, kMessageBlock);
    EXPECT_TRUE(state.MidLine);
}

TEST(Pop3Text, TopLineCounts) {
    struct Row {
        const char* arg;
        bool ok;
        const char* target;
    };
    const Row rows[] = {{"0", true, "0"},      {"00", true, "0"},     {"007", true, "7"},
                        {"12", true, "12"},    {"1234567890", true, ""}, {"-1", false, ""},
                        {"+1", false, ""},     {"1x", false, ""},     {"", false, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arg);
        std::string target = "unset";
        EXPECT_EQ(ParseTopLines(row.arg, target), row.ok);
        if (row.ok) {
            EXPECT_EQ(target, row.target);
        }
    }
}

// What a client keeps of a RETR answer: the lines before the final ".",
// each without the dot it takes off a line that starts with one.
size_t ReceivedSize(const std::string& answer) {
    size_t size = 0;
    for (size_t pos = 0; pos < answer.size();) {
        const size_t end = answer.find("\r\n", pos);
        const std::string line = answer.substr(pos, end - pos);
        pos = end + 2;
        if (line == "." && pos == answer.size()) break;
        size += line.size() + 2 - (!line.empty() && line[0] == '.' ? 1 : 0);
    }
    return size;
}

TEST(Pop3Text, SizeIsTheMessageAsTheClientReceivesIt) {
    const std::string rows[] = {
        "Subject: a\r\n\r\nbody\r\n.\r\n",
        "Subject: a\r\n\r\n..dotted\r\n...\r\n..\r\n.\r\n",
        "Subject: a\n\nbare line feeds\n.\n",
        "Subject: a\r\n\r\nno final dot\r\n",
        "Subject: a\r\n\r\nlast line unended",
        "Subject: a\r\n\r\ncr before\r\r\n.\r\n",
        "Subject: a\r\n\r\n.",
        "",
    };
    for (const std::string& body : rows) {
        SCOPED_TRACE(body);
        const std::string file = "1234\r\n" + body;
        const size_t expected = ReceivedSize(Send(body, "", kMessageBlock));
        for (size_t block = 1; block <= file.size() + 1; ++block) {
            tmessageoctets octets;
            for (size_t pos = 0; pos < file.size(); pos += block)
                octets.Add(file.data() + pos, std::min(block, file.size() - pos));
            EXPECT_EQ(octets.Finish(), static_cast<int64_t>(expected)) << "blocks of " << block;
        }
    }
}

}  // namespace
}  // namespace mail
