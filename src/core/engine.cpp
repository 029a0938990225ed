#include "core/engine.h"

#include <exception>

#include "netsock/netsockets.h"
#include "platform/guard.h"

namespace core {

namespace {

// After a step that threw: its session goes to its close, unless the step
// freed it already.
void CloseAfterFailure(tsessionface& Face, tsession* session, int index, tstatechange ChangeState) {
    if (index < static_cast<int>(Face.SessionList.size()) && Face.SessionList[static_cast<size_t>(index)] == session)
        ChangeState(session, kStateClosing);
}

}  // namespace

void RunEngine(tsessionface& Face, const tenginestep& Step, tstatechange ChangeState) {
    for (int pass = 0; pass < kPassesPerRun; ++pass) {
        if (pass > 0) Face.netsockets->ProcessNotices();
        // The count is read afresh before every step: a step may free its own
        // session, and the one behind it then moves into this index.
        for (int i = 0; i < static_cast<int>(Face.SessionList.size()); ++i) {
            tsession* session = Face.SessionList[static_cast<size_t>(i)];
            if (Face.netsockets->IsDead(session->Socket)) ChangeState(session, kStateClosing);
            try {
                Step(session, i);
            } catch (const std::exception& e) {
                // A failing step must not take the engine down with it: that
                // session alone goes to its close.
                platform::ReportError(e.what());
                CloseAfterFailure(Face, session, i, ChangeState);
            } catch (...) {
                CloseAfterFailure(Face, session, i, ChangeState);
            }
        }
    }
}

}  // namespace core
