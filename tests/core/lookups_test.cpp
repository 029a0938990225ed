#include <gtest/gtest.h>

#include <functional>

#include "core/accountlookup.h"
#include "core/recordlookup.h"

namespace core {
namespace {

AccountList Accounts(std::initializer_list<std::pair<const char*, const char*>> namesAndPasswords) {
    AccountList list;
    for (const auto& [name, password] : namesAndPasswords) {
        list.push_back(std::make_unique<tuseraccount>());
        list.back()->UserName = name;
        list.back()->Password = password;
    }
    return list;
}

TEST(AccountLookup, FindIgnoresAsciiCaseAndTakesTheFirst) {
    const AccountList accounts = Accounts({{"amy", "a"}, {"bob", "Secret"}, {"BOB", "other"}, {"\xC3\xA9ve", "e"}});
    struct Row {
        const char* what;
        std::string name;
        int index;
    };
    const Row rows[] = {
        {"exact", "amy", 0},
        {"upper case finds lower", "BOB", 1},
        {"first of two spellings", "bob", 1},
        {"non-ASCII letters are not folded", "\xC3\x89VE", -1},
        {"non-ASCII exact", "\xC3\xA9ve", 3},
        {"prefix is no match", "bo", -1},
        {"empty", "", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(IndexOfAccount(accounts, row.name), row.index);
        EXPECT_EQ(FindAccount(accounts, row.name),
                  row.index < 0 ? nullptr : accounts[static_cast<std::size_t>(row.index)].get());
    }
}

TEST(AccountLookup, CheckPassword) {
    const AccountList accounts = Accounts({{"bob", "Secret"}, {"BOB", "other"}, {"amy", ""}});
    struct Row {
        const char* what;
        std::string user, password;
        bool ok;
    };
    const Row rows[] = {
        {"as typed", "bob", "Secret", true},
        {"user name in another case", "BOB", "Secret", true},
        {"password in another case", "bob", "secret", false},
        {"second account of the same name", "Bob", "other", true},
        {"wrong password", "bob", "Secre", false},
        {"password with a trailing blank", "bob", "Secret ", false},
        {"unknown user", "carl", "Secret", false},
        {"empty stored password", "amy", "", true},
        {"empty stored password, text given", "amy", "x", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CheckPassword(accounts, row.user, row.password), row.ok);
    }
}

TEST(AccountLookup, PermissionsLeaveTheCurrentAccount) {
    AccountList accounts = Accounts({{"bob", "x"}, {"amy", "y"}});
    accounts[0]->EmailAllowed = true;
    accounts[0]->FtpAllowed = false;
    accounts[0]->TelnetAllowed = true;
    accounts[1]->FtpAllowed = true;

    using Test = bool (*)(const AccountList&, const std::string&, tuseraccount*&);
    struct Row {
        const char* what;
        Test test;
        std::string name;
        bool allowed;
        tuseraccount* current;
    };
    const Row rows[] = {
        {"mail allowed", UserMailAllowed, "BOB", true, accounts[0].get()},
        {"mail not allowed", UserMailAllowed, "amy", false, accounts[1].get()},
        {"ftp not allowed", UserFtpAllowed, "bob", false, accounts[0].get()},
        {"ftp allowed", UserFtpAllowed, "Amy", true, accounts[1].get()},
        {"telnet allowed", UserTelnetAllowed, "bob", true, accounts[0].get()},
        {"no such account", UserTelnetAllowed, "carl", false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tuseraccount* current = accounts[1].get();
        EXPECT_EQ(row.test(accounts, row.name, current), row.allowed);
        EXPECT_EQ(current, row.current);
    }
}

TEST(AccountLookup, DisplayName) {
    tuseraccount a;
    a.UserName = "bob";
    EXPECT_EQ(AccountDisplayName(a), "bob");
    a.Description = "mail only";
    EXPECT_EQ(AccountDisplayName(a), "bob (mail only)");
}

// --- records ---

RecordList<tvirtualpath> VirtualPaths(std::initializer_list<std::pair<const char*, const char*>> aliasAndDomain) {
    RecordList<tvirtualpath> list;
    for (const auto& [alias, domain] : aliasAndDomain) {
        list.push_back(std::make_unique<tvirtualpath>());
        list.back()->Alias = alias;
        list.back()->Domain = domain;
    }
    return list;
}

TEST(RecordLookup, VirtualPath) {
    const auto list = VirtualPaths({{"docs", "default"},
                                    {"site", "www.example.org"},
                                    {"dir/", "default"},
                                    {"any", "Default"}});
    struct Row {
        const char* what;
        std::string url, host;
        int index;
    };
    const Row rows[] = {
        {"alias alone", "docs", "h", 0},
        {"alias in another case, then a file", "DOCS/a.html", "h", 0},
        {"longer word is no match", "docsx", "h", -1},
        {"shorter than the alias", "doc", "h", -1},
        {"domain ignores case", "site/x", "WWW.Example.org", 1},
        {"domain with a port", "site", "www.example.org:8080", 1},
        {"other domain", "site", "example.org", -1},
        {"no host", "site", "", -1},
        {"alias ending in / matches only itself", "dir/", "h", 2},
        {"...not what lies below it", "dir/x", "h", -1},
        {"...nor the folder without /", "dir", "h", -1},
        {"'default' is exact", "any", "h", -1},
        {"'Default' as a host name", "any", "default", 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int index = 99;
        tvirtualpath* record = list[0].get();
        EXPECT_EQ(FindVirtualPath(list, row.url, row.host, index, record), row.index >= 0);
        EXPECT_EQ(index, row.index);
        EXPECT_EQ(record, row.index < 0 ? nullptr : list[static_cast<std::size_t>(row.index)].get());
    }
}

FtpPathList FtpPaths(std::initializer_list<std::pair<const char*, const char*>> aliasAndOwner) {
    FtpPathList list;
    for (const auto& [alias, owner] : aliasAndOwner) {
        list.push_back(std::make_unique<tftppath>());
        list.back()->Alias = alias;
        list.back()->Owner = owner;
    }
    return list;
}

TEST(RecordLookup, SharedPath) {
    const FtpPathList list = FtpPaths({{"pub", "<All Accounts>"},
                                       {"pub", "bob"},
                                       {"team", "<Group: Staff>"},
                                       {"team", "<All Accounts>"},
                                       {"all", "<All Accounts>"},
                                       {"Mine", "amy"}});
    struct Row {
        const char* what;
        std::string group, alias;
        bool allAccounts;
        std::string user;
        int index;
    };
    const Row rows[] = {
        {"user's own entry beats an earlier shared one", "", "pub", true, "bob", 1},
        {"others get the shared one", "", "pub", true, "carl", 0},
        {"...only with the all-accounts switch", "", "pub", false, "carl", -1},
        {"group ignores case", "<group: staff>", "team", false, "carl", 2},
        {"group entry beats shared", "<Group: Staff>", "team", true, "carl", 2},
        {"other group falls back to shared", "<Group: other>", "team", true, "carl", 3},
        {"owner user name counts case", "", "Mine", true, "AMY", -1},
        {"alias counts case", "", "mine", true, "amy", -1},
        {"own alias", "", "Mine", false, "amy", 5},
        {"no group given never matches a group entry", "", "team", false, "carl", -1},
        {"<All Accounts> is no group", "<All Accounts>", "all", false, "carl", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int index = 99;
        tftppath* found = FindSharedPath(list, row.group, row.alias, row.allAccounts, index, row.user);
        EXPECT_EQ(index, row.index);
        EXPECT_EQ(found, row.index < 0 ? nullptr : list[static_cast<std::size_t>(row.index)].get());
    }
}

TEST(RecordLookup, ByExactKey) {
    const FtpPathList paths = FtpPaths({{"pub", ""}, {"Pub", ""}, {"pub", "second"}});
    RecordList<twebdomain> domains;
    for (const char* name : {"example.org", "Example.org"}) {
        domains.push_back(std::make_unique<twebdomain>());
        domains.back()->DomainName = name;
    }
    RecordList<tscripttype> types;
    for (const char* ext : {"php", "PL"}) {
        types.push_back(std::make_unique<tscripttype>());
        types.back()->Extension = ext;
    }
    const auto path = [&](tftppath* (*f)(const FtpPathList&, const std::string&, int&), const char* alias) {
        return [&paths, f, alias] {
            int index = 99;
            tftppath* p = f(paths, alias, index);
            EXPECT_EQ(p, index < 0 ? nullptr : paths[static_cast<std::size_t>(index)].get());
            return index;
        };
    };
    const auto domain = [&](const char* name) {
        return [&domains, name] {
            int index = 99;
            twebdomain* d = nullptr;
            const bool found = FindWebDomain(domains, name, d, index);
            EXPECT_EQ(found, index >= 0);
            EXPECT_EQ(d, index < 0 ? nullptr : domains[static_cast<std::size_t>(index)].get());
            return index;
        };
    };
    const auto type = [&](const char* ext) {
        return [&types, ext] {
            int index = 99;
            tscripttype* t = nullptr;
            const bool found = FindScriptType(types, ext, t, index);
            EXPECT_EQ(found, index >= 0);
            return index;
        };
    };
    const struct {
        const char* what;
        std::function<int()> find;  // the index found, -1 when none
        int index;
    } rows[] = {
        {"anonymous: first of equal aliases", path(FindAnonymousPath, "pub"), 0},
        {"anonymous: case counts", path(FindAnonymousPath, "Pub"), 1},
        {"anonymous: absent", path(FindAnonymousPath, "PUB"), -1},
        {"superuser: same rule", path(FindSuperuserPath, "Pub"), 1},
        {"web domain exact", domain("example.org"), 0},
        {"web domain case counts", domain("Example.org"), 1},
        {"web domain absent", domain("EXAMPLE.ORG"), -1},
        {"script type exact", type("PL"), 1},
        {"script type case counts", type("pl"), -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.find(), row.index);
    }
}

}  // namespace
}  // namespace core
