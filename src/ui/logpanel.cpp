// The Log page (copying, clearing, keeping the newest line in view, changing
// the log file) and the three transfer monitors with their clear buttons.
#include "forms/forms.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "ui/quillnestform.h"
#include "ui/trackingsince.h"

namespace {

// A monitor that stops or starts afresh lets go of everything it recorded.
void EmptyMonitor(core::RecordList<core::ttransferrecord>& records, forms::TListView* view) {
    records.clear();
    view->Clear();
}

// Switched on, a monitor tracks from now; switched off, it forgets.
void SwitchMonitor(const forms::TCheckBox* monitor, std::string& since,
                   core::RecordList<core::ttransferrecord>& records, forms::TListView* view) {
    if (monitor->Checked())
        since = TrackingSinceNow();
    else
        EmptyMonitor(records, view);
}

// A clear button starts the monitor afresh from now.
void RestartMonitor(std::string& since, core::RecordList<core::ttransferrecord>& records, forms::TListView* view) {
    since = TrackingSinceNow();
    EmptyMonitor(records, view);
}

}  // namespace

void Tquillnestform::BitBtn3Click(forms::TObject*) {
    if (!LogFileName.empty()) {
        const std::string folder = netunit::WideExtractPath(LogFileName);
        if (!folder.empty() && netunit::WideDirectoryExists(folder)) OpenDialog1->InitialDir = folder;
    }
    if (ChooseLogFile()) {
        LogFileName = OpenDialog1->FileName;
        logfilelabel->SetCaption("Log to File: " + LogFileName);
        // Off and on again: the old file hears that logging stopped, the new
        // one is opened with the question about the log so far.
        if (LogToFile) logfilelabel->SetChecked(false);
        logfilelabel->SetChecked(true);
    }
    SaveSettings();
}

void Tquillnestform::statusClick(forms::TObject*) {
    FlushLog();
    scratchpad->Lines()->Clear();
    for (int i = 0; i < status->Items()->Count(); ++i) {
        if (!status->Selected(i)) continue;
        scratchpad->Lines()->Add(status->Items()->Strings(i));
        status->SetSelected(i, false);
    }
    scratchpad->SelectAll();
    scratchpad->CopyToClipboard();
}

void Tquillnestform::clearlogClick(forms::TObject*) {
    FlushLog();
    status->Items()->Clear();
}

void Tquillnestform::lockbottomClick(forms::TObject*) {
    if (lockbottom->Checked() && status->Items()->Count() > 0) status->SetItemIndex(status->Items()->Count() - 1);
}

void Tquillnestform::monitordownloadsClick(forms::TObject*) {
    SwitchMonitor(monitordownloads, DownloadsSince, DownloadList, downloads);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::monitoruploadsClick(forms::TObject*) {
    SwitchMonitor(monitoruploads, UploadsSince, UploadList, uploads);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::monitorstatsClick(forms::TObject*) {
    SwitchMonitor(monitorstats, StatsSince, DownloadStatList, dstats);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::cleardownloadsClick(forms::TObject*) {
    RestartMonitor(DownloadsSince, DownloadList, downloads);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::clearuploadsClick(forms::TObject*) {
    RestartMonitor(UploadsSince, UploadList, uploads);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::clearstatsClick(forms::TObject*) {
    RestartMonitor(StatsSince, DownloadStatList, dstats);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::WireLogPanel() {
    bitbtn3->OnClick = [this](forms::TObject* s) { BitBtn3Click(s); };
    status->OnClick = [this](forms::TObject* s) { statusClick(s); };
    clearlog->OnClick = [this](forms::TObject* s) { clearlogClick(s); };
    lockbottom->OnClick = [this](forms::TObject* s) { lockbottomClick(s); };
    monitordownloads->OnClick = [this](forms::TObject* s) { monitordownloadsClick(s); };
    monitoruploads->OnClick = [this](forms::TObject* s) { monitoruploadsClick(s); };
    monitorstats->OnClick = [this](forms::TObject* s) { monitorstatsClick(s); };
    cleardownloads->OnClick = [this](forms::TObject* s) { cleardownloadsClick(s); };
    clearuploads->OnClick = [this](forms::TObject* s) { clearuploadsClick(s); };
    clearstats->OnClick = [this](forms::TObject* s) { clearstatsClick(s); };
}
