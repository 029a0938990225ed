// The window's side of transfer accounting: its three transfer lists and the
// one-second timer that shows the rates and the connection count, and writes
// the lists that changed since it last ran.
#include "ui/transferlists.h"

#include "core/accounting.h"
#include "forms/forms.h"
#include "ui/quillnestform.h"
#include "ui/settingsfiles.h"

void AddDownloadRecord(Tquillnestform* form, const std::string& FileName, const std::string& Folder,
                       const std::string& User) {
    if (AddTransferRecord(form->DownloadList, form->downloads, FileName, Folder, User))
        form->TransferListsChanged.Downloads = true;
}

void AddUploadRecord(Tquillnestform* form, const std::string& FileName, const std::string& Folder,
                     const std::string& User) {
    if (AddTransferRecord(form->UploadList, form->uploads, FileName, Folder, User))
        form->TransferListsChanged.Uploads = true;
}

void CountDownloadStat(Tquillnestform* form, const std::string& FileName, const std::string& Folder) {
    if (CountDownloadStat(form->DownloadStatList, form->dstats, FileName, Folder))
        form->TransferListsChanged.Stats = true;
}

namespace {

// Writes List to the file Name when Changed, and clears Changed once the file
// holds it; a file that could not be written is tried again next time.
void WriteIfChanged(const Tquillnestform& form, bool& Changed, const std::string& Name,
                    const core::RecordList<core::ttransferrecord>& List) {
    if (Changed && WriteRecordList(form, Name, List)) Changed = false;
}

}  // namespace

void SaveChangedTransferLists(Tquillnestform* form) {
    if (!form->MaySaveSettings()) return;
    ttransferlistchanges& changed = form->TransferListsChanged;
    WriteIfChanged(*form, changed.Downloads, core::kDownloadListFile, form->DownloadList);
    WriteIfChanged(*form, changed.Uploads, core::kUploadListFile, form->UploadList);
    WriteIfChanged(*form, changed.Stats, core::kDownloadStatsFile, form->DownloadStatList);
}

void Tquillnestform::kpstimerTimer(forms::TObject*) {
    totalconn->SetCaption("Total Connections: " + std::to_string(SessionList.size()));
    ShowTransferRates(SessionList);
    SaveChangedTransferLists(this);
}
