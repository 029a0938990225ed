// The hand-made dotted text is the C library's, byte for byte.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "netsock/dottedquad.h"

namespace {

TEST(DottedQuad, MatchesInetNtop) {
    for (const char* text : {"0.0.0.0", "127.0.0.1", "255.255.255.255", "10.0.0.1", "192.168.100.7", "1.20.100.255",
                             "9.99.199.209"}) {
        SCOPED_TRACE(text);
        in_addr address{};
        ASSERT_EQ(inet_pton(AF_INET, text, &address), 1);
        char expected[INET_ADDRSTRLEN] = {};
        ASSERT_NE(inet_ntop(AF_INET, &address, expected, sizeof expected), nullptr);
        EXPECT_EQ(netsock::DottedQuad(address), expected);
        EXPECT_EQ(netsock::DottedQuad(address), text);
    }
}

}  // namespace
