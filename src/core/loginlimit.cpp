#include "core/loginlimit.h"

#include "core/session.h"
#include "core/sessionface.h"

namespace core {

void HoldFailedLogin(tsession* Session, const std::string& Answer, tloginclock::time_point Now) {
    tloginlimit& logins = Session->Logins;
    ++logins.Failures;
    logins.AnswerHeld = true;
    logins.AnswerAt = Now + kFailedLoginDelay;
    logins.Answer = Answer;
}

bool LoginAnswerHeld(tsessionface& Face, tsession* Session, void (*ChangeState)(tsession*, int32_t),
                     tloginclock::time_point Now) {
    tloginlimit& logins = Session->Logins;
    if (!logins.AnswerHeld) return false;
    if (Now < logins.AnswerAt) return true;
    logins.AnswerHeld = false;
    SendLine(Face, Session, logins.Answer);
    logins.Answer.clear();
    if (logins.Failures >= kFailedLoginsMost) ChangeState(Session, kStateClosing);
    return true;
}

}  // namespace core
