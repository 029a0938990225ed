#include "core/recordfiles.h"

#include <type_traits>

#include "netunit/files.h"
#include "netunit/names.h"
#include "netunit/paths.h"

namespace core {
namespace {

std::string InFolder(const std::string& dir, const char* name) {
    return netunit::AddBackslash(dir) + name;
}

// The older FTP path record carries only a read-only switch; the new one has
// seven permissions. Read-only becomes read and list; otherwise everything.
tftppath ConvertOldFtpPath(const toldftppath& old) {
    std::string raw = old.Raw.substr(0, 768);
    raw.resize(tftppath::RecordSize, '\0');
    tftppath path = DecodeRecord<tftppath>(raw);
    const bool all = !old.ReadOnly;
    path.FileRead = true;
    path.FileWrite = all;
    path.FileDelete = all;
    path.FileAppend = all;
    path.DirList = true;
    path.DirMake = all;
    path.DirDelete = all;
    return path;
}

// The older account record holds the first fields of the new one; the fields
// it lacks (limits, e-mail address, web site, group) start empty.
tuseraccount ConvertOldAccount(const toldaccount& old) {
    std::string raw = old.Raw.substr(0, toldaccount::SharedBytes);
    raw.resize(tuseraccount::RecordSize, '\0');
    return DecodeRecord<tuseraccount>(raw);
}

// Reads a file of records of layout Old and appends each, converted, to list.
template <class Old, class New, class Convert>
LoadResult LoadConverted(const std::string& path, RecordList<New>& list, Convert convert) {
    std::string bytes;
    if (!netunit::ReadWholeFile(path, bytes))
        return netunit::WideFileExists(path) || netunit::WideDirectoryExists(path) ? LoadResult::Failed
                                                                                    : LoadResult::Missing;
    for (const Old& old : DecodeRecords<Old>(bytes))
        list.push_back(std::make_unique<New>(convert(old)));
    return LoadResult::Loaded;
}

// Loads one file, noting it in unread when it exists but could not be read.
template <class Old, class New, class Convert>
LoadResult LoadNoting(const std::string& path, RecordList<New>& list, Convert convert,
                      std::vector<std::string>* unread) {
    const LoadResult result = LoadConverted<Old>(path, list, convert);
    if (result == LoadResult::Failed && unread != nullptr) unread->push_back(path);
    return result;
}

template <class T>
T AsRead(const T& record) {
    return record;
}

}  // namespace

template <class T>
LoadResult LoadRecordFile(const std::string& path, RecordList<T>& list) {
    return LoadConverted<T>(path, list, AsRead<T>);
}

template <class T>
bool SaveRecordFile(const std::string& path, const RecordList<T>& list) {
    std::string bytes;
    bytes.reserve(list.size() * T::RecordSize);
    for (const auto& record : list) AppendRecord(*record, bytes);
    // Accounts, and the logins of protected domains and folders, hold passwords.
    constexpr bool holdsPasswords = std::is_same_v<T, tuseraccount> || std::is_base_of_v<twebaccess, T>;
    return netunit::WriteFileAtomic(path, bytes,
                                    holdsPasswords ? netunit::FileAccess::Private : netunit::FileAccess::Shared);
}

#define QN_RECORD_FILE(T)                                                   \
    template LoadResult LoadRecordFile<T>(const std::string&, RecordList<T>&);    \
    template bool SaveRecordFile<T>(const std::string&, const RecordList<T>&);

QN_RECORD_FILE(tftppath)
QN_RECORD_FILE(tuseraccount)
QN_RECORD_FILE(twebdomain)
QN_RECORD_FILE(tvirtualpath)
QN_RECORD_FILE(tscripttype)
QN_RECORD_FILE(tmaildomain)
QN_RECORD_FILE(tmailforward)
QN_RECORD_FILE(tban)
QN_RECORD_FILE(ttrigger)
QN_RECORD_FILE(tconsoleprogram)
QN_RECORD_FILE(ttransferrecord)

#undef QN_RECORD_FILE

void LoadFtpPaths(const std::string& programDir, FtpPathList& superuser,
                  FtpPathList& anonymous, FtpPathList& shared, std::vector<std::string>* unread) {
    superuser.clear();
    anonymous.clear();
    shared.clear();
    LoadNoting<tftppath>(InFolder(programDir, kSuperuserPathsFile), superuser, AsRead<tftppath>, unread);
    LoadNoting<tftppath>(InFolder(programDir, kAnonymousPathsFile), anonymous, AsRead<tftppath>, unread);
    // An unreadable shared file still stands for the new layout: the older
    // files must not take its place at the next save.
    if (LoadNoting<tftppath>(InFolder(programDir, kSharedPathsFile), shared, AsRead<tftppath>, unread) !=
        LoadResult::Missing)
        return;

    // The shared list has never been saved in the new layout: take what the
    // older files hold. The next save writes everything in the new layout.
    LoadNoting<toldftppath>(InFolder(programDir, kOldSuperuserPathsFile), superuser, ConvertOldFtpPath, unread);
    LoadNoting<toldftppath>(InFolder(programDir, kOldAnonymousPathsFile), anonymous, ConvertOldFtpPath, unread);
    LoadNoting<toldftppath>(InFolder(programDir, kOldSharedPathsFile), shared, ConvertOldFtpPath, unread);
}

bool SaveFtpPaths(const std::string& programDir, const FtpPathList& superuser,
                  const FtpPathList& anonymous, const FtpPathList& shared) {
    const bool su = SaveRecordFile(InFolder(programDir, kSuperuserPathsFile), superuser);
    const bool an = SaveRecordFile(InFolder(programDir, kAnonymousPathsFile), anonymous);
    const bool sh = SaveRecordFile(InFolder(programDir, kSharedPathsFile), shared);
    return su && an && sh;
}

AccountList LoadAccounts(const std::string& programDir, std::vector<std::string>* unread) {
    AccountList accounts;
    // Only a missing file gives way to the older one: converted accounts
    // saved over an unreadable accounts23.dat would replace it.
    if (LoadNoting<tuseraccount>(InFolder(programDir, kAccountsFile), accounts, AsRead<tuseraccount>,
                                 unread) == LoadResult::Missing)
        LoadNoting<toldaccount>(InFolder(programDir, kOldAccountsFile), accounts, ConvertOldAccount, unread);
    return accounts;
}

bool SaveAccounts(const std::string& programDir, const AccountList& accounts) {
    return SaveRecordFile(InFolder(programDir, kAccountsFile), accounts);
}

bool IsSingleFolderName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

std::vector<std::string> HomeFolderNames(const AccountList& accounts) {
    std::vector<std::string> names;
    for (const auto& account : accounts)
        if (IsSingleFolderName(account->UserName)) names.push_back(account->UserName);
    return names;
}

}  // namespace core
