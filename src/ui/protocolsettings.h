// Each protocol's settings snapshot, taken from the window's controls and
// lists; a step's snapshot takes it the first time the step asks.
#pragma once

#include "ftp/ftpsettings.h"
#include "http/httpsession.h"
#include "http/urlmap.h"
#include "mail/pop3step.h"
#include "mail/smtpstep.h"
#include "telnet/telnet.h"

class Tquillnestform;

namespace ftp {
FtpSettings FtpSettingsOf(const Tquillnestform& Form);
}  // namespace ftp

namespace http {
UrlMapConfig UrlMapConfigOf(const Tquillnestform& Form);
HttpSettings HttpSettingsOf(const Tquillnestform& Form);
}  // namespace http

namespace mail {
SmtpSettings SmtpSettingsOf(const Tquillnestform& Form);
Pop3Settings Pop3SettingsOf(const Tquillnestform& Form);
}  // namespace mail

namespace telnet {
TelnetSettings TelnetSettingsOf(const Tquillnestform& Form);
}  // namespace telnet
