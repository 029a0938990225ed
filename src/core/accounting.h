// Transfer accounting: the per-second block counters behind the speed shown on
// a transferring session's node, and the download, upload and statistics
// lists of the Transfers tab. The HTTP and FTP servers call these on the main
// window's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/recordfiles.h"

struct tsession;

namespace forms {
class TListItem;
class TListView;
}  // namespace forms

// At most this many download records and as many upload records are kept; the
// oldest go first, so that clients cannot grow memory and files without bound.
constexpr size_t kTransferListMax = 10000;

// Counts one block sent or received into the second in progress.
void CountBlock(tsession* Session);

// The blocks counted in the session's last SampleCount seconds.
long double SampledBlocks(const tsession* Session);

// kB/s with one decimal over the session's counted seconds; 0 before the first.
long double AverageSpeed(const tsession* Session, int32_t BlockSize);

// The same formula over a sum of counters spread over Seconds seconds; the FTP
// speed gate passes its own sum.
long double AverageSpeedOf(long double CounterSum, int32_t Seconds, int32_t BlockSize);

// Whole kilobytes rounded up, then "k": 0 -> "0k", 1024 -> "1k", 1025 -> "2k".
std::string FormatKilobytes(int64_t Bytes);

// A rate as shown in a node caption: at most 15 significant digits, no
// trailing zeros, "." as the decimal separator (40.0 -> "40", 12.3 -> "12.3").
std::string FormatRate(long double Rate);

// Called at the end of a transfer when the matching monitor is ticked
// (monitordownloads, monitoruploads, monitorstats). Folder ends with the
// separator; Folder + FileName must name an existing file of size above 0,
// or nothing is recorded. HTTP passes the user "Anonymous (http)". The record
// goes into List and its row into View, the list the window shows it in.
// True when List changed.
bool AddTransferRecord(core::RecordList<core::ttransferrecord>& List, forms::TListView* View,
                       const std::string& FileName, const std::string& Folder, const std::string& User);
bool CountDownloadStat(core::RecordList<core::ttransferrecord>& List, forms::TListView* View,
                       const std::string& FileName, const std::string& Folder);

// Once a second: the node of each counted session shows its rate, and the
// progress of its transfer file; then that second's counter is closed.
void ShowTransferRates(const std::vector<tsession*>& Sessions);

// A day number as "mm/dd/yyyy hh:nn:ss", the form the transfer lists show.
std::string FormatTransferTime(double Time);

// The rows of the Transfers tab, as shown when a record is added or loaded:
// a download or upload row holds the file name, then the folder, the file's
// current size in bytes, the user and the time; a statistics row the file
// name, then the folder and the count.
void FillTransferRow(forms::TListItem* Item, const core::ttransferrecord& Record);
void FillStatRow(forms::TListItem* Item, const core::ttransferrecord& Record);
