// The main window's report lists are Unicode list views: a record text in
// Chinese shows as Chinese, and an old record's 8-bit text (byte E9) keeps
// its bytes through the list and back into the record file.
#include <gtest/gtest.h>

#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/accountlookup.h"
#include "core/recordfiles.h"
#include "core/records.h"
#include "forms/forms.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"
#include "ui/windowtest.h"
#include "widgets/unicode/unilistview.h"

namespace {

const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const std::string kOld = "Caf\xE9";                        // an 8-bit record text

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class ReportListsTest : public WindowTest {
protected:
    void PrepareFolder() override {
        core::tuseraccount chen;
        chen.UserName = "chen";
        chen.Description = kChinese + " users";
        core::tuseraccount old;
        old.UserName = kOld;
        old.Description = kOld + " bar";
        accounts_.clear();
        core::AppendRecord(chen, accounts_);
        core::AppendRecord(old, accounts_);
        WriteFile(dir_ + "/" + core::kAccountsFile, accounts_);

        // A downloaded file in a folder whose name has the byte E9.
        folder_ = dir_ + "/" + kOld + "/";
        std::filesystem::create_directory(folder_);
        WriteFile(folder_ + kChinese + ".txt", "data");
        core::ttransferrecord t;
        t.FileName = kChinese + ".txt";
        t.Folder = folder_;
        t.User = kOld;
        t.Count = 3;
        t.Time = 45000.5;
        transfers_.clear();
        core::AppendRecord(t, transfers_);
        for (const char* file : {core::kDownloadListFile, core::kUploadListFile, core::kDownloadStatsFile})
            WriteFile(dir_ + "/" + file, transfers_);
    }

    static std::u16string Shown(uni::TUniListView* view, int row, int column) {
        return qobject_cast<QTreeWidget*>(view->Widget())->topLevelItem(row)->text(column).toStdU16String();
    }

    std::string folder_, accounts_, transfers_;
};

TEST_F(ReportListsTest, TheFourListsAreUnicodeListViews) {
    for (const char* name : {"accountslist", "downloads", "uploads", "dstats"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(dynamic_cast<uni::TUniListView*>(form_->FindComponent(name)), nullptr);
    }
}

TEST_F(ReportListsTest, RecordTextsShowWideAndSaveByteForByte) {
    uni::TUniListView* list = form_->accountslist;
    ASSERT_EQ(list->Items().Count(), 2);
    EXPECT_EQ(list->Items()[0]->WideSubItems().Get(0), u"\u4E2D\u6587 users");
    EXPECT_EQ(Shown(list, 0, 1), u"\u4E2D\u6587 users");
    EXPECT_EQ(list->Items()[1]->Caption(), kOld);
    EXPECT_EQ(list->Items()[1]->SubItems()->Strings(0), kOld + " bar");

    // Properties and OK: the record is found again by the selected row's
    // text and takes the row's texts back, unchanged by the user.
    for (int i = 0; i < list->Items().Count(); ++i) {
        uni::TUniListItem* row = list->Items()[i];
        list->SetItemIndex(i);
        core::tuseraccount* account = core::FindAccount(form_->Accounts, list->GetSelected()->Caption());
        ASSERT_NE(account, nullptr) << i;
        row->SetCaption(row->GetCaption());
        row->WideSubItems().Put(0, row->WideSubItems().Get(0));
        account->UserName = row->Caption();
        account->Description = row->SubItems()->Strings(0);
    }
    form_->SaveAccounts();
    EXPECT_EQ(ReadFile(dir_ + "/" + core::kAccountsFile), accounts_);
}

TEST_F(ReportListsTest, TransferListsShowWideAndSaveByteForByte) {
    for (uni::TUniListView* view : {form_->downloads, form_->uploads, form_->dstats}) {
        SCOPED_TRACE(view->Name());
        ASSERT_EQ(view->Items().Count(), 1);
        EXPECT_EQ(Shown(view, 0, 0), u"\u4E2D\u6587.txt");
        EXPECT_EQ(view->Items()[0]->SubItems()->Strings(0), folder_);
    }
    form_->SaveSettings();
    for (const char* file : {core::kDownloadListFile, core::kUploadListFile, core::kDownloadStatsFile}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ReadFile(dir_ + "/" + file), transfers_);
    }
}

}  // namespace
