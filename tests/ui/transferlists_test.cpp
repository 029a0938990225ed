// The window's transfer accounting: the once-a-second caption pass and the
// download, upload and statistics lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/accounting.h"
#include "core/recordfiles.h"
#include "forms/forms.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"
#include "ui/transferlists.h"

namespace {

class AccountingWindow : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/quillnest-accounting-XXXXXX";
        dir_ = mkdtemp(tmpl);
        dir_ += "/";
        platform::SetProgramDir(dir_);
        form_ = new Tquillnestform;
        for (const ServiceRow& s : form_->Services()) s.Switch->SetChecked(false);
    }
    void TearDown() override {
        delete form_;
        platform::SetProgramDir("");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    void WriteFile(const std::string& name, size_t size) {
        std::ofstream(dir_ + name, std::ios::binary) << std::string(size, 'x');
    }
    // A transferring session with a node of its own, as the protocols make it.
    tsession* Transferring(const std::string& caption) {
        auto* s = new tsession;
        s->Kind = kKindHttp;
        s->Socket = 900 + static_cast<int>(form_->SessionList.size());
        s->PeerAddress = "127.0.0.1";
        form_->SessionList.push_back(s);
        form_->AddSessionNode(s);
        s->Caption = caption;
        s->SampleCount = 1;
        return s;
    }
    std::vector<std::string> Row(forms::TListView* view, int index) {
        std::vector<std::string> row{view->Item(index)->Caption()};
        for (const std::string& sub : view->Item(index)->SubItems()->ToVector()) row.push_back(sub);
        return row;
    }
    std::string dir_;
    Tquillnestform* form_ = nullptr;
};

TEST_F(AccountingWindow, CaptionShowsTheRateEverySecond) {
    tsession* s = Transferring("[900] Sending x");
    tsession* idle = Transferring("unused");
    idle->SampleCount = 0;
    const std::string idleText = idle->Node->Text();
    for (int i = 0; i < 10; ++i) CountBlock(s);
    ASSERT_TRUE(form_->kpstimer->OnTimer);
    form_->kpstimer->OnTimer(form_->kpstimer);
    EXPECT_EQ(s->Node->Text(), "[900] Sending x (@ 40k/s)");
    EXPECT_EQ(s->SampleCount, 2);
    EXPECT_EQ(s->Samples.back(), 0) << "a fresh second starts";
    EXPECT_EQ(idle->Node->Text(), idleText) << "a session without a transfer keeps its caption";
    EXPECT_EQ(form_->totalconn->Caption(), "Total Connections: 2");
    EXPECT_EQ(form_->kpstimer->Interval(), 1000u);
    EXPECT_TRUE(form_->kpstimer->Enabled());
}

TEST_F(AccountingWindow, OnlyTheLastThirtySecondsCount) {
    tsession* s = Transferring("x");
    for (int second = 0; second < 45; ++second) {
        for (int i = 0; i < (second < 15 ? 10 : 1); ++i) CountBlock(s);
        form_->kpstimerTimer(form_);
    }
    EXPECT_EQ(s->SampleCount, 30);
    EXPECT_EQ(s->Node->Text(), "x (@ 4k/s)") << "the fast first 15 seconds have left the window";
}

