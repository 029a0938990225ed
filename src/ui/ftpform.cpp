// The window's side of FTP: the settings snapshot of the FTP page and the
// engine's entry point, which gives the step the window as its engine face.
#include "ui/protocols.h"
#include "forms/forms.h"
#include "ftp/ftpsession.h"
#include "ftp/ftpsettings.h"
#include "platform/programdir.h"
#include "ui/protocolsettings.h"
#include "ui/quillnestform.h"
#include "ui/transferlists.h"

ftp::FtpSettings ftp::FtpSettingsOf(const Tquillnestform& Form) {
    FtpSettings s;
    s.ServerName = Form.ftpname->Text();
    s.WindowCaption = Form.Caption();
    s.HomeDir = Form.HomeDir;
    s.ProgramDir = platform::ProgramDir();
    s.Accounts = &Form.Accounts;
    s.AnonymousPaths = &Form.AnonymousPathList;
    s.SharedPaths = &Form.SharedPathList;
    s.SuperuserPaths = &Form.SuperuserPathList;
    s.AnonymousOn = Form.anonymousenabled->Checked();
    s.SharedOn = Form.sharedenabled->Checked();
    s.SuperOn = Form.superenabled->Checked();
    s.AnonymousAliases = Form.anonymouspathslist->Items()->ToVector();
    s.SuperAliases = Form.superuserpathslist->Items()->ToVector();
    s.Anonymous = AnonymousAccount(Form.anonmaxconcheck->Checked(), Form.anonmaxcon->Text(),
                                   Form.anonmaxbancheck->Checked(), Form.anonmaxban->Text());
    s.MonitorUploads = Form.monitoruploads->Checked();
    s.MonitorDownloads = Form.monitordownloads->Checked();
    s.MonitorStats = Form.monitorstats->Checked();
    return s;
}

void ProcessFtp(Tquillnestform* form, tsession* session, int index) {
    auto recordUpload = [form](const std::string& name, const std::string& folder, const std::string& user) {
        AddUploadRecord(form, name, folder, user);
    };
    ftp::FtpStep step{*form, session, index, recordUpload, {[form] { return ftp::FtpSettingsOf(*form); }}};
    ftp::StepFtp(step);
}
