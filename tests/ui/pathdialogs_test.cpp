// The FTP path dialog and its list handlers, the anonymous limits, the
// console program dialog, and the start-up entry with the key store, driven
// in process.
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/recordfiles.h"
#include "forms/forms.h"
#include "netunit/files.h"
#include "platform/keystore.h"
#include "ui/autologonform.h"
#include "ui/consoleappform.h"
#include "ui/folderform.h"
#include "ui/windowtest.h"

namespace {

class PathDialogs : public DialogWindowTest {
protected:
    void NewAnonymous(const std::string& path, const std::string& alias = "") {
        While<Tfolder1>(folder1, [this] { form_->BitBtn12Click(nullptr); }, [&](Tfolder1* d) {
            d->path->SetText(path);
            if (!alias.empty()) d->alias->SetText(alias);
            d->ok->Click();
            if (d->ModalResult() == forms::mrNone) d->cancel->Click();
        });
    }
};

TEST_F(PathDialogs, AliasFollowsTheFolderUntilTyped) {
    While<Tfolder1>(folder1, [this] { form_->BitBtn12Click(nullptr); }, [](Tfolder1* d) {
        EXPECT_EQ(d->Caption(), "New Anonymous Path");
        EXPECT_TRUE(d->fileread->Checked());
        EXPECT_TRUE(d->subcontents->Checked());
        EXPECT_FALSE(d->filewrite->Checked());
        d->path->SetText("/srv/files/music/");
        EXPECT_EQ(d->alias->Text(), "music");
        d->AliasEdited = true;  // as typing in the alias sets it
        d->alias->SetText("tunes");
        d->path->SetText("/srv/other");
        EXPECT_EQ(d->alias->Text(), "tunes");
        d->alias->SetText("");
        d->path->SetText("/srv/again/");
        EXPECT_EQ(d->alias->Text(), "again");
        d->cancel->Click();
    });
}

TEST_F(PathDialogs, OkChecksAndTheirMessages) {
    const std::string dir = dir_ + "/music/";
    mkdir(dir.c_str(), 0755);
    NewAnonymous(dir);
    EXPECT_TRUE(boxes_.empty());
    ASSERT_EQ(form_->AnonymousPathList.size(), 1u);
    EXPECT_EQ(form_->AnonymousPathList[0]->Alias, "music");
    EXPECT_EQ(core::DecodeRecords<core::tftppath>(ReadFile(dir_ + "/" + core::kAnonymousPathsFile)).size(), 1u)
        << "saved at once";

    struct Row {
        const char* path;
        const char* alias;
        std::vector<std::string> boxes;
        const char* what;
    } rows[] = {
        {"", "", {"Path and Alias are required!"}, "both empty"},
        {"/srv/music", "", {"That Alias already exists!"}, "the alias taken, whatever is selected"},
        {"/srv/x", "..", {"An alias is a single name: it may not hold \"/\" or be \".\" or \"..\"."}, "dots"},
        {"", "a/b", {"Path and Alias are required!",
                     "An alias is a single name: it may not hold \"/\" or be \".\" or \"..\"."},
         "every failing check speaks"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        boxes_.clear();
        form_->anonymouspathslist->SetItemIndex(0);
        NewAnonymous(r.path, r.alias);
        EXPECT_EQ(boxes_, r.boxes);
    }
    EXPECT_EQ(form_->AnonymousPathList.size(), 1u);

    // Properties keep their own alias without a complaint.
    boxes_.clear();
    form_->anonymouspathslist->SetItemIndex(0);
    While<Tfolder1>(folder1, [this] { form_->BitBtn11Click(nullptr); }, [](Tfolder1* d) {
        EXPECT_EQ(d->Caption(), "Anonymous Path Properties");
        d->filewrite->SetChecked(true);
        d->ok->Click();
    });
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(form_->AnonymousPathList[0]->FileWrite);
}

TEST_F(PathDialogs, SharedPathsBelongToTheChosenOwnerAndRemovalSelectsTheNeighbour) {
    auto a = std::make_unique<core::tuseraccount>();
    a->UserName = "bob";
    a->Group = "Staff";
    form_->Accounts.push_back(std::move(a));
    form_->accountslist->AddItem()->SetCaption("bob");
    form_->FillFtpUsers();
    EXPECT_EQ(form_->ftpusers->Items()->ToVector(),
              (std::vector<std::string>{"<All Accounts>", "<Group: Staff>", "bob ()"}));
    form_->ftpusers->SetItemIndex(1);
    form_->ftpusersChange(nullptr);
    for (const char* alias : {"one", "two", "three"}) {
        While<Tfolder1>(folder1, [this] { form_->BitBtn4Click(nullptr); }, [alias](Tfolder1* d) {
            d->path->SetText("/srv");
            d->alias->SetText(alias);
            d->ok->Click();
        });
    }
    ASSERT_EQ(form_->SharedPathList.size(), 3u);
    EXPECT_EQ(form_->SharedPathList[0]->Owner, "<Group: Staff>");
    form_->ftpusers->SetItemIndex(2);
    form_->ftpusersChange(nullptr);
    EXPECT_EQ(form_->sharedpathslist->Items()->Count(), 0) << "the account sees its own paths only";
    form_->ftpusers->SetItemIndex(1);
    form_->ftpusersChange(nullptr);
    EXPECT_EQ(form_->sharedpathslist->Items()->Count(), 3);

    form_->sharedpathslist->SetItemIndex(2);
    form_->BitBtn5Click(nullptr);
    EXPECT_EQ(boxes_, std::vector<std::string>{"Are you sure you want to delete this path?"});
    EXPECT_EQ(form_->sharedpathslist->ItemIndex(), 1) << "the new last entry";
    EXPECT_EQ(core::DecodeRecords<core::tftppath>(ReadFile(dir_ + "/" + core::kSharedPathsFile)).size(), 2u);
}

TEST_F(PathDialogs, AnonymousLimitEdits) {
    form_->anonmaxcon->SetText("1a2");
    EXPECT_EQ(form_->anonmaxcon->Text(), "12");
    form_->anonmaxban->SetText("1.5kb");
    EXPECT_EQ(form_->anonmaxban->Text(), "1.5");
    struct Row {
        forms::TEdit* edit;
        const char* text;
        const char* after;
    } rows[] = {
        {form_->anonmaxcon, "", "16"}, {form_->anonmaxcon, "7", "7"}, {form_->maxrcpt, "abc", "16"},
        {form_->maxrcpt, "-1", "16"},  {form_->maxrcpt, "3", "3"},
    };
    for (const Row& r : rows) {
        r.edit->SetText(r.text);
        form_->anonmaxconExit(r.edit);
        EXPECT_EQ(r.edit->Text(), r.after) << r.edit->Name() << " " << r.text;
    }
    form_->anonmaxban->SetText("");
    form_->anonmaxbanExit(form_->anonmaxban);
    EXPECT_EQ(form_->anonmaxban->Text(), "10");
    form_->anonymousenabled->SetChecked(true);
    form_->anonmaxconcheck->SetChecked(false);
    form_->anonmaxcon->SetText("");
    form_->anonmaxconcheck->SetChecked(true);
    EXPECT_EQ(form_->anonmaxcon->Text(), "16");
}

TEST_F(PathDialogs, ConsoleProgramsThroughTheirDialog) {
    form_->TabbedNotebook7->SetVisible(true);
    for (const char* title : {"one", "two", "three"}) {
        While<Tconsoleappform>(consoleappform, [this] { form_->newconsoleappClick(nullptr); },
                               [title](Tconsoleappform* d) {
                                   EXPECT_EQ(d->consoleaccess->ItemIndex(), 0);
                                   d->name->SetText(title);
                                   d->consoleapp->SetText("/bin/echo");
                                   d->consoleaccess->SetItemIndex(1);
                                   d->ok->Click();
                               });
    }
    form_->consoleapplist->SetItemIndex(1);
    While<Tconsoleappform>(consoleappform, [this] { form_->consoleapppropertiesClick(nullptr); },
                           [](Tconsoleappform* d) {
                               EXPECT_EQ(d->name->Text(), "two");
                               d->name->SetText("changed");
                               d->cancel->Click();
                           });
    EXPECT_EQ(form_->consoleapplist->Items()->Strings(1), "two") << "Cancel changes nothing";
    form_->SaveSettings();
    const auto stored = core::DecodeRecords<core::tconsoleprogram>(ReadFile(dir_ + "/" + core::kConsoleFile));
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].Title, "one");
    EXPECT_EQ(stored[0].ProgramPath, "/bin/echo");
    EXPECT_EQ(stored[0].Access, 1);

