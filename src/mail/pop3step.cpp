// The Pop3 session's step. Until the protocol's dialogue is in place the
// session only waits for its end (idle timer, peer close, kill, shutdown).
#include "core/protocols.h"
#include "ui/quillnestform.h"

void ProcessPop3(Tquillnestform* form, tsession* session, int index) {
    if (session->State == kStateClosing) form->CloseSessionStep(session, index, true);
}
