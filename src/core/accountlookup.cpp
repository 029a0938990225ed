#include "core/accountlookup.h"

#include "core/recordlookup.h"

namespace core {
namespace {

bool Allowed(const AccountList& accounts, const std::string& name, bool tuseraccount::*permission,
             tuseraccount*& current) {
    current = FindAccount(accounts, name);
    return current != nullptr && current->*permission;
}

}  // namespace

int IndexOfAccount(const AccountList& accounts, const std::string& Name) {
    for (std::size_t i = 0; i < accounts.size(); ++i)
        if (SameTextAscii(accounts[i]->UserName, Name)) return static_cast<int>(i);
    return -1;
}

tuseraccount* FindAccount(const AccountList& accounts, const std::string& Name) {
    const int index = IndexOfAccount(accounts, Name);
    return index < 0 ? nullptr : accounts[static_cast<std::size_t>(index)].get();
}

std::string AccountDisplayName(const tuseraccount& Account) {
    if (Account.Description.empty()) return Account.UserName;
    return Account.UserName + " (" + Account.Description + ")";
}

bool CheckPassword(const AccountList& accounts, const std::string& UserName,
                   const std::string& Password) {
    for (const auto& account : accounts)
        if (SameTextAscii(account->UserName, UserName) && account->Password == Password)
            return true;
    return false;
}

bool UserMailAllowed(const AccountList& accounts, const std::string& Name,
                     tuseraccount*& CurrentAccount) {
    return Allowed(accounts, Name, &tuseraccount::EmailAllowed, CurrentAccount);
}

bool UserFtpAllowed(const AccountList& accounts, const std::string& Name,
                    tuseraccount*& CurrentAccount) {
    return Allowed(accounts, Name, &tuseraccount::FtpAllowed, CurrentAccount);
}

bool UserTelnetAllowed(const AccountList& accounts, const std::string& Name,
                       tuseraccount*& CurrentAccount) {
    return Allowed(accounts, Name, &tuseraccount::TelnetAllowed, CurrentAccount);
}

}  // namespace core
