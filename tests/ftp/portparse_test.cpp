// REST and PORT numbers, PORT's fields and the PASV reply.
#include <gtest/gtest.h>

#include "ftp/portparse.h"

namespace ftp {
namespace {

TEST(ParseFtpNumber, Table) {
    struct Case {
        const char* text;
        bool ok;
        int64_t value;
    };
    const Case cases[] = {
        {"100", true, 100},   {"  42", true, 42},     {"+7", true, 7},        {"-3", true, -3},
        {"$1F", true, 31},    {"x10", true, 16},      {"X10", true, 16},      {"0x10", true, 16},
        {"0X1f", true, 31},   {"0", true, 0},         {"", false, 0},         {"   ", false, 0},
        {"x", false, 0},      {"12a", false, 0},      {"1 ", false, 0},       {"--1", false, 0},
        {"+-1", false, 0},    {"0x", false, 0},       {"1.5", false, 0},      {"$", false, 0},
        {"9223372036854775807", true, INT64_MAX},     {"9223372036854775808", false, 0},
        {"-9223372036854775808", true, INT64_MIN},    {"4294967296", true, 4294967296},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int64_t v = -99;
        EXPECT_EQ(ParseFtpNumber(c.text, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }
}

TEST(ParsePortArgument, Table) {
    struct Case {
        const char* what;
        const char* text;
        bool ok;
        const char* address;
        int port;
    };
    const Case cases[] = {
        {"plain", "192,168,0,5,4,1", true, "192.168.0.5", 1025},
        {"highest port", "127,0,0,1,255,255", true, "127.0.0.1", 65535},
        {"lowest data port", "127,0,0,1,4,0", true, "127.0.0.1", 1024},
        {"hex parts become decimal", "$7F,0,0,x1,4,1", true, "127.0.0.1", 1025},
        {"no p2", "192,168,0,5,4", false, "", 0},
        {"empty address part", "1,2,,4,5,6", false, "", 0},
        {"address part above 255", "256,0,0,1,4,1", false, "", 0},
        {"negative part", "127,0,0,-1,4,1", false, "", 0},
        {"port byte above 255", "127,0,0,1,4,256", false, "", 0},
        {"service port 25", "127,0,0,1,0,25", false, "", 0},
        {"port 1023", "127,0,0,1,3,255", false, "", 0},
        {"seven fields", "127,0,0,1,4,1,1", false, "", 0},
        {"empty", "", false, "", 0},
        {"letters", "a,b,c,d,e,f", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PortTarget t;
        EXPECT_EQ(ParsePortArgument(c.text, t), c.ok);
        if (c.ok) {
            EXPECT_EQ(t.Address, c.address);
            EXPECT_EQ(t.Port, c.port);
        }
    }
}

TEST(PassiveReply, AddressAndPortBytes) {
    EXPECT_EQ(PassiveReply("10.0.0.2", 50000), "227 Entering Passive Mode (10,0,0,2,195,80)");
    EXPECT_EQ(PassiveReply("127.0.0.1", 1024), "227 Entering Passive Mode (127,0,0,1,4,0)");
}

}  // namespace
}  // namespace ftp
