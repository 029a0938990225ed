// Writing the settings back: the window's controls and fields into the INI
// store and options.ini by the key table (settingskeys), the MIME list into
// mimes.txt, and the record lists into their files. Called after nearly
// every change, so the files always mirror the window.
#include <string>

#include "ui/settingsfiles.h"
#include "ui/settingskeys.h"
#include "forms/forms.h"
#include "netunit/files.h"

namespace {

// Every line of the MIME list followed by CR LF, as the text writer writes it.
void WriteMimeTypes(const Tquillnestform& f) {
    const std::string path = ProgramFile(core::kMimeTypesFile);
    if (f.UnreadFiles.count(path) != 0) return;
    std::string bytes;
    for (const std::string& line : f.MimeTypes.Lines()) bytes += line + "\r\n";
    netunit::WriteFileAtomic(path, bytes);
}

void WriteRecordFiles(const Tquillnestform& f) {
    using namespace core;
    WriteRecordList(f, kWebDomainsFile, f.WebDomainList);
    WriteRecordList(f, kVirtualPathsFile, f.VirtualPathList);
    WriteRecordList(f, kForwardsFile, f.ForwardList);
    WriteRecordList(f, kScriptsFile, f.ScriptTypeList);
    WriteRecordList(f, kDownloadListFile, f.DownloadList);
    WriteRecordList(f, kUploadListFile, f.UploadList);
    WriteRecordList(f, kConsoleFile, f.ConsoleProgramList);
    WriteRecordList(f, kDownloadStatsFile, f.DownloadStatList);
    WriteRecordList(f, kMailDomainsFile, f.MailDomainList);
    WriteRecordList(f, kBansFile, f.BanList);
    WriteRecordList(f, kTriggersFile, f.TriggerList);
}

}  // namespace

bool Tquillnestform::MaySaveSettings() const {
    return IniFile && IniFile->IsOpen() && !LoadingSettings && !ServerShutDown();
}

// A file that cannot be written keeps its previous content (every file is
// replaced atomically) and the others are still written; nothing is reported.
void Tquillnestform::SaveSettings() {
    if (!MaySaveSettings()) return;
    // The account dialog's last state, when it has been used, is the new default.
    TakeAccountDefaults();
    core::WriteSettingKeys(SettingKeys(), *this, *IniFile);
    // options.ini that could not be read keeps what it holds: this store
    // knows only the defaults.
    if (UnreadFiles.count(ProgramFile(core::kOptionsFile)) == 0) {
        try {
            IniFile->SaveIni();
        } catch (const netunit::EFileStreamError&) {
        }
    }
    WriteMimeTypes(*this);
    WriteRecordFiles(*this);
    // The transfer lists were just written as they stand.
    TransferListsChanged = {};
}
