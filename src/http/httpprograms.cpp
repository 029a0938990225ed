// Programs, extensions, include pages and listings are not served yet: each
// answers with the page that says programs are not enabled.
#include "http/httpprograms.h"

#include "core/session.h"
#include "http/httpsession.h"

namespace http {

void StartCgiProgram(Tquillnestform* Form, tsession* Session, const std::string&) {
    SendCgiDisabledPage(Form, Session);
}

void CallExtension(Tquillnestform* Form, tsession* Session, const std::string&) { SendCgiDisabledPage(Form, Session); }

void StartIncludePage(Tquillnestform* Form, tsession* Session, const std::string&) {
    SendCgiDisabledPage(Form, Session);
}

void StepCgiOutput(Tquillnestform* Form, tsession* Session) { SendCgiDisabledPage(Form, Session); }

void StepListing(Tquillnestform* Form, tsession* Session) { SendCgiDisabledPage(Form, Session); }

void StepIncludePage(Tquillnestform* Form, tsession* Session) { SendCgiDisabledPage(Form, Session); }

void ReleaseHttpPrograms(Tquillnestform*, tsession* Session) {
    if (Session->ChildRunning) {
        platform::EndChildProcess(Session->Child);
        Session->ChildRunning = false;
    }
}

}  // namespace http