TEST_F(AccountingWindow, ProgressOfTheTransferFile) {
    WriteFile("big.bin", 8 * 1024 + 1);
    struct Row {
        int32_t state;
        const char* caption;
    } rows[] = {
        {1, "f (3k/9k @ 0k/s)"},
        {6, "f (3k/9k @ 0k/s)"},
        {7, "f (3k @ 0k/s)"},
        {3, "f (@ 0k/s)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.state);
        tsession* s = Transferring("f");
        ASSERT_TRUE(netunit::FileOpenForRead(s->TransferFile, dir_ + "big.bin"));
        s->TransferFileOpen = true;
        netunit::FileSeek64(s->TransferFile, 2049);
        s->State = r.state;
        form_->kpstimerTimer(form_);
        EXPECT_EQ(s->Node->Text(), r.caption);
        netunit::FileCloseHandle(s->TransferFile);
        s->TransferFileOpen = false;
        s->SampleCount = 0;
    }
}

TEST_F(AccountingWindow, DownloadAndUploadRecordsNeedAFileWithBytes) {
    WriteFile("a.txt", 5);
    WriteFile("empty.txt", 0);
    const double before = netunit::NowDayNumber();
    AddDownloadRecord(form_, "a.txt", dir_, "Anonymous (http)");
    AddDownloadRecord(form_, "empty.txt", dir_, "Anonymous (http)");
    AddDownloadRecord(form_, "missing.txt", dir_, "Anonymous (http)");
    AddUploadRecord(form_, "a.txt", dir_, "bob");
    AddUploadRecord(form_, "empty.txt", dir_, "bob");

    ASSERT_EQ(form_->DownloadList.size(), 1u);
    const core::ttransferrecord& d = *form_->DownloadList[0];
    EXPECT_EQ(d.FileName, "a.txt");
    EXPECT_EQ(d.Folder, dir_);
    EXPECT_EQ(d.User, "Anonymous (http)");
    EXPECT_GE(d.Time, before);
    ASSERT_EQ(form_->downloads->Count(), 1);
    EXPECT_EQ(Row(form_->downloads, 0),
              (std::vector<std::string>{"a.txt", dir_, "5", "Anonymous (http)", FormatTransferTime(d.Time)}));
    ASSERT_EQ(form_->UploadList.size(), 1u);
    EXPECT_EQ(Row(form_->uploads, 0)[3], "bob");
    EXPECT_EQ(form_->uploads->Count(), 1);
}

TEST_F(AccountingWindow, TransferListsKeepTheNewestRecords) {
    WriteFile("a.txt", 1);
    for (size_t i = 0; i < kTransferListMax; ++i) {
        auto r = std::make_unique<core::ttransferrecord>();
        r->FileName = "old" + std::to_string(i);
        FillTransferRow(form_->downloads->AddItem(), *r);
        form_->DownloadList.push_back(std::move(r));
    }
    AddDownloadRecord(form_, "a.txt", dir_, "u");
    ASSERT_EQ(form_->DownloadList.size(), kTransferListMax);
    EXPECT_EQ(form_->downloads->Count(), static_cast<int>(kTransferListMax));
    EXPECT_EQ(form_->DownloadList.front()->FileName, "old1");
    EXPECT_EQ(form_->downloads->Item(0)->Caption(), "old1");
    EXPECT_EQ(form_->DownloadList.back()->FileName, "a.txt");
    EXPECT_EQ(form_->downloads->Item(form_->downloads->Count() - 1)->Caption(), "a.txt");
}

TEST_F(AccountingWindow, StatisticsStayInDescendingOrder) {
    for (const char* f : {"a.txt", "b.txt", "c.txt"}) WriteFile(f, 3);
    WriteFile("empty.txt", 0);
    struct Step {
        const char* file;
        std::vector<std::string> order;  // "name count", top first
        const char* what;
    } steps[] = {
        {"b.txt", {"b.txt 1"}, "first download appends"},
        {"a.txt", {"b.txt 1", "a.txt 1"}, "appended below"},
        {"a.txt", {"a.txt 2", "b.txt 1"}, "passes a smaller count"},
        {"b.txt", {"a.txt 2", "b.txt 2"}, "as often as the one above: stays below"},
        {"c.txt", {"a.txt 2", "b.txt 2", "c.txt 1"}, "new at the end"},
        {"c.txt", {"a.txt 2", "b.txt 2", "c.txt 2"}, "equal counts keep their order"},
        {"c.txt", {"c.txt 3", "a.txt 2", "b.txt 2"}, "a third download moves past both"},
        {"empty.txt", {"c.txt 3", "a.txt 2", "b.txt 2"}, "an empty file is not counted"},
        {"gone.txt", {"c.txt 3", "a.txt 2", "b.txt 2"}, "a missing file is not counted"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        CountDownloadStat(form_, s.file, dir_);
        std::vector<std::string> records, rows;
        for (const auto& r : form_->DownloadStatList) records.push_back(r->FileName + " " + std::to_string(r->Count));
        for (int i = 0; i < form_->dstats->Count(); ++i) {
            const std::vector<std::string> row = Row(form_->dstats, i);
            ASSERT_EQ(row.size(), 3u);
            EXPECT_EQ(row[1], dir_);
            rows.push_back(row[0] + " " + row[2]);
        }
        EXPECT_EQ(records, s.order);
        EXPECT_EQ(rows, s.order);
    }
}

TEST_F(AccountingWindow, StatisticsMatchNameAndFolderExactly) {
    WriteFile("a.txt", 1);
    WriteFile("A.TXT", 1);
    CountDownloadStat(form_, "a.txt", dir_);
    CountDownloadStat(form_, "A.TXT", dir_);
    EXPECT_EQ(form_->DownloadStatList.size(), 2u) << "case counts";
}

// What a file beside the program holds, as the next start reads it.
std::vector<std::string> StoredNames(const std::string& path) {
    core::RecordList<core::ttransferrecord> stored;
    std::vector<std::string> names;
    if (core::LoadRecordFile(path, stored) != core::LoadResult::Loaded) return {"(none)"};
    for (const auto& r : stored) names.push_back(r->FileName + ":" + std::to_string(r->Count));
    return names;
}

TEST_F(AccountingWindow, RecordedTransfersReachTheirFilesWithTheNextTickOnly) {
    WriteFile("a.txt", 3);
    WriteFile("b.txt", 4);
    struct File {
        const char* name;
        std::vector<std::string> stored;
    } files[] = {
        {core::kDownloadListFile, {"a.txt:0", "b.txt:0"}},
        {core::kUploadListFile, {"b.txt:0"}},
        {core::kDownloadStatsFile, {"a.txt:2"}},
    };
    AddDownloadRecord(form_, "a.txt", dir_, "Anonymous (http)");
    AddDownloadRecord(form_, "b.txt", dir_, "Anonymous (http)");
    AddUploadRecord(form_, "b.txt", dir_, "bob");
    CountDownloadStat(form_, "a.txt", dir_);
    CountDownloadStat(form_, "a.txt", dir_);
    // The request that records a transfer writes nothing itself.
    for (const File& f : files) EXPECT_EQ(StoredNames(dir_ + f.name), std::vector<std::string>{"(none)"}) << f.name;

    form_->kpstimer->OnTimer(form_->kpstimer);
    for (const File& f : files) EXPECT_EQ(StoredNames(dir_ + f.name), f.stored) << f.name;

    // A tick without a change writes nothing: a removed file stays away.
    for (const File& f : files) std::remove((dir_ + f.name).c_str());
    form_->kpstimer->OnTimer(form_->kpstimer);
    for (const File& f : files) EXPECT_EQ(StoredNames(dir_ + f.name), std::vector<std::string>{"(none)"}) << f.name;

    // Nor does a transfer that records nothing (an empty file).
    WriteFile("empty.txt", 0);
    AddDownloadRecord(form_, "empty.txt", dir_, "bob");
    CountDownloadStat(form_, "empty.txt", dir_);
    form_->kpstimer->OnTimer(form_->kpstimer);
    EXPECT_EQ(StoredNames(dir_ + core::kDownloadListFile), std::vector<std::string>{"(none)"});
}

TEST_F(AccountingWindow, AfterShutdownTheTimerLeavesTheFilesAlone) {
    WriteFile("a.txt", 3);
    AddDownloadRecord(form_, "a.txt", dir_, "bob");
    form_->kpstimer->OnTimer(form_->kpstimer);
    AddDownloadRecord(form_, "a.txt", dir_, "bob");
    form_->ShutdownServer();  // empties the lists
    form_->kpstimer->OnTimer(form_->kpstimer);
    EXPECT_EQ(StoredNames(dir_ + core::kDownloadListFile), std::vector<std::string>{"a.txt:0"})
        << "the emptied list is never written";
}

}  // namespace
