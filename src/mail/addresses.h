// Which mailbox a mail address names: an account's own address at a local mail
// domain, a forward, a domain's catch-all, or a remote address to relay. Also
// the SMTP authentication token and the list of recent POP3 logins. Pure
// functions over the window's lists; the window's methods of the same names
// pass its lists in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/recordfiles.h"

namespace mail {

// A POP3 login remembered for a while: the client's dotted address and when
// the memory runs out (a day number).
struct tsmtpauth {
    std::string Address;
    double Expiry = 0;
};

// How long a POP3 login is remembered, in days (3,628.8 seconds).
constexpr double kPopLoginLifeDays = 0.042;

// The lists the address decisions read: the local domains as the mail domain
// list box shows them, the accounts, the forwards and the mail domain records.
struct tmailbook {
    const std::vector<std::string>& Domains;
    const core::AccountList& Accounts;
    const core::RecordList<core::tmailforward>& Forwards;
    const core::RecordList<core::tmaildomain>& MailDomains;
};

struct tlocalcheck {
    bool IsLocal = false;
    bool NoSuchUser = false;  // the address names this server but no mailbox of it
};

struct tparsedaddress {
    std::string Address;
    bool Forwarded = false;
    bool CatchAll = false;
};

// The account name a local address names: the part before its first "@",
// or the whole text when it has none (a bare account name).
std::string MailboxPart(const std::string& Address);

// True when the address holds "@" and its first "@" is not its last character.
bool HasDomainPart(const std::string& Address);

// A local domain delivers only to the address an account has as its own
// e-mail address; an address without a domain names an account directly.
tlocalcheck IsLocalDomain(const std::string& Address, const tmailbook& Book);

// The address inside Text (between the first "<" and the first ">" when it
// holds both, blanks trimmed) with one forward or a catch-all applied.
tparsedaddress ParseAddress(const std::string& Text, const tmailbook& Book);

// The index of the first mail domain record of exactly that domain, or -1.
int FindMailDomain(const core::RecordList<core::tmaildomain>& MailDomains, const std::string& Domain);

// Whether the token (Base64 of identity NUL user NUL password) names an
// account that may use e-mail, user name and password matching exactly.
bool CheckSmtpAuthToken(const std::string& Token, const core::AccountList& Accounts);

// The user name a token carries: the text between its first and second NUL.
std::string SmtpAuthUser(const std::string& Token);

// The account whose mailbox Name denotes (ignoring case), or nullptr. An
// account whose name could not be a plain file name in the mail folder has
// no mailbox, so no name can place or read a file outside it.
const core::tuseraccount* FindMailboxAccount(const core::AccountList& Accounts, const std::string& Name);

// Relaying to one more recipient when Count are already queued for relay:
// always with the cap off, else only below a valid cap.
bool RelayRecipientAllowed(bool CapOn, const std::string& CapText, size_t Count);

// Drops the first login that has run out by Now (one at most per call).
void PurgePopLogins(std::vector<tsmtpauth>& Logins, double Now);

// Purges, then renews the login of that address or appends a new one.
void RememberPopLogin(std::vector<tsmtpauth>& Logins, const std::string& Address, double Now);

}  // namespace mail
