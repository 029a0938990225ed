#include "netunit/shellopen.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "netunit/tempdir.h"

using namespace netunit;

// A stand-in for xdg-open that records its arguments one per line, slowly.
TEST(ShellOpenTest, TargetIsOneArgumentAndTheCallDoesNotWait) {
    TempDir dir;
    const std::string out = dir / "args.txt";
    const std::string script = dir.Write("fake-open",
                                         "#!/bin/sh\nsleep 1\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                             out + ".part'\nmv '" + out + ".part' '" + out + "'\n");
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    SetShellOpenProgram(script);
    const std::string target = "http://example.test/a b?x=1&y=$(touch " + dir.Path() + "pwned);`id`";
    const auto start = std::chrono::steady_clock::now();
    ShellOpen(nullptr, target);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    SetShellOpenProgram("xdg-open");

    for (int i = 0; i < 100 && !std::filesystem::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(TempDir::Read(out), target + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned")) << "no shell may read the target";
}

TEST(ShellOpenTest, AMissingProgramIsNoError) {
    SetShellOpenProgram("/nonexistent/opener");
    ShellOpen(nullptr, "http://example.test/");
    SetShellOpenProgram("xdg-open");
}

// A file name that is no UTF-8 reaches the opener byte for byte, and a
// program that cannot start is reported to the caller that asks.
TEST(ShellOpenTest, ANameReachesTheOpenerAsItsBytes) {
    TempDir dir;
    const std::string out = dir / "args.txt";
    const std::string script = dir.Write("fake-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + out + ".part'\nmv '" +
                                                          out + ".part' '" + out + "'\n");
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    const std::string name = dir.Write("r\xE9sum\xE9 \xFF.txt", "x");
    SetShellOpenProgram(script);
    EXPECT_TRUE(StartShellOpen(name));
    SetShellOpenProgram("/nonexistent/opener");
    EXPECT_FALSE(StartShellOpen(name));
    SetShellOpenProgram("xdg-open");
    for (int i = 0; i < 100 && !std::filesystem::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(TempDir::Read(out), name);
}
