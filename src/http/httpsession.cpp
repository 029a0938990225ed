#include "http/httpsession.h"

#include "core/accounting.h"
#include "core/sessionface.h"
#include "core/texthelpers.h"
#include "forms/forms.h"
#include "http/httpreplies.h"
#include "http/httprequest.h"
#include "netunit/paths.h"
#include "ui/quillnestform.h"

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

void EnterState(tsession* Session, int32_t State) { core::EnterState(Session, State, HttpStateName); }

void LogHttp(Tquillnestform* Form, const tsession* Session, const std::string& Text) {
    core::LogSession(*Form, Session, Text);
}

void SetHttpCaption(const tsession* Session, const std::string& Text) { core::CaptionSession(Session, Text); }

void SendFinalReply(Tquillnestform* Form, tsession* Session, const std::string& Reply) {
    Form->netsockets->SendText(Session->Socket, Session->Method == "HEAD" ? ReplyHeader(Reply) : Reply);
    EnterState(Session, kHttpClosing);
}

void SendCgiDisabledPage(Tquillnestform* Form, tsession* Session) {
    SendFinalReply(Form, Session, CgiDisabledPage(NthWord(RequestLine(Session->InputBuffer), 2)));
}

void RecordHttpDownload(Tquillnestform* Form, const tsession* Session) {
    const std::string folder = netunit::WideExtractPath(Session->FilePath);
    const std::string name = Session->FilePath.substr(folder.size());
    if (Form->monitordownloads->Checked()) AddDownloadRecord(Form, name, folder, kHttpDownloadUser);
    if (Form->monitorstats->Checked()) CountDownloadStat(Form, name, folder);
}

}  // namespace http
