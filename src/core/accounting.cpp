// Transfer accounting: rates on the nodes of transferring sessions, and the
// download, upload and statistics lists.
#include "core/accounting.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

#include "core/filesizes.h"
#include "core/session.h"
#include "forms/forms.h"
#include "netunit/datetime.h"
#include "netunit/files.h"

namespace {

constexpr int64_t kBytesPerKilobyte = 1024;
constexpr int kRateDigits = 15;  // significant digits of a rate in a caption

// Node states whose transfer file's position shows the progress.
constexpr int32_t kStateHttpSending = 1;
constexpr int32_t kStateFtpSending = 6;
constexpr int32_t kStateFtpReceiving = 7;

// The progress part of a transferring session's caption. A session counted
// in another state shows its rate alone.
std::string ProgressText(tsession* session) {
    if (!session->TransferFileOpen) return "";
    const int64_t position = netunit::FilePosition64(session->TransferFile);
    switch (session->State) {
        case kStateHttpSending:
        case kStateFtpSending:
            return FormatKilobytes(position) + "/" + FormatKilobytes(netunit::FileSize64(session->TransferFile));
        case kStateFtpReceiving: return FormatKilobytes(position);
        default: return "";
    }
}

// One second has ended: the oldest counter goes, a fresh one starts.
void ShiftSamples(tsession* session) {
    std::move(session->Samples.begin() + 1, session->Samples.end(), session->Samples.begin());
    session->Samples.back() = 0;
    session->SampleCount = std::min(session->SampleCount + 1, kSampleSeconds);
}

}  // namespace

bool AddTransferRecord(core::RecordList<core::ttransferrecord>& list, forms::TListView* view,
                       const std::string& FileName, const std::string& Folder, const std::string& User) {
    if (FileSizeOf(Folder + FileName) <= 0) return false;
    auto record = std::make_unique<core::ttransferrecord>();
    record->FileName = FileName;
    record->Folder = Folder;
    record->User = User;
    record->Time = netunit::NowDayNumber();
    FillTransferRow(view->AddItem(), *record);
    list.push_back(std::move(record));
    while (list.size() > kTransferListMax) {
        list.erase(list.begin());
        if (view->Count() > 0) view->DeleteItem(0);
    }
    return true;
}

void CountBlock(tsession* Session) { ++Session->Samples.back(); }

long double AverageSpeedOf(long double CounterSum, int32_t Seconds, int32_t BlockSize) {
    if (Seconds < 1) return 0;
    const long double tenths = CounterSum / Seconds * BlockSize / 102.4L;
    // The default rounding mode takes an exact half to the even neighbour.
    return std::nearbyintl(tenths) / 10.0L;
}

long double SampledBlocks(const tsession* Session) {
    const int32_t seconds = std::clamp(Session->SampleCount, 0, kSampleSeconds);
    long double sum = 0;
    for (auto it = Session->Samples.end() - seconds; it != Session->Samples.end(); ++it) sum += *it;
    return sum;
}

long double AverageSpeed(const tsession* Session, int32_t BlockSize) {
    return AverageSpeedOf(SampledBlocks(Session), std::clamp(Session->SampleCount, 0, kSampleSeconds), BlockSize);
}

std::string FormatKilobytes(int64_t Bytes) {
    // Rounded up; written so that the largest sizes cannot overflow.
    const int64_t kilobytes = Bytes > 0 ? (Bytes - 1) / kBytesPerKilobyte + 1 : 0;
    return std::to_string(kilobytes) + "k";
}

std::string FormatRate(long double Rate) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(Rate),
                                      std::chars_format::general, kRateDigits);
    return std::string(buffer, result.ptr);
}

std::string FormatTransferTime(double Time) {
    const netunit::tdatefields f = netunit::DecodeDayNumber(Time);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", f.Month, f.Day, f.Year, f.Hour, f.Minute,
                  f.Second);
    return buffer;
}

void FillTransferRow(forms::TListItem* Item, const core::ttransferrecord& Record) {
    Item->SetCaption(Record.FileName);
    forms::TStrings* sub = Item->SubItems();
    sub->Clear();
    sub->Add(Record.Folder);
    sub->Add(std::to_string(FileSizeOf(Record.Folder + Record.FileName)));
    sub->Add(Record.User);
    sub->Add(FormatTransferTime(Record.Time));
}

void FillStatRow(forms::TListItem* Item, const core::ttransferrecord& Record) {
    Item->SetCaption(Record.FileName);
    forms::TStrings* sub = Item->SubItems();
    sub->Clear();
    sub->Add(Record.Folder);
    sub->Add(std::to_string(Record.Count));
}

bool CountDownloadStat(core::RecordList<core::ttransferrecord>& list, forms::TListView* view,
                       const std::string& FileName, const std::string& Folder) {
    if (FileSizeOf(Folder + FileName) <= 0) return false;
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& r) {
        return r->FileName == FileName && r->Folder == Folder;
    });
    if (found == list.end()) {
        auto record = std::make_unique<core::ttransferrecord>();
        record->FileName = FileName;
        record->Folder = Folder;
        record->Count = 1;
        FillStatRow(view->AddItem(), *record);
        list.push_back(std::move(record));
        return true;
    }
    const auto k = static_cast<int>(found - list.begin());
    const int32_t count = ++(*found)->Count;
    // Past every statistic with a smaller count; among equals the earlier stays first.
    int j = k - 1;
    while (j >= 0 && list[static_cast<size_t>(j)]->Count < count) --j;
    if (j + 1 == k) {
        if (k < view->Count()) FillStatRow(view->Item(k), *list[static_cast<size_t>(k)]);
        return true;
    }
    auto record = std::move(list[static_cast<size_t>(k)]);
    list.erase(list.begin() + k);
    if (k < view->Count()) view->DeleteItem(k);
    FillStatRow(view->InsertItem(j + 1), *record);
    list.insert(list.begin() + (j + 1), std::move(record));
    return true;
}

void ShowTransferRates(const std::vector<tsession*>& Sessions) {
    for (tsession* session : Sessions) {
        if (session->SampleCount <= 0) continue;
        const std::string rate = FormatRate(AverageSpeed(session, session->BlockSize));
        const std::string progress = ProgressText(session);
        if (session->Node != nullptr)
            session->Node->SetText(session->Caption + " (" + (progress.empty() ? "" : progress + " ") + "@ " + rate +
                                   "k/s)");
        ShiftSamples(session);
    }
}
