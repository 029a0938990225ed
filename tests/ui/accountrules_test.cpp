// The pure rules of the account and FTP path dialogs.
#include <gtest/gtest.h>

#include <clocale>

#include "ui/accountrules.h"

using namespace accountrules;

TEST(AccountRules, UserNameFilterKeepsAllowedCharactersAndTheCaret) {
    struct Row {
        const char* text;
        int caret;
        const char* kept;
        int caretAfter;
        const char* what;
    } rows[] = {
        {"a b<c>^d", 8, "abcd", 4, "blank, angle brackets and the mailbox separator go"},
        {"bob", 3, "bob", 3, "nothing to remove"},
        {"b-o@b", 2, "bob", 1, "a dash before the caret moves it back"},
        {"x/../y", 6, "x..y", 4, "a slash goes, dots stay"},
        {"[a]_`{|}~", 9, "[a]_`{|}~", 9, "the punctuation from 91 to 126 other than ^ stays"},
        {"caf\xC3\xA9!", 5, "caf", 3, "a character outside ASCII counts once for the caret"},
        {"a\tb", 1, "ab", 1, "a control character after the caret leaves it"},
        {"", 0, "", 0, "empty"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        int caret = r.caret;
        EXPECT_EQ(FilterUserName(r.text, caret), r.kept);
        EXPECT_EQ(caret, r.caretAfter);
    }
}

TEST(AccountRules, NumberFieldsOnExitAndWhenStored) {
    // A decimal comma must never count, whatever the locale says.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    struct Row {
        const char* text;
        const char* wholeExit;
        const char* decimalExit;
        int32_t whole;
        double decimal;
        const char* what;
    } rows[] = {
        {"25", "25", "25", 25, 25, "a number stays"},
        {"", "10", "10", 10, 10, "empty: the exit default"},
        {"abc", "10", "10", 10, 10, "letters: the exit default"},
        {"-5", "0", "0", 0, 0, "negative: zero"},
        {"2.5", "10", "2.5", 10, 2.5, "a decimal is no whole number"},
        {"2,5", "10", "10", 10, 10, "a decimal comma is no number"},
        {"99999999999", "10", "99999999999", 10, 99999999999.0, "beyond 32 bits: no whole number"},
        {"1e3", "10", "10", 10, 10, "no exponent"},
        {"nan", "10", "10", 10, 10, "not a number"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ExitWhole(r.text), r.wholeExit);
        EXPECT_EQ(ExitDecimal(r.text), r.decimalExit);
        EXPECT_EQ(StoredWhole(r.text), r.whole);
        EXPECT_DOUBLE_EQ(StoredDecimal(r.text), r.decimal);
    }
    EXPECT_EQ(DecimalText(12.5), "12.5");
    EXPECT_EQ(DecimalText(10), "10");
    std::setlocale(LC_NUMERIC, "C");
}

TEST(AccountRules, AliasFromTheFolderAndValidAliases) {
    struct Row {
        const char* path;
        const char* alias;
    } rows[] = {
        {"/srv/files/music/", "music"}, {"/srv/files/mp3", "mp3"}, {"music", "music"},
        {"/", ""},                      {"", ""},                  {"/srv//", ""},
    };
    for (const Row& r : rows) EXPECT_EQ(LastPathComponent(r.path), r.alias) << r.path;
    for (const char* good : {"music", "a.b", "...x"}) EXPECT_TRUE(ValidAlias(good)) << good;
    for (const char* bad : {"", ".", "..", "a/b", "/"}) EXPECT_FALSE(ValidAlias(bad)) << bad;
}
