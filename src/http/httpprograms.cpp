// The close step's share of the programs, listings, include pages and
// extension requests: whatever the session still holds is let go.
#include "http/httpprograms.h"

#include "core/session.h"
#include "http/isapirequest.h"
#include "platform/process.h"

namespace http {

void ReleaseHttpPrograms(core::tsessionface* Form, tsession* Session) {
    if (Session->ChildRunning) {
        // The child's whole group is killed and reaped, not only the child.
        platform::EndChildProcess(Session->Child);
        Session->ChildRunning = false;
    }
    ReleaseListing(Session);
    ReleaseIncludePage(Session);
    ReleaseExtensionRequest(Form, Session);
}

}  // namespace http
