// The mail server's side of the window: the SMTP and POP3 steps' settings
// snapshots, read from its lists and the E-Mail page's controls, the
// window's entry points to those steps, and its mail-domain lookup.
#include "ui/protocols.h"
#include "mail/pop3step.h"
#include "mail/smtpdelivery.h"
#include "mail/smtpstep.h"
#include "ui/protocolsettings.h"
#include "ui/quillnestform.h"

int Tquillnestform::FindMailDomain(const std::string& Domain) const {
    return mail::FindMailDomain(MailDomainList, Domain);
}

mail::SmtpSettings mail::SmtpSettingsOf(const Tquillnestform& Form) {
    SmtpSettings s;
    s.LocalDomains = Form.emaildomains->Items()->ToVector();
    s.Accounts = &Form.Accounts;
    s.Forwards = &Form.ForwardList;
    s.MailDomains = &Form.MailDomainList;
    s.MailDir = Form.MailDir;
    s.RelayDir = Form.RelayDir;
    s.HomeDir = Form.HomeDir;
    s.RelayMail = Form.relayemail->Checked();
    s.AuthRequired = Form.antispam->Checked();
    s.RecipientCapOn = Form.maxrcptcheck->Checked();
    s.RecipientCap = Form.maxrcpt->Text();
    s.MasterAddressOn = Form.MasterAddressOn;
    s.MasterAddress = Form.MasterAddress;
    s.ServerName = Form.helodomain->Text();
    if (s.ServerName.empty()) s.ServerName = Form.netsockets->LocalHostName();
    return s;
}

void ProcessSmtp(Tquillnestform* form, tsession* session, int index) {
    mail::SmtpStep step{*form, form->Mail, {}, {[form] { return mail::SmtpSettingsOf(*form); }}};
    step.Deliver = [&step](tsession* s, std::vector<std::string>& passedOver) {
        return mail::DeliverMessage(step.Settings(), step.Mail, s, &passedOver);
    };
    mail::StepSmtp(step, session, index);
}

mail::Pop3Settings mail::Pop3SettingsOf(const Tquillnestform& Form) {
    Pop3Settings s;
    s.Accounts = &Form.Accounts;
    s.MailDir = Form.MailDir;
    s.RememberLogins = Form.antispam->Checked();
    return s;
}

void ProcessPop3(Tquillnestform* form, tsession* session, int index) {
    mail::Pop3Step step{*form, form->Mail, {[form] { return mail::Pop3SettingsOf(*form); }}};
    mail::StepPop3(step, session, index);
}
