// Host and URL mapping over a small site on disk: web root, welcome files,
// domains, virtual paths, users' web folders, the CGI folder and script
// types, and Basic authentication.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "core/session.h"
#include "http/urlmap.h"
#include "http/webauth.h"
#include "netunit/base64.h"
#include "../netunit/tempdir.h"

using namespace http;

namespace {

class UrlMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_ / "wwwroot/";
        dir_.Write("wwwroot/index.htm", "welcome");
        dir_.Write("wwwroot/sub/page.html", "page");
        dir_.Write("wwwroot/prog.exe", "MZ");
        dir_.Write("wwwroot/x.php", "<?php");
        dir_.Write("wwwroot/run.sh", "#!/bin/sh");
        dir_.Write("wwwroot/page.shtml", "<!--#include -->");
        dir_.Write("wwwroot/notes.cgitxt", "notes");
        dir_.Write("wwwroot/env.sh", "#!/bin/sh");
        dir_.Write("site2/index.html", "site2");
        dir_.Write("docs/a.htm", "docs");
        dir_.Write("cgi-bin/prog.exe", "MZ");
        dir_.Write("cgi-bin/tool", "#!/bin/sh");
        ::chmod((dir_ / "cgi-bin/tool").c_str(), 0755);
        dir_.Write("cgi-bin/ext.so", "ELF");
        dir_.Write("cgi-bin/plain.txt", "text");
        dir_.Write("home/bob/www/page.htm", "bob");

        config_.WebDir = root_;
        config_.WebIndex = "default.asp;default.php;index.html; index.htm";
        config_.CgiEnabled = true;
        config_.CgiDir = dir_ / "cgi-bin";
        config_.CgiAlias = "cgi-bin";
        config_.HomeDir = dir_ / "home/";
        config_.Accounts = &accounts_;
        config_.WebDomains = &domains_;
        config_.VirtualPaths = &virtualPaths_;
        config_.ScriptTypes = &scriptTypes_;
    }

    core::tuseraccount& AddAccount(const std::string& name, const std::string& password) {
        auto account = std::make_unique<core::tuseraccount>();
        account->UserName = name;
        account->Password = password;
        accounts_.push_back(std::move(account));
        return *accounts_.back();
    }
    core::twebdomain& AddDomain(const std::string& name, const std::string& localRoot) {
        auto domain = std::make_unique<core::twebdomain>();
        domain->DomainName = name;
        domain->LocalRoot = localRoot;
        domains_.push_back(std::move(domain));
        return *domains_.back();
    }
    core::tvirtualpath& AddVirtualPath(const std::string& alias, const std::string& domain, const std::string& local) {
        auto path = std::make_unique<core::tvirtualpath>();
        path->Alias = alias;
        path->Domain = domain;
        path->LocalPath = local;
        virtualPaths_.push_back(std::move(path));
        return *virtualPaths_.back();
    }
    core::tscripttype& AddScriptType(const std::string& extension, const std::string& interpreter) {
        auto type = std::make_unique<core::tscripttype>();
        type->Extension = extension;
        type->Interpreter = interpreter;
        type->OutsideCgiFolder = true;
        scriptTypes_.push_back(std::move(type));
        return *scriptTypes_.back();
    }

    UrlMapping Map(const std::string& url, const std::string& host = "", const std::string& token = "") {
        session_ = std::make_unique<tsession>();
        session_->Credentials = token;
        return MapUrl(config_, session_.get(), host, url);
    }

    TempDir dir_;
    std::string root_;
    UrlMapConfig config_;
    core::AccountList accounts_;
    core::RecordList<core::twebdomain> domains_;
    core::RecordList<core::tvirtualpath> virtualPaths_;
    core::RecordList<core::tscripttype> scriptTypes_;
    std::unique_ptr<tsession> session_;
};

struct MapRow {
    int line;
    const char* what;
    std::string url;
    std::string host;
    std::string localPath;  // relative to the temp folder unless redirect
    bool redirect = false;
    std::string listing = "";
    bool cgi = false;
    bool isapi = false;
};

