#include "platform/hostlookup.h"

#include <arpa/inet.h>
#include <future>
#include <gtest/gtest.h>
#include <thread>

#include "platform/hostsfile.h"
#include "platform/pump.h"
#include "platform/sockethandles.h"
#include "platform/winsockerrors.h"

namespace {

std::string Dotted(in_addr a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

const char* const kHostsText =
    "# test hosts\n"
    "127.0.0.1   localhost loop.test\n"
    "::1         six.test\n"
    "127.0.0.2   two.test Alias.Test   # a comment after the names\n"
    "#127.0.0.9  commented.test\n"
    "127.0.0.3   two.test\n"
    "not-an-address bad.test\n";

struct HostsRow {
    const char* name;
    bool found;
    const char* address;
    const char* what;
};

TEST(FindInHostsText, FindsNamesOfIPv4Lines) {
    const HostsRow rows[] = {
        {"loop.test", true, "127.0.0.1", "second name on a line"},
        {"localhost", true, "127.0.0.1", "first name on a line"},
        {"two.test", true, "127.0.0.2", "the first line naming it wins"},
        {"alias.test", true, "127.0.0.2", "names compare ignoring case"},
        {"LOOP.TEST", true, "127.0.0.1", "upper-case query"},
        {"six.test", false, "", "an IPv6 line is passed over"},
        {"commented.test", false, "", "a commented line"},
        {"a", false, "", "a comment word is no name"},
        {"bad.test", false, "", "a line without an address"},
        {"loop", false, "", "no prefix match"},
        {"", false, "", "empty name"},
    };
    for (const HostsRow& row : rows) {
        SCOPED_TRACE(row.what);
        in_addr out{};
        ASSERT_EQ(platform::FindInHostsText(kHostsText, row.name, out), row.found);
        if (row.found) {
            EXPECT_EQ(Dotted(out), row.address);
        }
    }
}

TEST(LookupHostIPv4, AnswersFromTheHostsFileAloneWhileItIsSet) {
    ScopedHostsFile hosts(kHostsText);
    in_addr out{};
    EXPECT_EQ(platform::LookupHostIPv4("loop.test", out), 0);
    EXPECT_EQ(Dotted(out), "127.0.0.1");
    // A name the file lacks is not found, even one the system would know.
    EXPECT_EQ(platform::LookupHostIPv4("localhost.localdomain", out), platform::WSAHOST_NOT_FOUND);
    EXPECT_EQ(platform::LookupHostIPv4("nowhere.test", out), platform::WSAHOST_NOT_FOUND);
    // A dotted address is its own answer.
    EXPECT_EQ(platform::LookupHostIPv4("10.1.2.3", out), 0);
    EXPECT_EQ(Dotted(out), "10.1.2.3");
}

TEST(LookupHostIPv4, WorksFromWorkerThreads) {
    ScopedHostsFile hosts(kHostsText);
    std::vector<std::future<std::string>> answers;
    for (int i = 0; i < 8; ++i) {
        answers.push_back(std::async(std::launch::async, [] {
            in_addr out{};
            return platform::LookupHostIPv4("alias.test", out) == 0 ? Dotted(out) : std::string("failed");
        }));
    }
    for (auto& answer : answers) EXPECT_EQ(answer.get(), "127.0.0.2");
}

class LookupHostAsyncTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(platform::StartSocketLayer()); }
    void TearDown() override { platform::StopSocketLayer(); }
};

TEST_F(LookupHostAsyncTest, AnswersOnTheMainThread) {
    ScopedHostsFile hosts(kHostsText);
    const int socket = platform::NewSocket(false);
    ASSERT_NE(socket, platform::kInvalidSocket);
    bool answered = false;
    std::thread::id answeredOn;
    platform::LookupHostAsync(socket, "loop.test", [&](int error, in_addr address) {
        answered = true;
        answeredOn = std::this_thread::get_id();
        EXPECT_EQ(error, 0);
        EXPECT_EQ(Dotted(address), "127.0.0.1");
    });
    EXPECT_TRUE(testing_pump::PumpUntil([&] { return answered; }));
    EXPECT_EQ(answeredOn, std::this_thread::get_id());
    platform::CloseSocket(socket);
}

TEST_F(LookupHostAsyncTest, DropsTheAnswerWhenTheSocketClosedMeanwhile) {
    ScopedHostsFile hosts(kHostsText);
    const int socket = platform::NewSocket(false);
    bool answered = false;
    platform::LookupHostAsync(socket, "loop.test", [&](int, in_addr) { answered = true; });
    platform::CloseSocket(socket);
    testing_pump::PumpFor(300);
    EXPECT_FALSE(answered);
}

}  // namespace
