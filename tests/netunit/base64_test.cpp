#include "netunit/base64.h"

#include <random>

#include <gtest/gtest.h>

using namespace netunit;

namespace {

std::string Bytes(size_t n, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

std::vector<size_t> LineLengths(const std::string& text) {
    std::vector<size_t> lengths;
    size_t start = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
        lengths.push_back(at - start);
        start = at + 2;
    }
    EXPECT_EQ(start, text.size()) << "the text ends with CR LF";
    return lengths;
}

std::string WithoutLineEnds(std::string s) {
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

}  // namespace

TEST(Base64Encode, StandardVectors) {
    struct Row {
        const char* plain;
        const char* encoded;
    };
    const Row rows[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
                        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.plain);
        const std::string plain = r.plain;
        EXPECT_EQ(Base64EncodeLines(plain.data(), plain.size()), std::string(r.encoded) + "\r\n");
        EXPECT_EQ(Base64Decode(r.encoded), plain);
    }
}

TEST(Base64Encode, LineBreaksAsATable) {
    struct Row {
        size_t length;
        std::vector<size_t> lines;
    };
    const Row rows[] = {
        {0, {0}},
        {57, {76}},
        {58, {80}},      // 78 characters and "=="
        {59, {78, 2}},   // one character and "=" on the second line
        {60, {78, 2}},  // no padding: the break comes after 78
        {117, {78, 78}},
        {118, {78, 78, 4}},
        {234, {78, 78, 78, 78}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        const std::string bytes = Bytes(r.length);
        const std::string text = Base64EncodeLines(bytes.data(), bytes.size());
        EXPECT_EQ(LineLengths(text), r.lines);
        EXPECT_EQ(Base64Decode(text), bytes);
    }
}

TEST(Base64Encode, RemovingTheLineBreaksLeavesStandardBase64) {
    for (size_t n = 0; n < 400; ++n) {
        SCOPED_TRACE(n);
        const std::string bytes = Bytes(n, static_cast<unsigned>(n));
        const std::string flat = WithoutLineEnds(Base64EncodeLines(bytes.data(), bytes.size()));
        EXPECT_EQ(flat.size(), (n + 2) / 3 * 4);
        EXPECT_EQ(Base64Decode(flat), bytes);
    }
}

TEST(Base64Encode, Credentials) {
    EXPECT_EQ(Base64Credentials("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(Base64Credentials("bob", ""), "Ym9iOg==");
    EXPECT_EQ(Base64Decode(Base64Credentials("user", "pä:ss")), "user:pä:ss");
    const std::string longUser(200, 'u');
    EXPECT_EQ(Base64Credentials(longUser, "p").find('\n'), std::string::npos) << "one line, no breaks";
}

TEST(Base64DecodeMalformed, SkipsWhatItCannotRead) {
    struct Row {
        const char* text;
        std::string bytes;
        const char* why;
    };
    const Row rows[] = {
        {"Zm9vYmFy", "foobar", "plain"},
        {"Zm9v\r\nYmFy\r\n", "foobar", "line breaks"},
        {" Zm 9v Ym Fy ", "foobar", "blanks"},
        {"Zm9vYg", "foob", "missing padding"},
        {"Zm9vYmE", "fooba", "missing padding of one"},
        {"Zm==9v", "foo", "padding in the middle is skipped"},
        {"Z", "", "a single character gives no byte"},
        {"Zm9vZ", "foo", "a lone trailing character gives nothing"},
        {"", "", "empty"},
        {"!!!@@@###", "", "nothing readable"},
        {"Zm9v\x80\xFFYmFy", "foobar", "high bytes skipped"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        EXPECT_EQ(Base64Decode(r.text), r.bytes);
    }
}
