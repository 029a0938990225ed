#include "netunit/urlencode.h"

#include <gtest/gtest.h>

TEST(PercentEncode, KeepsUnreservedAndEncodesTheRest) {
    const struct {
        std::string value;
        const char* encoded;
    } rows[] = {
        {"", ""},
        {"AZaz09-._~", "AZaz09-._~"},
        {"a b", "a%20b"},
        {"a&b=c", "a%26b%3Dc"},
        {"50%", "50%25"},
        {"h[]", "h%5B%5D"},
        {"me@example.org", "me%40example.org"},
        {"caf\xC3\xA9", "caf%C3%A9"},
        {std::string("a\0b", 3), "a%00b"},
        {"/?#+,;", "%2F%3F%23%2B%2C%3B"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.encoded);
        EXPECT_EQ(netunit::PercentEncode(r.value), r.encoded);
    }
}
