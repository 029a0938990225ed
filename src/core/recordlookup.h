// Lookups of configuration records by key. Each scans its list from the front
// and takes the first match; on no match the record is nullptr and the index -1.
#pragma once

#include <string>
#include <string_view>

#include "core/recordfiles.h"

namespace core {

// Equal ignoring the case of ASCII letters only.
bool SameTextAscii(std::string_view a, std::string_view b);

// The name a Host header gives for the lookups: the text before its first
// ":" (the port), without a final "." (the root of the name space, which
// names the same host).
std::string_view HostName(std::string_view Host);

// The domain name equal to Name, case counting.
bool FindWebDomain(const RecordList<twebdomain>& list, const std::string& Name,
                   twebdomain*& Record, int& Index);

// The extension equal to Extension, case counting.
bool FindScriptType(const RecordList<tscripttype>& list, const std::string& Extension,
                    tscripttype*& Record, int& Index);

// The first virtual path whose alias begins Url (ignoring case) at a "/" or at
// Url's end, and whose domain is Host without its ":port" (ignoring case) or
// "default". Url is the request path without its leading "/"; Host is taken
// through HostName.
bool FindVirtualPath(const RecordList<tvirtualpath>& list, const std::string& Url,
                     const std::string& Host, int& Index, tvirtualpath*& Record);

// The shared path of that alias (case counting) that this user may use: an
// entry owned by Group ("<Group: name>", ignoring case) or by UserName (case
// counting), else, when AllAccounts, one owned by "<All Accounts>".
tftppath* FindSharedPath(const FtpPathList& list, const std::string& Group,
                         const std::string& Alias, bool AllAccounts, int& Index,
                         const std::string& UserName);

// The path of that alias, case counting.
tftppath* FindAnonymousPath(const FtpPathList& list, const std::string& Alias, int& Index);
tftppath* FindSuperuserPath(const FtpPathList& list, const std::string& Alias, int& Index);

}  // namespace core
