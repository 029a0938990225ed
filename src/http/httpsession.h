// What the HTTP step files share: the states of an HTTP session and the small
// acts every state performs (a logged line, a node caption, a final reply).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"
#include "core/sessionface.h"
#include "core/stepsnapshot.h"
#include "http/httpstate.h"
#include "http/urlmap.h"

namespace http {

// The states keep their numbers: the engine and the idle timer write 99, and
// the state is shown in traces.
enum HttpState : int32_t {
    kHttpRequest = 0,            // intake, parsing and dispatch; a file's first chunk
    kHttpSendingFile = 1,        // the rest of a file, a chunk per step
    kHttpCgiOutput = 2,          // relaying a CGI program's output
    kHttpListingFirst = 3,       // the first piece of a folder listing
    kHttpListingMore = 4,        // its further pieces
    kHttpIncludePage = 5,        // a page with server-side includes
    kHttpClosing = 99,           // waiting for the last bytes to leave, then closing
    kHttpExtensionPending = 100, // an extension still owns the request
};

const char* HttpStateName(int32_t State);
// Moves the session to State (told to the debug log by name).
void EnterState(tsession* Session, int32_t State);

// The user every HTTP download is recorded for.
constexpr char kHttpDownloadUser[] = "Anonymous (http)";

// The settings a step reads, taken from the window as the step begins
// (ui/httpform.cpp), so that a change in the window applies from the next
// step on.
struct HttpSettings {
    UrlMapConfig Map;
    bool DirListings = false;
    bool MonitorDownloads = false;
    bool MonitorStats = false;
    const tmimelist* MimeTypes = nullptr;  // lines of the MIME list
    // The same by extension, where the window keeps one; brought in line with
    // the list only when a content type is asked for.
    tmimeindex* MimeIndex = nullptr;
    std::string WebPort;  // as typed: the port programs are told they were reached on
    // The server's own environment, taken at start-up: CGI programs inherit it.
    const std::vector<std::string>* Environment = nullptr;
};

// The content type sent for a file: through the index when there is one.
std::string ContentTypeFor(const HttpSettings& Settings, const std::string& FileName);

// One step of one session: the engine's face, the web server's state (its
// extension cache) and the step's settings. The window fills it for the
// engine (ui/httpform.cpp); a test fills it itself.
struct HttpStep {
    core::tsessionface& Face;
    thttpstate& Http;
    core::tstepsnapshot<HttpSettings> Settings;
};

// What an HTTP session keeps in the fields every session has, by the
// meanings HTTP gives them.
// The folder a listing lists; it ends in a slash once the listing has begun.
inline std::string& ListingFolder(tsession& Session) { return Session.Recipient; }
// The Host header as received, for the listing's heading.
inline std::string& ListedHost(tsession& Session) { return Session.Sender; }
// A program's output held back until its header block is whole.
inline std::string& HeldOutput(tsession& Session) { return Session.PendingText; }
// Whether the listing's next row is left untinted.
inline bool& RowToggle(tsession& Session) { return Session.Toggle; }

// The step of every state: intake, files and closing here, the programs,
// listings and include pages in their own files (httpprograms.h).
void StepSession(HttpStep& Step, tsession* Session, int Index);

// A log line with the session's prefix and protocol name.
void LogHttp(core::tsessionface* Form, const tsession* Session, const std::string& Text);

// The session's node caption: its short prefix and Text.
void SetHttpCaption(const tsession* Session, const std::string& Text);

// Sends a complete reply and ends the session once it has left. The answer to
// HEAD is the reply's header alone.
void SendFinalReply(core::tsessionface* Form, tsession* Session, const std::string& Reply);

// The page that says programs are switched off, naming the request's URL.
void SendCgiDisabledPage(core::tsessionface* Form, tsession* Session);

// Records a finished download in the lists whose monitors are ticked.
void RecordHttpDownload(core::tsessionface& Face, const HttpSettings& Settings, const tsession* Session);

}  // namespace http
