// The window's transfer lists: the download, upload and statistics records of
// the Transfers tab, kept in the window's lists and shown in its list views.
#pragma once

#include <string>

class Tquillnestform;

// The transfer lists changed since their files were last written. A recorded
// transfer is written by the next tick of the accounting timer, not by the
// request that made it: a burst of transfers costs one write per list, and a
// crash loses at most the last second.
struct ttransferlistchanges {
    bool Downloads = false;  // downlist23.dat
    bool Uploads = false;    // uplist23.dat
    bool Stats = false;      // dstats23.dat
};

// See AddTransferRecord and CountDownloadStat in core/accounting.h: these fill
// the window's own lists (downloads, uploads, dstats) and note what changed.
void AddDownloadRecord(Tquillnestform* form, const std::string& FileName,
                       const std::string& Folder, const std::string& User);
void AddUploadRecord(Tquillnestform* form, const std::string& FileName,
                     const std::string& Folder, const std::string& User);
void CountDownloadStat(Tquillnestform* form, const std::string& FileName,
                       const std::string& Folder);

// Writes the transfer lists that changed (the accounting timer, once a second).
void SaveChangedTransferLists(Tquillnestform* form);
