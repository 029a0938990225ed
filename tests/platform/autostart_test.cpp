// The start-up entry's Exec value: whatever the program's path holds, it is
// one quoted argument on one line of the entry.
#include <gtest/gtest.h>

#include <string>

#include "platform/keystore.h"

namespace {

TEST(AutostartExec, EscapesForTheEntryAndStaysOnOneLine) {
    struct Row {
        const char* what;
        std::string path;
        std::string exec;
    } rows[] = {
        {"plain path", "/opt/q/quillnest", "\"/opt/q/quillnest\""},
        {"blank", "/opt/my q/quillnest", "\"/opt/my q/quillnest\""},
        {"quote, grave, dollar", "/o/\"`$/q", "\"/o/\\\\\"\\\\`\\\\$/q\""},
        {"backslash", "/o/a\\b/q", "\"/o/a\\\\\\\\b/q\""},
        {"field code", "/o/100%/q", "\"/o/100%%/q\""},
        {"line feed that would add a line", "/o/x\nExec=/bin/evil\n/q", "\"/o/x\\nExec=/bin/evil\\n/q\""},
        {"carriage return and tab", "/o/a\rb\tc/q", "\"/o/a\\rb\\tc/q\""},
        {"other control character: refused", std::string("/o/a\x01/q"), ""},
        {"delete: refused", "/o/a\x7F/q", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string exec = platform::AutostartExec(r.path);
        EXPECT_EQ(exec, r.exec);
        EXPECT_EQ(exec.find('\n'), std::string::npos);
        EXPECT_EQ(exec.find('\r'), std::string::npos);
    }
}

}  // namespace
