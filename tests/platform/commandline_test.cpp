// Cutting an administrator's command line into an argument vector.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/commandline.h"

namespace {

struct SplitCase {
    const char* what;
    std::string line;
    std::vector<std::string> words;
};

TEST(SplitCommandLine, Table) {
    const std::vector<SplitCase> cases = {
        {"empty", "", {}},
        {"blanks only", "  \t ", {}},
        {"one word", "/bin/top", {"/bin/top"}},
        {"blanks and tabs separate, runs of them count once", " a \t b  c ", {"a", "b", "c"}},
        {"double quotes group blanks and go", "\"/opt/my prog/run\" -x", {"/opt/my prog/run", "-x"}},
        {"single quotes group blanks and go", "echo 'a  b'", {"echo", "a  b"}},
        {"quotes inside a word join it", "a\"b c\"d", {"ab cd"}},
        {"an empty quoted word stays", "a \"\" b", {"a", "", "b"}},
        {"backslash keeps a blank", "a\\ b", {"a b"}},
        {"backslash keeps a quote inside double quotes", "\"say \\\"hi\\\"\"", {"say \"hi\""}},
        {"single quotes keep backslashes", "'a\\b'", {"a\\b"}},
        {"no expansion of anything", "$HOME * ~ `x` ;", {"$HOME", "*", "~", "`x`", ";"}},
        {"an unclosed quote runs to the end", "a \"b c", {"a", "b c"}},
        {"a trailing backslash stays", "a\\", {"a\\"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::SplitCommandLine(c.line), c.words);
    }
}

}  // namespace
