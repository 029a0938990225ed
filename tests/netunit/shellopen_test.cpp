#include "netunit/shellopen.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "netunit/fakeopener.h"
#include "netunit/tempdir.h"

using namespace netunit;

// A stand-in for xdg-open that records its arguments one per line, slowly.
TEST(ShellOpenTest, TargetIsOneArgumentAndTheCallDoesNotWait) {
    TempDir dir;
    const std::string out = dir / "args.txt";
    const std::string script = WriteFakeOpener(dir.Path(), out, 1);
    ASSERT_FALSE(script.empty());
    SetShellOpenProgram(script);
    const std::string target = "http://example.test/a b?x=1&y=$(touch " + dir.Path() + "pwned);`id`";
    const auto start = std::chrono::steady_clock::now();
    ShellOpen(nullptr, target);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    SetShellOpenProgram("xdg-open");

    EXPECT_EQ(OpenerRecord(out), target + "\n");
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
    const std::string script = WriteFakeOpener(dir.Path(), out);
    ASSERT_FALSE(script.empty());
    const std::string name = dir.Write("r\xE9sum\xE9 \xFF.txt", "x");
    SetShellOpenProgram(script);
    EXPECT_TRUE(StartShellOpen(name));
    SetShellOpenProgram("/nonexistent/opener");
    EXPECT_FALSE(StartShellOpen(name));
    SetShellOpenProgram("xdg-open");
    EXPECT_EQ(OpenerRecord(out), name + "\n");
}
