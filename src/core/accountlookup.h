// The account lookups and permission tests the services share. User names
// compare ignoring ASCII case; passwords compare exactly.
#pragma once

#include <string>

#include "core/recordfiles.h"

namespace core {

// The first account of that user name, or nullptr.
tuseraccount* FindAccount(const AccountList& accounts, const std::string& Name);

// The index of that account in the list, or -1.
int IndexOfAccount(const AccountList& accounts, const std::string& Name);

// "name (description)", or the name alone when there is no description.
std::string AccountDisplayName(const tuseraccount& Account);

// True when some account of that user name has exactly that password
// (every account of the name is tried, in list order).
bool CheckPassword(const AccountList& accounts, const std::string& UserName,
                   const std::string& Password);

// The account's e-mail, FTP or Telnet permission; false when there is no such
// account. CurrentAccount is left at the account found (nullptr when none), so
// that the caller can read its other fields next.
bool UserMailAllowed(const AccountList& accounts, const std::string& Name,
                     tuseraccount*& CurrentAccount);
bool UserFtpAllowed(const AccountList& accounts, const std::string& Name,
                    tuseraccount*& CurrentAccount);
bool UserTelnetAllowed(const AccountList& accounts, const std::string& Name,
                       tuseraccount*& CurrentAccount);

}  // namespace core
