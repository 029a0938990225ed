// The mail server's decisions as the window's methods: they read its lists
// and the E-Mail page's controls and hand them to the address rules.
#include "mail/mailbox.h"
#include "netunit/datetime.h"
#include "ui/quillnestform.h"

namespace {

mail::tmailbook BookOf(const Tquillnestform& form, const std::vector<std::string>& domains) {
    return {domains, form.Accounts, form.ForwardList, form.MailDomainList};
}

}  // namespace

bool Tquillnestform::IsLocalDomain(const std::string& Address, bool& NoSuchUser) const {
    const std::vector<std::string> domains = emaildomains->Items()->ToVector();
    const mail::tlocalcheck check = mail::IsLocalDomain(Address, BookOf(*this, domains));
    NoSuchUser = check.NoSuchUser;
    return check.IsLocal;
}

std::string Tquillnestform::ParseAddress(const std::string& Text, bool& Forwarded, bool& CatchAll) const {
    const std::vector<std::string> domains = emaildomains->Items()->ToVector();
    const mail::tparsedaddress parsed = mail::ParseAddress(Text, BookOf(*this, domains));
    Forwarded = parsed.Forwarded;
    if (parsed.CatchAll) CatchAll = true;
    return parsed.Address;
}

int Tquillnestform::FindMailDomain(const std::string& Domain) const {
    return mail::FindMailDomain(MailDomainList, Domain);
}

bool Tquillnestform::CheckSmtpAuth(const std::string& Token) const {
    // While authentication is not required every client counts as
    // authenticated, and so may relay.
    return !antispam->Checked() || mail::CheckSmtpAuthToken(Token, Accounts);
}

bool Tquillnestform::RelayRecipientAllowed(size_t Count) const {
    return mail::RelayRecipientAllowed(maxrcptcheck->Checked(), maxrcpt->Text(), Count);
}

void Tquillnestform::RememberPopLogin(const std::string& PeerAddress) {
    mail::RememberPopLogin(Mail.PopLoginList, PeerAddress, netunit::NowDayNumber());
}

void Tquillnestform::PurgePopLogins() { mail::PurgePopLogins(Mail.PopLoginList, netunit::NowDayNumber()); }

int64_t Tquillnestform::NewMessageId(const std::string& User) { return mail::NewMessageId(MailDir, User, Mail.MessageIds); }
