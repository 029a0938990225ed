// States 3 and 4: a folder's listing, a piece per step and only when the
// socket can take it. The directory search stays open between the pieces.
#include "core/session.h"
#include "forms/forms.h"
#include "http/httpprograms.h"
#include "http/httpsession.h"
#include "http/listing.h"
#include "netunit/findfile.h"
#include "netunit/paths.h"
#include "netunit/utf16.h"
#include "ui/quillnestform.h"

namespace http {
namespace {

constexpr char kAllEntries[] = "*";

ListingEntry EntryOf(const netunit::tfinddata& Found) {
    return {Found.Name, (Found.Attributes & netunit::faDirectory) != 0, Found.Size};
}

}  // namespace

void StepListing(Tquillnestform* Form, tsession* Session) {
    if (!Form->netsockets->CanSend(Session->Socket)) return;
    const bool firstPiece = Session->State == kHttpListingFirst;
    std::string path = netunit::WideToUtf8(Session->Target);
    bool found = false;
    if (firstPiece) {
        Session->Recipient = netunit::AddBackslash(Session->Recipient);
        path = ListedPath(path);
        Session->Target = netunit::Utf8ToWide(path);
        Session->InputBuffer = ListingHead(path, Session->Sender);
        Session->Toggle = false;
        found = netunit::WideFindFirst(Session->Search, Session->Recipient + kAllEntries);
        Session->SearchOpen = Session->Search.FindHandle != nullptr;
    } else {
        Session->InputBuffer.clear();
        found = netunit::WideFindNext(Session->Search);
    }
    while (found) {
        Session->InputBuffer += ListingRow(path, EntryOf(Session->Search), Session->Toggle, firstPiece);
        Session->Toggle = !Session->Toggle;
        if (Session->InputBuffer.size() >= kListingPiece) break;
        found = netunit::WideFindNext(Session->Search);
    }
    if (Session->InputBuffer.size() < kListingPiece) {
        Session->InputBuffer += ListingTail();
        ReleaseListing(Session);
        EnterState(Session, kHttpClosing);
    } else {
        EnterState(Session, kHttpListingMore);
    }
    Form->netsockets->SendText(Session->Socket, Session->InputBuffer);
    Tquillnestform::RestartIdleTimer(Session);
}

void ReleaseListing(tsession* Session) {
    if (!Session->SearchOpen) return;
    netunit::WideFindClose(Session->Search);
    Session->SearchOpen = false;
}

}  // namespace http