TEST_F(UrlMapTest, MappingTable) {
    AddVirtualPath("docs", "default", dir_ / "docs");
    AddDomain("Site2.example", dir_ / "site2");
    auto& bob = AddAccount("bob", "pw");
    bob.WebAllowed = true;
    bob.WebSite = "http://<All Domains>/bob";
    AddScriptType("php", "/bin/sh");
    AddScriptType("sh", "/bin/sh");
    AddScriptType("cgi", "/bin/sh");
    dir_.Write("wwwroot/h#d%/index.htm", "odd");

    const std::vector<MapRow> rows = {
        {__LINE__, "welcome file with a blank before its name", "/", "", "wwwroot/index.htm"},
        {__LINE__, "a file", "/sub/page.html", "", "wwwroot/sub/page.html"},
        {__LINE__, "a query is no part of the file", "/sub/page.html?x=1", "", "wwwroot/sub/page.html"},
        {__LINE__, "a folder without its slash", "/sub", "", "/sub/", true},
        {__LINE__, "the redirect keeps the query", "/sub?x=1", "", "/sub/?x=1", true},
        {__LINE__, "a folder without welcome file lists", "/sub/", "", "", false, "wwwroot/sub/"},
        {__LINE__, "a missing file", "/nothing.html", "", ""},
        {__LINE__, "an absolute URL", "http://anything/sub/page.html", "", "wwwroot/sub/page.html"},
        {__LINE__, "virtual path", "/docs/a.htm", "", "docs/a.htm"},
        {__LINE__, "virtual path alias in capitals", "/DOCS/a.htm", "other.host", "docs/a.htm"},
        {__LINE__, "no prefix match for docsx", "/docsx/a.htm", "", ""},
        {__LINE__, "the alias itself redirects", "/docs", "", "/docs/", true},
        {__LINE__, "domain by host, case ignored, port dropped", "/", "SITE2.example:8080", "site2/index.html"},
        {__LINE__, "a host's final dot names the same domain", "/", "site2.example.", "site2/index.html"},
        {__LINE__, "the same before a port", "/", "SITE2.example.:8080", "site2/index.html"},
        {__LINE__, "two final dots are another name", "/", "site2.example..", "wwwroot/index.htm"},
        {__LINE__, "an unknown host is the default site", "/", "nowhere:80", "wwwroot/index.htm"},
        {__LINE__, "user's web folder", "/bob/page.htm", "", "home/bob/www/page.htm"},
        {__LINE__, "the user name alone redirects", "/bob", "", "/bob/", true},
        {__LINE__, "user names compare exactly", "/BOB/page.htm", "", ""},
        {__LINE__, "CGI alias in capitals", "/CGI-BIN/prog.exe", "", "cgi-bin/prog.exe", false, "", true},
        {__LINE__, "an executable in the CGI folder is a program", "/cgi-bin/tool", "", "cgi-bin/tool", false, "",
         true},
        {__LINE__, "a .so in the CGI folder is an extension", "/cgi-bin/ext.so", "", "cgi-bin/ext.so", false, "",
         false, true},
        {__LINE__, "a plain file in the CGI folder runs nothing", "/cgi-bin/plain.txt", "", "cgi-bin/plain.txt"},
        {__LINE__, "the alias alone is not the CGI folder", "/cgi-bin", "", ""},
        {__LINE__, ".exe in the web root with no type is a file", "/prog.exe", "", "wwwroot/prog.exe"},
        {__LINE__, "a script type runs its interpreter", "/x.php", "", "wwwroot/x.php", false, "", true},
        {__LINE__, "extra path after a script", "/x.php/extra/path", "", "wwwroot/x.php", false, "", true},
        {__LINE__, "an extension is whole: .sh is no part of .shtml", "/page.shtml", "", "wwwroot/page.shtml"},
        {__LINE__, "a missing .shtml page runs no .sh program", "/env.shtml", "", ""},
        {__LINE__, "a .sh program before extra path still runs", "/env.sh/more", "", "wwwroot/env.sh", false, "",
         true},
        {__LINE__, "a longer extension is a plain file", "/notes.cgitxt", "", "wwwroot/notes.cgitxt"},
        {__LINE__, "the redirect carries the path encoded", "/h#d%?x", "", "/h%23d%25/?x", true},
        {__LINE__, "a doubled slash redirects to the one spelling", "//sub", "", "/sub/", true},
        {__LINE__, "doubled slashes name the same file", "//sub//page.html", "", "wwwroot/sub/page.html"},
        {__LINE__, "a doubled slash before a virtual path", "//docs/a.htm", "", "docs/a.htm"},
        {__LINE__, "a doubled slash before the CGI alias", "//cgi-bin//tool", "", "cgi-bin/tool", false, "", true},
        {__LINE__, "an absolute URL with a doubled slash", "http://h//docs/a.htm", "", "docs/a.htm"},
        {__LINE__, "a doubled slash before a user's folder", "//bob//page.htm", "", "home/bob/www/page.htm"},
        {__LINE__, "a dot segment maps nothing", "/./docs/a.htm", "", ""},
        {__LINE__, "a climbing segment maps nothing", "/sub/../docs/a.htm", "", ""},
        {__LINE__, "an empty path maps nothing", "", "", ""},
    };
    for (const MapRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.line) + ": " + row.what);
        const UrlMapping m = Map(row.url, row.host);
        const std::string expected = row.localPath.empty() || row.redirect ? row.localPath : dir_ / row.localPath;
        EXPECT_EQ(m.LocalPath, expected);
        EXPECT_EQ(m.Redirect, row.redirect);
        EXPECT_EQ(m.ListingFolder, row.listing.empty() ? "" : dir_ / row.listing);
        EXPECT_EQ(m.Cgi, row.cgi);
        EXPECT_EQ(m.Isapi, row.isapi);
        EXPECT_FALSE(m.AuthFailed);
    }
}

