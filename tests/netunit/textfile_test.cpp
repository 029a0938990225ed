#include "netunit/textfile.h"

#include <fcntl.h>

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "netunit/tempdir.h"

using namespace netunit;

namespace {

using Lines = std::vector<std::string>;

Lines ReadLines(const std::string& name) {
    Lines lines;
    TTextFile t;
    if (!TextReset(t, name)) return {"<not opened>"};
    std::string line;
    while (TextReadLine(t, line)) lines.push_back(line);
    EXPECT_TRUE(line.empty()) << "the failing read leaves an empty line";
    EXPECT_TRUE(TextEof(t));
    EXPECT_EQ(TextClose(t), 0);
    return lines;
}

}  // namespace

TEST(FileLayerText, LineEndsAsATable) {
    struct Row {
        const char* why;
        std::string bytes;
        Lines lines;
    };
    const Row rows[] = {
        {"empty file", "", {}},
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF alone", "one\ntwo\n", {"one", "two"}},
        {"last line without end", "one\r\ntwo", {"one", "two"}},
        {"CR inside a line disappears", "a\rb\r\nc", {"ab", "c"}},
        {"CR CR LF", "a\r\r\nb", {"a", "b"}},
        {"empty lines", "\r\n\n\r\nx", {"", "", "", "x"}},
        {"lone CR at the end", "x\r", {"x"}},
        {"0x1A is data", std::string("before\x1A" "after\r\nnext"), {"before\x1A" "after", "next"}},
        {"NUL is data", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        TempDir dir;
        EXPECT_EQ(ReadLines(dir.Write("t.txt", r.bytes)), r.lines);
    }
}

// The CR LF pair may fall anywhere around the edge of a read-ahead block.
TEST(FileLayerText, EveryPlaceOfCRLFAroundTheBufferEdge) {
    for (size_t first = kTextBufferSize - 4; first <= kTextBufferSize + 2; ++first) {
        SCOPED_TRACE("first line of " + std::to_string(first) + " bytes");
        TempDir dir;
        const std::string a(first, 'a');
        const std::string b(10, 'b');
        EXPECT_EQ(ReadLines(dir.Write("t.txt", a + "\r\n" + b + "\r\n" + "c")), (Lines{a, b, "c"}));
    }
}

TEST(FileLayerText, AnOverlongLineComesInBoundedPieces) {
    TempDir dir;
    const std::string longLine(kTextLineLimit * 2 + 5, 'x');
    const Lines lines = ReadLines(dir.Write("t.txt", longLine + "\r\nshort\r\n"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), kTextLineLimit);
    EXPECT_EQ(lines[1].size(), kTextLineLimit);
    EXPECT_EQ(lines[2], "xxxxx");
    EXPECT_EQ(lines[3], "short");
    // A line of exactly the limit is one line, not one and an empty one.
    EXPECT_EQ(ReadLines(dir.Write("u.txt", std::string(kTextLineLimit, 'y') + "\r\nz")),
              (Lines{std::string(kTextLineLimit, 'y'), "z"}));
}

TEST(FileLayerText, WritingUsesCRLFAndMakesFolders) {
    TempDir dir;
    const std::string name = dir / "logs/today/server.log";
    TTextFile t;
    ASSERT_TRUE(TextRewrite(t, name));
    EXPECT_TRUE(TextWrite(t, "a"));
    EXPECT_TRUE(TextWriteLine(t, "b"));
    EXPECT_TRUE(TextWriteLine(t, ""));
    EXPECT_TRUE(TextEof(t)) << "a file being written has no lines to read";
    std::string line = "x";
    EXPECT_FALSE(TextReadLine(t, line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(TextClose(t), 0);
    EXPECT_EQ(TempDir::Read(name), "ab\r\n\r\n");

    ASSERT_TRUE(TextAppend(t, name));
    EXPECT_TRUE(TextWriteLine(t, "more"));
    EXPECT_EQ(TextClose(t), 0);
    EXPECT_EQ(TempDir::Read(name), "ab\r\n\r\nmore\r\n");

    ASSERT_TRUE(TextRewrite(t, name));  // truncates
    EXPECT_EQ(TextClose(t), 0);
    EXPECT_EQ(TempDir::Read(name), "");
}

TEST(FileLayerText, LargeWritesArriveWhole) {
    TempDir dir;
    const std::string name = dir / "big.txt";
    std::string expected;
    TTextFile t;
    ASSERT_TRUE(TextRewrite(t, name));
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "line " + std::to_string(i);
        ASSERT_TRUE(TextWriteLine(t, line));
        expected += line + "\r\n";
    }
    EXPECT_EQ(TextClose(t), 0);
    EXPECT_EQ(TempDir::Read(name), expected);
}

TEST(FileLayerText, Failures) {
    TempDir dir;
    TTextFile t;
    EXPECT_FALSE(TextReset(t, dir / "missing"));
    EXPECT_FALSE(TextAppend(t, dir / "missing"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing")) << "append does not create";
    EXPECT_NE(TextClose(t), 0) << "closing a file that is not open is an error";
    EXPECT_TRUE(TextEof(t));
    std::string line;
    EXPECT_FALSE(TextReadLine(t, line));
    EXPECT_FALSE(TextWriteLine(t, "x"));

    ASSERT_TRUE(TextReset(t, dir.Write("r.txt", "x")));
    EXPECT_FALSE(TextWriteLine(t, "not writable")) << "a file opened for reading takes no lines";
    EXPECT_EQ(TextClose(t), 0);
}

TEST(FileLayerText, DestructorWritesAndReleases) {
    TempDir dir;
    const std::string name = dir / "f.txt";
    {
        TTextFile t;
        ASSERT_TRUE(TextRewrite(t, name));
        TextWriteLine(t, "kept");
    }
    EXPECT_EQ(TempDir::Read(name), "kept\r\n");
    TTextFile again;
    EXPECT_TRUE(TextAppend(again, name)) << "the sharing entry went with the object";
    TextClose(again);
}
