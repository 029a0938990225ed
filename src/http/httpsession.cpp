#include "http/httpsession.h"

#include "core/accounting.h"
#include "core/protocols.h"
#include "core/sessionface.h"
#include "netunit/textutil.h"
#include "forms/forms.h"
#include "http/httpreplies.h"
#include "http/httpprograms.h"
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

HttpSettings HttpSettingsOf(const Tquillnestform& Form) {
    HttpSettings settings;
    settings.Map = UrlMapConfigOf(Form);
    settings.DirListings = Form.dirlistings->Checked();
    settings.MonitorDownloads = Form.monitordownloads->Checked();
    settings.MonitorStats = Form.monitorstats->Checked();
    settings.MimeTypes = &Form.MimeTypes;
    return settings;
}

const HttpSettings& HttpStep::Settings() {
    if (!settings) settings = HttpSettingsOf(*Form);
    return *settings;
}

void RecordHttpDownload(core::tsessionface& Face, const HttpSettings& Settings, const tsession* Session) {
    const std::string folder = netunit::WideExtractPath(Session->FilePath);
    const std::string name = Session->FilePath.substr(folder.size());
    if (Settings.MonitorDownloads) Face.AddDownloadRecord(name, folder, kHttpDownloadUser);
    if (Settings.MonitorStats) Face.CountDownloadStat(name, folder);
}

void RecordHttpDownload(Tquillnestform* Form, const tsession* Session) {
    RecordHttpDownload(*Form, HttpSettingsOf(*Form), Session);
}

}  // namespace http

void ReleaseHttpAtShutdown(Tquillnestform* form, tsession* session) {
    // A listing search, an include page or a request an extension still
    // answers: the extension must not find the session later.
    http::ReleaseHttpPrograms(form, session);
}

void ProcessHttp(Tquillnestform* form, tsession* session, int index) {
    http::HttpStep step{*form, form, std::nullopt};
    http::StepSession(step, session, index);
}