TEST_F(UrlMapTest, ScriptFieldsAndTarget) {
    AddScriptType("PHP ", "/bin/sh");
    UrlMapping m = Map("/x.php/extra/path?q=1");
    EXPECT_EQ(m.Target, "/x.php/extra/path?q=1");
    EXPECT_EQ(session_->Target, u"/x.php/extra/path?q=1");
    EXPECT_EQ(session_->Url, "/extra/path");
    EXPECT_EQ(session_->ScriptName, "/x.php");
    EXPECT_EQ(session_->PathTranslated, dir_ / "wwwroot/extra/path");
    EXPECT_EQ(session_->ScriptDir, root_);
    EXPECT_EQ(session_->DocumentRoot, root_);

    m = Map("/sub/page.html");
    EXPECT_EQ(session_->Url, "/sub/page.html");
    EXPECT_EQ(session_->ScriptName, "/sub/page.html");
    EXPECT_EQ(session_->PathTranslated, dir_ / "wwwroot/sub/page.html");
    EXPECT_EQ(session_->ScriptDir, dir_ / "wwwroot/sub/");
}

TEST_F(UrlMapTest, ScriptKinds) {
    AddScriptType("sh", "/bin/sh");
    AddScriptType("lib", "/opt/handler.so");
    AddScriptType("txt", "/no/such/interpreter");
    struct Row {
        std::string path;
        bool inCgi, cgi, isapi;
    };
    const std::vector<Row> rows = {
        {"/x/a.EXE", false, true, false}, {"/x/a.dll", false, false, true}, {"/x/a.so", false, false, true},
        {"/x/a.sh", false, true, false},  {"/x/a.lib", false, false, true}, {"/x/a.txt", false, false, false},
        {dir_ / "cgi-bin/tool", true, true, false},  // executable, no type
        {dir_ / "cgi-bin/tool", false, false, false},
        {dir_ / "cgi-bin/plain.txt", true, false, false},  // the type decides: no interpreter there
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const ScriptKind kind = GetScriptKind(config_, row.path, row.inCgi);
        EXPECT_EQ(kind.Cgi, row.cgi);
        EXPECT_EQ(kind.Isapi, row.isapi);
    }
}

