#include "core/filesizes.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "netunit/tempdir.h"

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
