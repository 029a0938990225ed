// Include directives: parsing, and which file an include may name.
#include <gtest/gtest.h>

#include <string>

#include "http/ssi.h"

using namespace http;

namespace {

TEST(SsiDirective, ParsesCommandKeyAndValue) {
    struct Row {
        const char* what;
        std::string directive;
        bool include;
        std::string key;
        std::string value;
    };
    const Row rows[] = {
        {"quoted file", "include file=\"a.txt\" ", true, "file", "a.txt"},
        {"blanks around the equals sign", "include  virtual = \"/x/y.htm\"", true, "virtual", "/x/y.htm"},
        {"blanks inside quotes are trimmed", "include file=\" a b.txt \"", true, "file", "a b.txt"},
        {"unquoted value", "include file=plain.txt", true, "file", "plain.txt"},
        {"command and key in any case", "INCLUDE FILE=\"a\"", true, "file", "a"},
        {"no equals sign", "include file", true, "file", ""},
        {"another command", "echo var=\"DATE_LOCAL\"", false, "", ""},
        {"empty", "", false, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const IncludeDirective d = ParseDirective(row.directive);
        EXPECT_EQ(d.Include, row.include);
        EXPECT_EQ(d.Key, row.key);
        EXPECT_EQ(d.Value, row.value);
    }
}

TEST(SsiIncludePath, StaysInThePageFolderOrBelowTheRoot) {
    struct Row {
        const char* what;
        std::string key;
        std::string value;
        std::string expected;
    };
    const Row rows[] = {
        {"file beside the page", "file", "a.txt", "/site/pages/a.txt"},
        {"file in a subfolder", "file", "inc/a.txt", "/site/pages/inc/a.txt"},
        {"file up a folder", "file", "../secret", ""},
        {"file with .. inside", "file", "inc/../../secret", ""},
        {"absolute file", "file", "/etc/passwd", ""},
        {"virtual from the root", "virtual", "/inc/a.txt", "/site/inc/a.txt"},
        {"virtual without its slash", "virtual", "a.txt", "/site/a.txt"},
        {"virtual up from the root", "virtual", "/../secret", ""},
        {"virtual naming the root alone", "virtual", "//", ""},
        {"another key names nothing", "exec", "/etc/passwd", ""},
        {"empty value", "file", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        IncludeDirective d;
        d.Include = true;
        d.Key = row.key;
        d.Value = row.value;
        EXPECT_EQ(IncludePath(d, "/site/pages/", "/site"), row.expected);
    }
    IncludeDirective notInclude;
    notInclude.Key = "file";
    notInclude.Value = "a.txt";
    EXPECT_EQ(IncludePath(notInclude, "/site/pages/", "/site/"), "");
    IncludeDirective virtualWithoutRoot{true, "virtual", "/a.txt"};
    EXPECT_EQ(IncludePath(virtualWithoutRoot, "/site/pages/", ""), "");
}

}  // namespace