TEST_F(UrlMapTest, TypesRecognisedOnlyWhereTheySay) {
    auto& type = AddScriptType("php", "/bin/sh");
    type.OutsideCgiFolder = false;
    type.InUserWebFolders = true;
    auto& bob = AddAccount("bob", "pw");
    bob.WebAllowed = true;
    bob.WebSite = "http://<All Domains>/";
    dir_.Write("home/bob/www/y.php", "<?php");
    EXPECT_FALSE(Map("/x.php").Cgi);
    EXPECT_TRUE(Map("/bob/y.php").Cgi);
}

TEST_F(UrlMapTest, EmptyLocalFoldersMapNothing) {
    AddVirtualPath("blank", "default", "");
    AddDomain("empty.example", "");
    UrlMapping m = Map("/blank/etc/passwd");
    EXPECT_EQ(m.LocalPath, "");
    EXPECT_EQ(m.ListingFolder, "");
    m = Map("/etc/passwd", "empty.example");
    EXPECT_EQ(m.LocalPath, "");
    EXPECT_EQ(m.ListingFolder, "");
    EXPECT_EQ(session_->DocumentRoot, "");
}

TEST_F(UrlMapTest, WelcomeFilesInOrderAndStopAtEmptyField) {
    dir_.Write("wwwroot/w/b.html", "b");
    dir_.Write("wwwroot/w/c.html", "c");
    struct Row {
        std::string list, found;
    };
    const std::vector<Row> rows = {
        {"a.html;b.html;c.html", "b.html"},
        {" c.html ; b.html", "c.html"},
        {"a.html;;c.html", "a.html"},  // the walk stops at the empty field
        {"B.html;x", "B.html"},        // names are case-sensitive: none found, the first comes back
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        config_.WebIndex = row.list;
        EXPECT_EQ(FindDefaultDocument(config_, dir_ / "wwwroot/w/"), row.found);
    }
}

TEST_F(UrlMapTest, IncludePagesOnlyWhenSwitchedOn) {
    Map("/page.shtml");
    EXPECT_FALSE(session_->IsSsi);
    config_.SsiEnabled = true;
    Map("/page.shtml");
    EXPECT_TRUE(session_->IsSsi);
}

