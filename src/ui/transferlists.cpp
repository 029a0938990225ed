// The window's side of transfer accounting: its three transfer lists and the
// one-second timer that shows the rates and the connection count.
#include "ui/transferlists.h"

#include "core/accounting.h"
#include "forms/forms.h"
#include "ui/quillnestform.h"

void AddDownloadRecord(Tquillnestform* form, const std::string& FileName, const std::string& Folder,
                       const std::string& User) {
    AddTransferRecord(form->DownloadList, form->downloads, FileName, Folder, User);
}

void AddUploadRecord(Tquillnestform* form, const std::string& FileName, const std::string& Folder,
                     const std::string& User) {
    AddTransferRecord(form->UploadList, form->uploads, FileName, Folder, User);
}

void CountDownloadStat(Tquillnestform* form, const std::string& FileName, const std::string& Folder) {
    CountDownloadStat(form->DownloadStatList, form->dstats, FileName, Folder);
}

void Tquillnestform::kpstimerTimer(forms::TObject*) {
    totalconn->SetCaption("Total Connections: " + std::to_string(SessionList.size()));
    ShowTransferRates(SessionList);
}
