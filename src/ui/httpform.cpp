// The window's side of the web server: the settings snapshots a step takes
// from the controls and lists, and the engine's entry points for HTTP. The
// rest of http/ sees the engine's face, the HTTP state and the snapshot.
#include "ui/protocols.h"
#include "forms/forms.h"
#include "http/httpprograms.h"
#include "http/httpsession.h"
#include "http/urlmap.h"
#include "netunit/paths.h"
#include "platform/programdir.h"
#include "ui/protocolsettings.h"
#include "ui/quillnestform.h"

namespace http {

UrlMapConfig UrlMapConfigOf(const Tquillnestform& Form) {
    UrlMapConfig config;
    config.ProgramDir = platform::ProgramDir();
    config.WebDir = netunit::FromFolder(config.ProgramDir, Form.webdir->Text());
    config.WebIndex = Form.webindex->Text();
    config.CgiEnabled = Form.cgienabled->Checked();
    config.CgiDir = netunit::FromFolder(config.ProgramDir, Form.cgidir->Text());
    config.CgiAlias = Form.cgialias->Text();
    config.SsiEnabled = Form.ssienabled->Checked();
    config.HomeDir = Form.HomeDir;
    config.Accounts = &Form.Accounts;
    config.WebDomains = &Form.WebDomainList;
    config.VirtualPaths = &Form.VirtualPathList;
    config.ScriptTypes = &Form.ScriptTypeList;
    return config;
}

HttpSettings HttpSettingsOf(const Tquillnestform& Form) {
    HttpSettings settings;
    settings.Map = UrlMapConfigOf(Form);
    settings.DirListings = Form.dirlistings->Checked();
    settings.MonitorDownloads = Form.monitordownloads->Checked();
    settings.MonitorStats = Form.monitorstats->Checked();
    settings.MimeTypes = &Form.MimeTypes;
    settings.MimeIndex = &Form.Http.MimeIndex;
    settings.WebPort = Form.webport->Text();
    settings.Environment = &Form.EnvironmentBlock;
    return settings;
}

}  // namespace http

void ProcessHttp(Tquillnestform* form, tsession* session, int index) {
    http::HttpStep step{*form, form->Http, {[form] { return http::HttpSettingsOf(*form); }}};
    http::StepSession(step, session, index);
}
