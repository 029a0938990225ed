#include "core/recordlookup.h"

namespace core {
namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// The first record from the front that satisfies match; Index is its place or -1.
template <class T, class Match>
T* FindFirst(const RecordList<T>& list, int& Index, Match match) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (match(*list[i])) {
            Index = static_cast<int>(i);
            return list[i].get();
        }
    }
    Index = -1;
    return nullptr;
}

bool MatchesVirtualPath(const tvirtualpath& path, std::string_view url, std::string_view host) {
    const std::size_t n = path.Alias.size();
    if (url.size() < n || !SameTextAscii(url.substr(0, n), path.Alias)) return false;
    if (url.size() != n && url[n] != '/') return false;
    return path.Domain == "default" || SameTextAscii(path.Domain, host);
}

tftppath* FindPathByAlias(const FtpPathList& list, const std::string& alias, int& index) {
    return FindFirst(list, index, [&](const tftppath& p) { return p.Alias == alias; });
}

}  // namespace

std::string_view HostName(std::string_view Host) {
    std::string_view name = Host.substr(0, Host.find(':'));
    if (!name.empty() && name.back() == '.') name.remove_suffix(1);
    return name;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool FindWebDomain(const RecordList<twebdomain>& list, const std::string& Name,
                   twebdomain*& Record, int& Index) {
    Record = FindFirst(list, Index, [&](const twebdomain& d) { return d.DomainName == Name; });
    return Record != nullptr;
}

bool FindScriptType(const RecordList<tscripttype>& list, const std::string& Extension,
                    tscripttype*& Record, int& Index) {
    Record = FindFirst(list, Index, [&](const tscripttype& t) { return t.Extension == Extension; });
    return Record != nullptr;
}

bool FindVirtualPath(const RecordList<tvirtualpath>& list, const std::string& Url,
                     const std::string& Host, int& Index, tvirtualpath*& Record) {
    const std::string_view host = HostName(Host);
    Record = FindFirst(list, Index,
                       [&](const tvirtualpath& p) { return MatchesVirtualPath(p, Url, host); });
    return Record != nullptr;
}

tftppath* FindSharedPath(const FtpPathList& list, const std::string& Group,
                         const std::string& Alias, bool AllAccounts, int& Index,
                         const std::string& UserName) {
    // An entry owned by the user's group or by the user comes before one that
    // every account shares, wherever it stands in the list.
    tftppath* own = FindFirst(list, Index, [&](const tftppath& p) {
        if (p.Alias != Alias) return false;
        if (!p.Owner.empty() && p.Owner[0] == '<') return SameTextAscii(p.Owner, Group);
        return p.Owner == UserName;
    });
    if (own || !AllAccounts) return own;
    return FindFirst(list, Index, [&](const tftppath& p) {
        return p.Alias == Alias && p.Owner == kAllAccountsOwner;
    });
}

tftppath* FindAnonymousPath(const FtpPathList& list, const std::string& Alias, int& Index) {
    return FindPathByAlias(list, Alias, Index);
}

tftppath* FindSuperuserPath(const FtpPathList& list, const std::string& Alias, int& Index) {
    return FindPathByAlias(list, Alias, Index);
}

}  // namespace core
