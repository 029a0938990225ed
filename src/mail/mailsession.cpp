#include "mail/mailsession.h"

#include "mail/commandline.h"

namespace mail {

void Reply(core::tsessionface* form, tsession* session, const std::string& Text) { core::SendLine(*form, session, Text); }

void SetCaption(tsession* session, const std::string& Text) { core::CaptionSession(session, Text); }

void LogSession(core::tsessionface* form, tsession* session, const std::string& Text) {
    core::LogSession(*form, session, Text);
}

void CaptionAndLog(core::tsessionface* form, tsession* session, const std::string& Text) {
    SetCaption(session, Text);
    LogSession(form, session, Text);
}

bool TakeSessionLine(core::tsessionface* form, tsession* session, std::string& Line) {
    return core::TakeSessionLine(*form, session, kCommandLineRules, Line);
}

}  // namespace mail
