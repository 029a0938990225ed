// The window's transfer lists: the download, upload and statistics records of
// the Transfers tab, kept in the window's lists and shown in its list views.
#pragma once

#include <string>

class Tquillnestform;

// See AddTransferRecord and CountDownloadStat in core/accounting.h: these fill
// the window's own lists (downloads, uploads, dstats).
void AddDownloadRecord(Tquillnestform* form, const std::string& FileName,
                       const std::string& Folder, const std::string& User);
void AddUploadRecord(Tquillnestform* form, const std::string& FileName,
                     const std::string& Folder, const std::string& User);
void CountDownloadStat(Tquillnestform* form, const std::string& FileName,
                       const std::string& Folder);
