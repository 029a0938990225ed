// The enabled states of the window's list buttons and dependent settings, and
// the monitor captions, recomputed from the current control values after
// every change that can affect them.
#include <initializer_list>

#include "ui/quillnestform.h"

namespace {

constexpr size_t kMaxConsolePrograms = 6;
constexpr const char* kDefaultMaxRecipients = "16";

void EnableAll(std::initializer_list<forms::TControl*> controls, bool on) {
    for (forms::TControl* c : controls) c->SetEnabled(on);
}

bool HasSelection(const forms::TListBox* list) { return list->ItemIndex() != -1; }
bool HasSelection(const forms::TListView* list) { return list->ItemIndex() != -1; }

// A monitor's view and clear button follow its switch, whose caption shows
// since when it tracks.
void MonitorState(forms::TCheckBox* monitor, std::initializer_list<forms::TControl*> controls,
                  const std::string& caption, const std::string& since) {
    const bool on = monitor->Checked();
    EnableAll(controls, on);
    monitor->SetCaption(on ? caption + ": " + since : caption);
}

}  // namespace

void Tquillnestform::UpdateControls() {
    EnableAll({removeaccountbutton, accountpropertiesbutton}, HasSelection(accountslist));
    EnableAll({removeforward, forwardproperties}, HasSelection(forwards));
    EnableAll({removeemailhost, changemailhost}, HasSelection(emaildomains));
    EnableAll({webdomainslist, newwebdomain, virtualpathslabel, domaincombo, Domainlabel, virtualpathslist,
               newvirtualpath},
              true);
    EnableAll({removewebdomain, webdomainproperties}, HasSelection(webdomainslist));
    EnableAll({removevirtualpath, virtualpathproperties}, HasSelection(virtualpathslist));
    EnableAll({removecgitype, cgitypeproperties}, HasSelection(cgitypeslist));
    EnableAll({removemime, mimeproperties}, HasSelection(mimelist));
    EnableAll({Label7, cgialias, Label6, cgidir, cgibrowse}, cgienabled->Checked());
    EnableAll({bitbtn10, bitbtn11}, HasSelection(anonymouspathslist));
    EnableAll({bitbtn5, bitbtn6}, HasSelection(sharedpathslist));
    EnableAll({bitbtn7, bitbtn8}, HasSelection(superuserpathslist));

    // Only enabled here: the layout pass disables it.
    if (forms::TTreeNode* node = protocoltree->Selected())
        for (const tsession* session : SessionList)
            if (session->Node == node) bitbtn2->SetEnabled(true);

    const bool relay = relayemail->Checked();
    EnableAll({relaybox, mxlabel, relaydns1, relaydns2, antispam, maxrcptcheck, helodomain, helodomainlabel}, relay);
    const bool rcpt = relay && maxrcptcheck->Checked();
    maxrcpt->SetEnabled(rcpt);
    if (rcpt && maxrcpt->Text().empty()) maxrcpt->SetText(kDefaultMaxRecipients);

    const bool anonymous = anonymousenabled->Checked();
    EnableAll({anonftpbox, anonmaxconcheck, anonmaxbancheck}, anonymous);
    EnableAll({anonmaxban, anonkps}, anonymous && anonmaxbancheck->Checked());
    anonmaxcon->SetEnabled(anonymous && anonmaxconcheck->Checked());

    MonitorState(monitordownloads, {downloads, cleardownloads}, "Track Downloads", DownloadsSince);
    MonitorState(monitorstats, {dstats, clearstats}, "Track Download Stats", StatsSince);
    MonitorState(monitoruploads, {uploads, clearuploads}, "Track Uploads", UploadsSince);

    EnableAll({removeban, banproperties}, HasSelection(blacklist));
    newconsoleapp->SetEnabled(ConsoleProgramList.size() < kMaxConsolePrograms);
    EnableAll({removeconsoleapp, consoleappproperties}, HasSelection(consoleapplist));
    EnableAll({removetrigger, triggerproperties}, HasSelection(triggerlistbox));
}
