#include "mail/addresses.h"

#include "core/accountlookup.h"
#include "core/recordlookup.h"
#include "netunit/base64.h"
#include "netunit/textutil.h"

namespace mail {
namespace {

// The parts of a token after its authorization identity. Complete only when
// both NULs are there: without the second the password is missing.
struct ttokenparts {
    bool Complete = false;
    std::string User;
    std::string Password;
};

ttokenparts SplitToken(const std::string& Token) {
    ttokenparts parts;
    const std::string decoded = netunit::Base64Decode(Token);
    const size_t first = decoded.find('\0');
    if (first == std::string::npos) return parts;
    const size_t second = decoded.find('\0', first + 1);
    if (second == std::string::npos) {
        parts.User = decoded.substr(first + 1);
        return parts;
    }
    parts.Complete = true;
    parts.User = decoded.substr(first + 1, second - first - 1);
    parts.Password = decoded.substr(second + 1);
    return parts;
}

}  // namespace

std::string MailboxPart(const std::string& Address) { return Address.substr(0, Address.find('@')); }

bool HasDomainPart(const std::string& Address) {
    const size_t at = Address.find('@');
    return at != std::string::npos && at + 1 < Address.size();
}

tlocalcheck IsLocalDomain(const std::string& Address, const tmailbook& Book) {
    tlocalcheck result;
    if (!HasDomainPart(Address)) {
        for (const auto& account : Book.Accounts)
            if (core::SameTextAscii(account->UserName, Address)) {
                result.IsLocal = true;
                return result;
            }
        result.NoSuchUser = true;
        return result;
    }
    const size_t at = Address.find('@');
    const std::string local = Address.substr(0, at);
    const std::string domain = Address.substr(at + 1);
    for (const std::string& entry : Book.Domains) {
        if (!core::SameTextAscii(entry, domain)) continue;
        for (const auto& account : Book.Accounts)
            if (core::SameTextAscii(account->UserName, local)) {
                result.IsLocal = core::SameTextAscii(account->EmailAddress, Address);
                result.NoSuchUser = !result.IsLocal;
                return result;
            }
        result.NoSuchUser = true;
        return result;
    }
    return result;  // a remote address
}

tparsedaddress ParseAddress(const std::string& Text, const tmailbook& Book) {
    tparsedaddress result;
    std::string s = Text;
    const size_t open = s.find('<');
    const size_t close = s.find('>');
    if (open != std::string::npos && close != std::string::npos)
        s = close > open ? s.substr(open + 1, close - open - 1) : std::string();
    s = netunit::TrimSpaces(s);
    if (HasDomainPart(s)) {
        // A forward is followed once: its target is not looked up again.
        for (const auto& forward : Book.Forwards)
            if (core::SameTextAscii(forward->Forwarded, s)) {
                result.Address = forward->Destination;
                result.Forwarded = true;
                return result;
            }
        if (!IsLocalDomain(s, Book).IsLocal) {
            const std::string domain = netunit::AsciiLowerCase(s.substr(s.find('@') + 1));
            for (const auto& record : Book.MailDomains)
                if (record->CatchAllOn && netunit::AsciiLowerCase(record->Domain) == domain) {
                    result.Address = record->CatchAllAddress;
                    result.Forwarded = true;
                    result.CatchAll = true;
                    return result;
                }
        }
    }
    result.Address = s;
    return result;
}

int FindMailDomain(const core::RecordList<core::tmaildomain>& MailDomains, const std::string& Domain) {
    for (size_t i = 0; i < MailDomains.size(); ++i)
        if (MailDomains[i]->Domain == Domain) return static_cast<int>(i);
    return -1;
}

bool CheckSmtpAuthToken(const std::string& Token, const core::AccountList& Accounts) {
    const ttokenparts parts = SplitToken(Token);
    if (!parts.Complete) return false;
    for (const auto& account : Accounts)
        if (account->EmailAllowed && account->UserName == parts.User && account->Password == parts.Password)
            return true;
    return false;
}

std::string SmtpAuthUser(const std::string& Token) { return SplitToken(Token).User; }

const core::tuseraccount* FindMailboxAccount(const core::AccountList& Accounts, const std::string& Name) {
    const core::tuseraccount* account = core::FindAccount(Accounts, Name);
    return account != nullptr && core::IsSingleFolderName(account->UserName) ? account : nullptr;
}

bool RelayRecipientAllowed(bool CapOn, const std::string& CapText, size_t Count) {
    if (!CapOn) return true;
    const int64_t cap = netunit::ParseInt64(CapText);
    return cap >= 0 && static_cast<uint64_t>(cap) > Count;
}

void PurgePopLogins(std::vector<tsmtpauth>& Logins, double Now) {
    for (auto it = Logins.begin(); it != Logins.end(); ++it)
        if (it->Expiry < Now) {
            Logins.erase(it);
            return;
        }
}

void RememberPopLogin(std::vector<tsmtpauth>& Logins, const std::string& Address, double Now) {
    PurgePopLogins(Logins, Now);
    for (tsmtpauth& login : Logins)
        if (login.Address == Address) {
            login.Expiry = Now + kPopLoginLifeDays;
            return;
        }
    Logins.push_back({Address, Now + kPopLoginLifeDays});
}

}  // namespace mail