TEST_F(UrlMapTest, ProtectedDomainWithSuperusersGrant) {
    auto& domain = AddDomain("secure.example", dir_ / "site2");
    domain.AuthOn = true;
    domain.GrantSuperusers = true;
    AddAccount("admin", "pw").Superuser = true;
    AddAccount("joe", "pw");
    struct Row {
        const char* what;
        std::string token;
        bool refused;
    };
    const std::vector<Row> rows = {
        {"a superuser passes", netunit::Base64Credentials("admin", "pw"), false},
        {"an ordinary account fails", netunit::Base64Credentials("joe", "pw"), true},
        {"a user name in other case fails", netunit::Base64Credentials("Admin", "pw"), true},
        {"a wrong password fails", netunit::Base64Credentials("admin", "PW"), true},
        {"no token fails", "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const UrlMapping m = Map("/", "secure.example", row.token);
        EXPECT_EQ(m.AuthFailed, row.refused);
        EXPECT_EQ(m.LocalPath, row.refused ? "" : dir_ / "site2/index.html");
        if (row.refused) {
            EXPECT_EQ(session_->Realm, "secure.example");
        }
    }
}

// A protected virtual path over a folder inside the web root: every spelling
// of it asks for the password or maps nothing, and never reaches the folder
// through the web root.
TEST_F(UrlMapTest, ProtectedVirtualPathInEverySpelling) {
    dir_.Write("wwwroot/private/report.txt", "secret");
    auto& path = AddVirtualPath("private", "default", dir_ / "wwwroot/private");
    path.AuthOn = true;
    path.GrantAllAccounts = true;
    AddAccount("bob", "pw");
    const std::string token = netunit::Base64Credentials("bob", "pw");
    const std::string file = dir_ / "wwwroot/private/report.txt";
    struct Row {
        int line;
        std::string url;
        bool unsafe;  // else: asks for the password, and with it maps the file
    };
    const std::vector<Row> rows = {
        {__LINE__, "/private/report.txt", false},
        {__LINE__, "//private/report.txt", false},
        {__LINE__, "///private//report.txt", false},
        {__LINE__, "/PRIVATE/report.txt", false},
        {__LINE__, "http://h//private/report.txt", false},
        {__LINE__, "/./private/report.txt", true},
        {__LINE__, "/private/./report.txt", true},
        {__LINE__, "/sub/../private/report.txt", true},
        {__LINE__, "/private\\report.txt", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        UrlMapping m = Map(row.url);
        EXPECT_EQ(m.Unsafe, row.unsafe);
        EXPECT_EQ(m.AuthFailed, !row.unsafe);
        EXPECT_EQ(m.LocalPath, "");
        EXPECT_EQ(m.ListingFolder, "");
        m = Map(row.url, "", token);
        EXPECT_EQ(m.LocalPath, row.unsafe ? "" : file);
        EXPECT_FALSE(m.AuthFailed);
    }
    // The folder itself: no listing without the password, in any spelling.
    for (const std::string url : {"/private/", "//private/", "/private//"}) {
        SCOPED_TRACE(url);
        const UrlMapping m = Map(url);
        EXPECT_TRUE(m.AuthFailed);
        EXPECT_EQ(m.ListingFolder, "");
    }
}

TEST_F(UrlMapTest, VirtualPathLoginNamesTheUser) {
    auto& path = AddVirtualPath("docs", "default", dir_ / "docs");
    path.AuthOn = true;
    path.GrantLogin = true;
    path.LoginUser = "reader";
    path.LoginPassword = "secret";
    UrlMapping m = Map("/docs/a.htm", "", netunit::Base64Credentials("reader", "secret"));
    EXPECT_FALSE(m.AuthFailed);
    EXPECT_EQ(m.LocalPath, dir_ / "docs/a.htm");
    EXPECT_EQ(session_->UserName, "reader");
    EXPECT_EQ(session_->Password, "secret");

    m = Map("/docs/a.htm", "", netunit::Base64Credentials("reader", "wrong"));
    EXPECT_TRUE(m.AuthFailed);
    EXPECT_EQ(m.LocalPath, "");
    EXPECT_EQ(session_->Realm, "docs");
    EXPECT_EQ(session_->UserName, "");
}

TEST(HttpWebAuth, GrantTable) {
    core::AccountList accounts;
    auto add = [&](const std::string& name, bool super, const std::string& group) {
        auto a = std::make_unique<core::tuseraccount>();
        a->UserName = name;
        a->Password = "pw";
        a->Superuser = super;
        a->Group = group;
        accounts.push_back(std::move(a));
    };
    add("root", true, "");
    add("ann", false, "Staff");
    add("tom", false, "guests");
    const auto token = [](const char* user) { return netunit::Base64Credentials(user, "pw"); };

    core::twebaccess none;
    none.AuthOn = true;
    core::twebaccess all = none;
    all.GrantAllAccounts = true;
    core::twebaccess group = none;
    group.GrantGroup = true;
    group.Group = "staff";
    core::twebaccess login = none;
    login.GrantLogin = true;
    login.LoginUser = "guest";
    login.LoginPassword = "pw";

    struct Row {
        const char* what;
        const core::twebaccess& record;
        std::string token;
        Admission expected;
    };
    const std::vector<Row> rows = {
        {"no grant refuses everyone", none, token("root"), Admission::kRefused},
        {"all accounts", all, token("tom"), Admission::kAccount},
        {"unknown user", all, token("nobody"), Admission::kRefused},
        {"group compared ignoring case", group, token("ann"), Admission::kAccount},
        {"other group", group, token("tom"), Admission::kRefused},
        {"specific login", login, token("guest"), Admission::kLogin},
        {"specific login does not admit accounts", login, token("root"), Admission::kRefused},
        {"empty token", all, "", Admission::kRefused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CheckWebCredentials(row.record, accounts, row.token), row.expected);
    }
}

}  // namespace
