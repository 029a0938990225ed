// The record files beside the program: reading them into the lists that own
// their records and writing the lists back. Every file is rewritten whole and
// atomically, so a failed save leaves the previous file in place.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/records.h"

namespace core {

template <class T>
using RecordList = std::vector<std::unique_ptr<T>>;

using AccountList = RecordList<tuseraccount>;
using FtpPathList = RecordList<tftppath>;

inline constexpr const char* kAccountsFile = "accounts23.dat";
inline constexpr const char* kOldAccountsFile = "acc23.dat";
inline constexpr const char* kSuperuserPathsFile = "supaths23.dat";
inline constexpr const char* kAnonymousPathsFile = "apaths23.dat";
inline constexpr const char* kSharedPathsFile = "spaths23.dat";
inline constexpr const char* kOldSuperuserPathsFile = "superuserpaths23.dat";
inline constexpr const char* kOldAnonymousPathsFile = "anonymouspaths23.dat";
inline constexpr const char* kOldSharedPathsFile = "sharedpaths23.dat";
inline constexpr const char* kWebDomainsFile = "webdomains23.dat";
inline constexpr const char* kVirtualPathsFile = "virtualpaths23.dat";
inline constexpr const char* kForwardsFile = "forwards23.dat";
inline constexpr const char* kScriptsFile = "scripts23.dat";
inline constexpr const char* kDownloadListFile = "downlist23.dat";
inline constexpr const char* kUploadListFile = "uplist23.dat";
inline constexpr const char* kDownloadStatsFile = "dstats23.dat";
inline constexpr const char* kConsoleFile = "console23.dat";
inline constexpr const char* kMailDomainsFile = "maildomains23.dat";
inline constexpr const char* kBansFile = "bans23.dat";
inline constexpr const char* kTriggersFile = "triggers23.dat";

// The owner of the shared paths every account may use.
inline constexpr const char* kAllAccountsOwner = "<All Accounts>";

// How reading a file went. A missing file is no error; a file that exists
// but could not be read is, and its name is kept so that a save does not
// replace data nobody has seen with an empty list.
enum class LoadResult { Loaded, Missing, Failed };

// Appends the file's whole records to list (a trailing partial record is
// ignored); the list is untouched unless the result is Loaded.
template <class T>
LoadResult LoadRecordFile(const std::string& path, RecordList<T>& list);

// Replaces the file with the list's records in order.
template <class T>
bool SaveRecordFile(const std::string& path, const RecordList<T>& list);

// Fills the three FTP path lists (emptied first) from supaths23.dat,
// apaths23.dat and spaths23.dat in programDir. While spaths23.dat is missing
// the older superuserpaths23.dat, anonymouspaths23.dat and sharedpaths23.dat
// are converted and appended to the same lists. The paths of files that exist
// but could not be read are appended to unread.
void LoadFtpPaths(const std::string& programDir, FtpPathList& superuser,
                  FtpPathList& anonymous, FtpPathList& shared,
                  std::vector<std::string>* unread = nullptr);

// Writes the three new files; the older ones are never written. False when
// any of them could not be written (the others are still written).
bool SaveFtpPaths(const std::string& programDir, const FtpPathList& superuser,
                  const FtpPathList& anonymous, const FtpPathList& shared);

// Reads accounts23.dat from programDir, or converts acc23.dat when
// accounts23.dat is missing; no accounts when neither can be read. The paths
// of files that exist but could not be read are appended to unread.
AccountList LoadAccounts(const std::string& programDir, std::vector<std::string>* unread = nullptr);

// Writes accounts23.dat.
bool SaveAccounts(const std::string& programDir, const AccountList& accounts);

// The user names whose home folders must exist under the home root, in list
// order: names that could leave the home root or are no single folder name
// (empty, ".", "..", holding "/" or a control character) are left out.
std::vector<std::string> HomeFolderNames(const AccountList& accounts);

// True when name is one folder name that stays inside the folder it is
// appended to.
bool IsSingleFolderName(const std::string& name);

}  // namespace core
