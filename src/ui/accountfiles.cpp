// The window's side of the accounts and the FTP path files: loading them into
// the lists and list boxes at start, creating the users' home folders, and
// writing them back; plus the helpers every file of the window shares.
#include <string>
#include <vector>

#include "ui/settingsfiles.h"
#include "netunit/names.h"
#include "platform/programdir.h"

std::string ProgramFile(const std::string& Name) { return platform::ProgramDir() + Name; }

void NoteUnreadFile(Tquillnestform& Form, const std::string& Path, bool Log) {
    Form.UnreadFiles.insert(Path);
    if (Log) Form.AddLog("Unable to read " + Path);
}

bool WouldOverwriteUnread(const Tquillnestform& Form, const std::string& Path, bool Empty) {
    return Empty && Form.UnreadFiles.count(Path) != 0;
}

void Tquillnestform::LoadAccounts() {
    std::vector<std::string> unread;
    Accounts = core::LoadAccounts(platform::ProgramDir(), &unread);
    for (const std::string& path : unread) NoteUnreadFile(*this, path, false);
    for (const auto& account : Accounts) {
        forms::TListItem* row = accountslist->AddItem();
        row->SetCaption(account->UserName);
        row->SubItems()->Add(account->Description);
    }
    // A name that is no single folder name ("..", "a/b", a control
    // character) gets no folder: it would leave the home folder.
    for (const std::string& name : core::HomeFolderNames(Accounts))
        if (!netunit::WideDirectoryExists(HomeDir + name)) netunit::WideForceDirectories(HomeDir + name);
    FillFtpUsers();
    ftpusersChange(this);
}

// After shutdown the lists are empty: nothing may be written from them.
void Tquillnestform::SaveAccounts() {
    if (ServerShutDown()) return;
    WriteRecordList(*this, core::kAccountsFile, Accounts);
}

void Tquillnestform::LoadFtpPaths() {
    superuserpathslist->Items()->Clear();
    anonymouspathslist->Items()->Clear();
    sharedpathslist->Items()->Clear();
    std::vector<std::string> unread;
    core::LoadFtpPaths(platform::ProgramDir(), SuperuserPathList, AnonymousPathList, SharedPathList, &unread);
    for (const std::string& path : unread) NoteUnreadFile(*this, path, false);
    for (const auto& path : SuperuserPathList) superuserpathslist->Items()->Add(path->Alias);
    for (const auto& path : AnonymousPathList) anonymouspathslist->Items()->Add(path->Alias);
    for (const auto& path : SharedPathList)
        if (path->Owner == core::kAllAccountsOwner) sharedpathslist->Items()->Add(path->Alias);
}

void Tquillnestform::SaveFtpPaths() {
    if (ServerShutDown()) return;
    WriteRecordList(*this, core::kSuperuserPathsFile, SuperuserPathList);
    WriteRecordList(*this, core::kAnonymousPathsFile, AnonymousPathList);
    WriteRecordList(*this, core::kSharedPathsFile, SharedPathList);
}
