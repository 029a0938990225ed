#include "http/httpsession.h"

#include "core/sessionface.h"
#include "http/httpreplies.h"
#include "http/mimetypes.h"
#include "http/httprequest.h"
#include "netsock/netsockets.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"

namespace http {

const char* HttpStateName(int32_t State) {
    switch (State) {
        case kHttpRequest: return "request";
        case kHttpSendingFile: return "sending file";
        case kHttpCgiOutput: return "CGI output";
        case kHttpListingFirst: return "listing";
        case kHttpListingMore: return "listing more";
        case kHttpIncludePage: return "include page";
        case kHttpClosing: return "closing";
        case kHttpExtensionPending: return "extension pending";
        default: return "unknown";
    }
}

std::string ContentTypeFor(const HttpSettings& Settings, const std::string& FileName) {
    if (Settings.MimeIndex != nullptr) return Settings.MimeIndex->Of(*Settings.MimeTypes).ContentTypeOf(FileName);
    return ContentTypeOf(Settings.MimeTypes->Lines(), FileName);
}

void EnterState(tsession* Session, int32_t State) { core::EnterState(Session, State, HttpStateName); }

void LogHttp(core::tsessionface* Form, const tsession* Session, const std::string& Text) {
    core::LogSession(*Form, Session, Text);
}

void SetHttpCaption(const tsession* Session, const std::string& Text) { core::CaptionSession(Session, Text); }

void SendFinalReply(core::tsessionface* Form, tsession* Session, const std::string& Reply) {
    Form->netsockets->SendText(Session->Socket, Session->Method == "HEAD" ? ReplyHeader(Reply) : Reply);
    EnterState(Session, kHttpClosing);
}

void SendCgiDisabledPage(core::tsessionface* Form, tsession* Session) {
    SendFinalReply(Form, Session, CgiDisabledPage(netunit::NthWord(RequestLine(Session->InputBuffer), 2)));
}

void RecordHttpDownload(core::tsessionface& Face, const HttpSettings& Settings, const tsession* Session) {
    const std::string folder = netunit::WideExtractPath(Session->FilePath);
    const std::string name = Session->FilePath.substr(folder.size());
    if (Settings.MonitorDownloads) Face.AddDownloadRecord(name, folder, kHttpDownloadUser);
    if (Settings.MonitorStats) Face.CountDownloadStat(name, folder);
}

}  // namespace http
