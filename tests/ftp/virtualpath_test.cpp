// Resolving client path arguments against the current virtual directory.
#include <gtest/gtest.h>

#include "ftp/virtualpath.h"

namespace ftp {
namespace {

struct ResolveCase {
    const char* what;
    const char* current;
    const char* argument;
    const char* expected;
};

TEST(ResolveVirtualPath, Table) {
    const ResolveCase cases[] = {
        {"relative name", "/home/ann", "docs", "/home/ann/docs"},
        {"up then sideways", "/home/ann", "../bob", "/home/bob"},
        {"absolute with trailing slash", "/home/ann", "/super/x/", "/super/x"},
        {"up twice reaches the root", "/home", "../..", "/"},
        {"up from the root stays at the root", "/", "..", "/"},
        {"up many times stops at the root", "/home/ann", "../../../../..", "/"},
        {"backslash stops the scan", "/home/ann", "a\\..\\b", "/home/ann"},
        {"leading backslash changes nothing", "/home/ann", "\\etc", "/home/ann"},
        {"dot dot backslash changes nothing", "/home/ann", "..\\", "/home/ann"},
        {"double slash keeps an empty component", "/home/ann", "a//b", "/home/ann/a//b"},
        {"two slashes are the root", "/home/ann", "//", "/"},
        {"single dot", "/home/ann", ".", "/home/ann"},
        {"dot components", "/home/ann", "./x/./y", "/home/ann/x/y"},
        {"empty argument", "/home/ann", "", "/home/ann"},
        {"name with blanks", "/", "my files", "/my files"},
        {"dot dot inside a path", "/", "/home/ann/../bob/x", "/home/bob/x"},
        {"dot dot as last character", "/home/ann/x", "y/..", "/home/ann/x"},
    };
    for (const ResolveCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ResolveVirtualPath(c.current, c.argument), c.expected);
    }
}

TEST(ParentVirtualDir, Table) {
    EXPECT_EQ(ParentVirtualDir(""), "");
    EXPECT_EQ(ParentVirtualDir("/"), "/");
    EXPECT_EQ(ParentVirtualDir("/home"), "/");
    EXPECT_EQ(ParentVirtualDir("/home/ann"), "/home");
    EXPECT_EQ(ParentVirtualDir("noslash"), "noslash");
}

TEST(VirtualRootOf, Table) {
    const std::pair<const char*, int> cases[] = {
        {"/", kRootNone},          {"/anonymous", kRootAnonymous}, {"/anonymous/pub", kRootAnonymous},
        {"/anonymousx", kRootNone}, {"/home", kRootHome},           {"/home/ann/x", kRootHome},
        {"/Home", kRootNone},       {"/shared", kRootShared},       {"/shared/docs", kRootShared},
        {"/super", kRootSuper},     {"/super/x", kRootSuper},       {"/superx", kRootNone},
    };
    for (const auto& [path, root] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(VirtualRootOf(path), root);
    }
}

TEST(RefusedPathArgument, ThreeDotsAndControlCharacters) {
    EXPECT_TRUE(RefusedPathArgument("..."));
    EXPECT_TRUE(RefusedPathArgument("a...b"));
    EXPECT_TRUE(RefusedPathArgument("x\ny"));
    EXPECT_TRUE(RefusedPathArgument(std::string("x\0y", 3)));
    EXPECT_TRUE(RefusedPathArgument("tab\there"));
    EXPECT_FALSE(RefusedPathArgument(".."));
    EXPECT_FALSE(RefusedPathArgument("a..b"));
    EXPECT_FALSE(RefusedPathArgument("my files"));
    EXPECT_FALSE(RefusedPathArgument("\xc3\xa9t\xc3\xa9"));
}

}  // namespace
}  // namespace ftp