    form_->consoleapplist->SetItemIndex(2);
    form_->removeconsoleappClick(nullptr);
    EXPECT_EQ(boxes_, std::vector<std::string>{"Are you sure you want to delete this console program?"});
    EXPECT_EQ(form_->consoleapplist->ItemIndex(), 1);
    EXPECT_EQ(core::DecodeRecords<core::tconsoleprogram>(ReadFile(dir_ + "/" + core::kConsoleFile)).size(), 2u)
        << "a removal saves at once";
}

TEST_F(PathDialogs, RunOnStartupWritesAndRemovesTheEntry) {
    const std::string entry = dir_ + "/.config/autostart/quillnest.desktop";
    // Ticked by default: the start wrote it with the program's path.
    EXPECT_NE(ReadFile(entry).find("Exec=\"" + dir_ + "/quillnest\"\n"), std::string::npos) << ReadFile(entry);
    form_->Runonstartup1Click(nullptr);
    EXPECT_FALSE(form_->Runonstartup1->Checked());
    EXPECT_FALSE(netunit::WideFileExists(entry));
    form_->Runonstartup1Click(nullptr);
    EXPECT_TRUE(form_->Runonstartup1->Checked());
    EXPECT_TRUE(netunit::WideFileExists(entry));
    std::string value;
    EXPECT_TRUE(platform::ReadKeyValue("Run", "Quillnest", value));
    EXPECT_EQ(value, dir_ + "/quillnest");
    struct stat st {};
    ASSERT_EQ(stat(platform::KeyStorePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A configuration folder that cannot be written: the error, and the mark stays.
    std::ofstream(dir_ + "/blocked") << "a file";
    setenv("XDG_CONFIG_HOME", (dir_ + "/blocked").c_str(), 1);
    form_->Runonstartup1Click(nullptr);
    EXPECT_TRUE(form_->Runonstartup1->Checked());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("Unable to remove the start-up entry"), std::string::npos);
}

TEST_F(PathDialogs, AutomaticLogonKeepsItsValuesInTheKeyStore) {
    While<Tautologonform>(autologonform, [this] { form_->AutoLogon1Click(nullptr); }, [](Tautologonform* d) {
        d->enable->SetChecked(true);
        d->username->SetText("kiosk");
        d->password->SetText("p w");
        d->ok->Click();
    });
    ASSERT_EQ(boxes_.size(), 1u) << "the notice, once";
    std::string value;
    EXPECT_TRUE(platform::ReadKeyValue("WinLogon", "AutoAdminLogon", value) && value == "1");
    EXPECT_TRUE(platform::ReadKeyValue("WinLogon", "DefaultPassword", value) && value == "p w");
    While<Tautologonform>(autologonform, [this] { form_->AutoLogon1Click(nullptr); }, [](Tautologonform* d) {
        EXPECT_EQ(d->username->Text(), "kiosk");
        d->enable->SetChecked(false);
        d->ok->Click();
    });
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(platform::ReadKeyValue("WinLogon", "AutoAdminLogon", value) && value == "0");
    EXPECT_TRUE(platform::ReadKeyValue("WinLogon", "DefaultUserName", value) && value == "kiosk") << "kept";
    form_->SaveSettings();
    EXPECT_FALSE(form_->IniFile->ReadBool("autologon", "autologon", true));
    EXPECT_EQ(form_->IniFile->ReadString("autologon", "username", u""), u"kiosk");
}

// The log-file, splash-file and console-program choosers share one open-file
// dialog: each opens in the folder its handler takes from its own file, not in
// the folder of whatever was chosen last.
TEST_F(PathDialogs, FileChoosersOpenInTheFolderTheirHandlerSets) {
    for (const char* folder : {"/logs", "/splash", "/programs", "/elsewhere"}) ::mkdir((dir_ + folder).c_str(), 0755);
    std::string openedAt;
    forms::SetOpenDialogHook([&](forms::TOpenDialog& d) {
        openedAt = d.StartPath();
        return false;
    });
    struct Row {
        const char* chooser;
        std::function<void()> open;
        std::string folder;
    } rows[] = {
        {"log file",
         [&] {
             form_->LogFileName = dir_ + "/logs/server.log";
             form_->bitbtn3->Click();
         },
         dir_ + "/logs/"},
        {"splash file",
         [&] {
             form_->telnetsplash->SetText(dir_ + "/splash/welcome.txt");
             form_->bitbtn1->Click();
         },
         dir_ + "/splash/"},
        {"console program",
         [&] {
             While<Tconsoleappform>(consoleappform, [this] { form_->newconsoleappClick(nullptr); },
                                    [&](Tconsoleappform* d) {
                                        d->consoleapp->SetText(dir_ + "/programs/tool");
                                        d->browse->Click();
                                        d->cancel->Click();
                                    });
         },
         dir_ + "/programs/"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.chooser);
        form_->OpenDialog1->FileName = dir_ + "/elsewhere/chosen-last.txt";
        openedAt.clear();
        r.open();
        EXPECT_EQ(openedAt, r.folder);
    }
    forms::SetOpenDialogHook(nullptr);
}

}  // namespace
