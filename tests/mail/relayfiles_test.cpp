// The relay queue's files: names, the control file's lines and how they read.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "mail/relayfiles.h"
#include "netunit/tempdir.h"

namespace mail {
namespace {

TEST(RelayFiles, Names) {
    EXPECT_EQ(RelayFileName("/q/relay", 3), "/q/relay/3.m");
    EXPECT_EQ(RelayFileName("/q/relay/", 0), "/q/relay/0.m");
    EXPECT_EQ(ControlFileOf("/q/relay/12.m"), "/q/relay/12.r");
}

TEST(RelayFiles, TimeTextKeepsItsValueInAnyLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a decimal comma, where installed
    for (double t : {0.0, 45000.5, 46123.123456789012, 1e-7, 12.25}) {
        SCOPED_TRACE(t);
        const std::string text = RelayTimeText(t);
        EXPECT_EQ(text.find(','), std::string::npos);
        const tmessagetry info = ParseRelayInfo("0\r\n" + text + "\r\nx\r\n");
        EXPECT_NEAR(info.LastAttempt, t, std::abs(t) * 1e-14);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(RelayTimeText(45000.5), "45000.5");
}

TEST(RelayFiles, ControlFileLayout) {
    EXPECT_EQ(RelayControlText(-1, 45000.25, "<a@b>", {"x@far.test", "y@far.test"}),
              "-1\r\n45000.25\r\n<a@b>\r\nx@far.test\r\ny@far.test\r\n");
}

TEST(RelayFiles, ReadsTheFirstThreeLines) {
    struct Row {
        const char* what;
        std::string bytes;
        int32_t tries;
        double time;
        std::string sender;
    };
    const Row rows[] = {
        {"new message", "-1\r\n45000.5\r\n<a@b>\r\nx@y\r\n", -1, 45000.5, "<a@b>"},
        {"bounce", "-2\n45000\nQuillnest\nx@y\n", -2, 45000, "Quillnest"},
        {"numbers that cannot be read count as 0", "many\r\nsoon\r\n<a@b>\r\n", 0, 0, "<a@b>"},
        {"two lines only", "3\r\n45000.5\r\n", 3, 45000.5, ""},
        {"empty file", "", 0, 0, ""},
        {"a number beyond 32 bits", "99999999999\r\n1\r\n", 0, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const tmessagetry info = ParseRelayInfo(row.bytes);
        EXPECT_EQ(info.Tries, row.tries);
        EXPECT_DOUBLE_EQ(info.LastAttempt, row.time);
        EXPECT_EQ(info.Sender, row.sender);
    }
}

TEST(RelayFiles, MissingControlFile) {
    TempDir dir;
    const tmessagetry info = ReadRelayInfo(dir / "0.m");
    EXPECT_EQ(info.Tries, -1);
    EXPECT_EQ(info.LastAttempt, 0);
    EXPECT_EQ(info.Sender, "");
}

}  // namespace
}  // namespace mail
