// States 3 and 4: a folder's listing, a piece per step and only when the
// socket can take it. The directory search stays open between the pieces.
#include "core/session.h"
#include "http/httpprograms.h"
#include "http/httpsession.h"
#include "http/listing.h"
#include "netsock/netsockets.h"
#include "netunit/findfile.h"
#include "netunit/paths.h"
#include "netunit/utf16.h"

namespace http {
namespace {

constexpr char kAllEntries[] = "*";

ListingEntry EntryOf(const netunit::tfinddata& Found) {
    return {Found.Name, (Found.Attributes & netunit::faDirectory) != 0, Found.Size};
}

}  // namespace

void StepListing(HttpStep& Step, tsession* Session) {
    Tnetsockets* net = Step.Face.netsockets;
    if (!net->CanSend(Session->Socket)) return;
    const bool firstPiece = Session->State == kHttpListingFirst;
    std::string path = netunit::WideToUtf8(Session->Target);
    bool& toggle = RowToggle(*Session);
    bool found = false;
    if (firstPiece) {
        std::string& folder = ListingFolder(*Session);
        folder = netunit::AddBackslash(folder);
        path = ListedPath(path, std::string::npos);  // cut to the path when the listing began
        Session->Target = netunit::Utf8ToWide(path);
        Session->InputBuffer = ListingHead(path, ListedHost(*Session));
        toggle = false;
        found = netunit::WideFindFirst(Session->Search, folder + kAllEntries);
        Session->SearchOpen = Session->Search.FindHandle != nullptr;
    } else {
        Session->InputBuffer.clear();
        found = netunit::WideFindNext(Session->Search);
    }
    while (found) {
        Session->InputBuffer += ListingRow(path, EntryOf(Session->Search), toggle, firstPiece);
        toggle = !toggle;
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
    net->SendText(Session->Socket, Session->InputBuffer);
    core::tsessionface::RestartIdleTimer(Session);
}

void ReleaseListing(tsession* Session) {
    if (!Session->SearchOpen) return;
    netunit::WideFindClose(Session->Search);
    Session->SearchOpen = false;
}

}  // namespace http
