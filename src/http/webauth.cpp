#include "http/webauth.h"

#include "core/recordlookup.h"
#include "netunit/base64.h"

namespace http {
namespace {

bool GrantAdmits(const core::twebaccess& Record, const core::tuseraccount& Account) {
    if (Record.GrantAllAccounts) return true;
    if (Record.GrantSuperusers && Account.Superuser) return true;
    return Record.GrantGroup && core::SameTextAscii(Account.Group, Record.Group);
}

}  // namespace

Admission CheckWebCredentials(const core::twebaccess& Record, const core::AccountList& Accounts,
                              const std::string& Token) {
    if (Token.empty()) return Admission::kRefused;
    if (Record.GrantLogin && netunit::Base64Credentials(Record.LoginUser, Record.LoginPassword) == Token)
        return Admission::kLogin;
    if (!Record.GrantSuperusers && !Record.GrantAllAccounts && !Record.GrantGroup) return Admission::kRefused;
    for (const auto& account : Accounts) {
        if (netunit::Base64Credentials(account->UserName, account->Password) != Token) continue;
        if (GrantAdmits(Record, *account)) return Admission::kAccount;
    }
    return Admission::kRefused;
}

}  // namespace http
