#include "core/texthelpers.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "netunit/tempdir.h"

TEST(SharedTextHelpers, NthWordAsATable) {
    struct Row {
        const char* text;
        int n;
        const char* word;
    };
    const Row rows[] = {
        {"USER  bob", 1, "USER"},
        {"USER  bob", 2, "bob"},
        {"USER  bob", 3, ""},
        {" USER bob", 1, ""},  // a leading blank makes an empty first word
        {" USER bob", 2, "USER"},
        {"USER bob\r\n", 2, "bob\r\n"},
        {"GET\t/x HTTP/1.0", 1, "GET\t/x"},
        {"a b", 0, ""},
        {"", 1, ""},
        {"a   ", 2, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " #" + std::to_string(r.n));
        EXPECT_EQ(NthWord(r.text, r.n), r.word);
    }
}

TEST(SharedTextHelpers, ArgumentsLinesAndTrimming) {
    struct Row {
        const char* text;
        const char* argument;
        const char* firstLine;
        int lineFeeds;
        const char* trimmed;
    };
    const Row rows[] = {
        {"CWD  my files", "my files", "CWD  my files", 0, "CWD  my files"},
        {"NOOP", "", "NOOP", 0, "NOOP"},
        {"RETR a b \r\n", "a b \r\n", "RETR a b ", 1, "RETR a b \r\n"},
        {"  x  ", "x  ", "  x  ", 0, "x"},
        {"a\nb\r\nc\n", "", "a\nb", 3, "a\nb\r\nc\n"},
        {"", "", "", 0, ""},
        {" \t ", "\t ", " \t ", 0, "\t"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(CommandArgument(r.text), r.argument);
        EXPECT_EQ(FirstLine(r.text), r.firstLine);
        EXPECT_EQ(CountLF(r.text), r.lineFeeds);
        EXPECT_EQ(TrimSpaces(r.text), r.trimmed);
    }
    EXPECT_EQ(CopyFrom("abcdef", 3), "cdef");
    EXPECT_EQ(CopyFrom("abcdef", 9), "");
    EXPECT_EQ(MinInt(3, -2), -2);
    EXPECT_EQ(MinInt(4096, 4096), 4096);
}

TEST(SharedTextHelpers, BufferInsertion) {
    char buffer[16] = "abcdef";
    PrependToBuffer("XYZ", buffer, 6);  // overlapping move
    EXPECT_EQ(std::string(buffer, 9), "XYZabcdef");
    PrependToBuffer("", buffer, 9);
    EXPECT_EQ(std::string(buffer, 9), "XYZabcdef");
    CopyIntoBuffer("12", buffer, 4);
    EXPECT_EQ(std::string(buffer, 9), "XYZa12def");
}

TEST(SharedTextHelpers, DeviceNames) {
    struct Row {
        const char* path;
        bool device;
    };
    const Row rows[] = {{"lpt3", true},       {"/x/com2", true}, {"/srv/AUX", true}, {"COM5", false},
                        {"/srv/com5", false}, {"CON", false},    {"AB", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(IsDeviceName(r.path), r.device);
    }
}

TEST(SharedFileSizes, FolderAndFileSizes) {
    TempDir dir;
    dir.Write("home/bob/ten.txt", std::string(10, 'x'));
    dir.Write("home/bob/sub/twenty.txt", std::string(20, 'y'));
    ASSERT_TRUE(std::filesystem::create_directory(dir / "home/bob/empty"));
    EXPECT_EQ(DirectorySize(dir / "home/bob"), 30);
    EXPECT_EQ(DirectorySize(dir / "home/bob/"), 30);
    EXPECT_EQ(UserDirUsage(dir / "home/bob"), 30);
    EXPECT_EQ(UserDirUsage(dir / "home/nobody"), 0);
    EXPECT_EQ(FileSizeOf(dir / "home/bob/ten.txt"), 10);
    EXPECT_EQ(FileSizeOf(dir / "home/bob/missing"), 0);
    EXPECT_EQ(FileSizeOf(dir / "home/bob/sub"), 0);
    EXPECT_EQ(FileSizeOf(dir / "home/bob/t*"), 0) << "the name is taken as it is";
}

TEST(SharedFileSizes, LinkLoopsAreNotFollowedAndLargeTotalsDoNotWrap) {
    TempDir dir;
    dir.Write("user/a.txt", "12345");
    const std::string loop = dir / "user/loop";
    ASSERT_EQ(::symlink((dir / "user").c_str(), loop.c_str()), 0);
    EXPECT_EQ(DirectorySize(dir / "user"), 5);

    // Two sparse files of 3 GiB: the total passes every 32-bit range.
    const int64_t three = int64_t{3} << 30;
    for (const char* name : {"big/one", "big/two"}) {
        dir.Write(name, "");
        std::filesystem::resize_file(dir / name, static_cast<uintmax_t>(three));
    }
    EXPECT_EQ(DirectorySize(dir / "big"), 2 * three);
    EXPECT_EQ(FileSizeOf(dir / "big/one"), three);
}
