// The account dialog and the account handlers driven in process: the checks
// and their messages in order, what the handlers store, and what they do to
// home folders, mailboxes and shared paths.
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ui/homefolders.h"
#include "core/recordfiles.h"
#include "core/records.h"
#include "forms/forms.h"
#include "netunit/files.h"
#include "netunit/names.h"
#include "ui/accountform.h"
#include "ui/windowtest.h"

namespace {

core::tuseraccount Account(const std::string& name, const std::string& description = "") {
    core::tuseraccount a;
    a.UserName = name;
    a.Description = description;
    a.Password = "pw";
    a.FtpAllowed = a.EmailAllowed = a.WebAllowed = true;
    a.FtpInitialPath = "/";
    return a;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class AccountDialog : public DialogWindowTest {
protected:
    AccountDialog() { answer_ = forms::mrOk; }
    void PrepareFolder() override {
        std::string bytes;
        for (const core::tuseraccount& a : accounts_) core::AppendRecord(a, bytes);
        if (!accounts_.empty()) WriteFile(dir_ + "/" + core::kAccountsFile, bytes);
        std::string paths;
        for (const core::tftppath& p : shared_) core::AppendRecord(p, paths);
        if (!shared_.empty()) WriteFile(dir_ + "/" + core::kSharedPathsFile, paths);
    }
    // Runs the handler; Steps run while its dialog is up and must close it.
    void WithDialog(const std::function<void()>& handler, const std::function<void(Taccount*)>& steps) {
        While<Taccount>(account, handler, steps);
    }
    void Add(const std::function<void(Taccount*)>& steps) {
        WithDialog([this] { form_->addaccountbuttonClick(nullptr); }, steps);
    }
    void Select(const std::string& user) {
        for (int i = 0; i < form_->accountslist->Count(); ++i)
            if (form_->accountslist->Item(i)->Caption() == user) form_->accountslist->SetItemIndex(i);
    }
    std::vector<core::tuseraccount> Stored() const {
        return core::DecodeRecords<core::tuseraccount>(ReadFile(dir_ + "/" + core::kAccountsFile));
    }
    std::vector<core::tftppath> StoredShared() const {
        return core::DecodeRecords<core::tftppath>(ReadFile(dir_ + "/" + core::kSharedPathsFile));
    }
    bool Folder(const std::string& relative) const { return netunit::WideDirectoryExists(dir_ + "/" + relative); }

    std::vector<core::tuseraccount> accounts_;
    std::vector<core::tftppath> shared_;
};

TEST_F(AccountDialog, OkChecksInOrderWithTheirMessages) {
    const std::string initialPath =
        "You have specified an invalid initial path.  Initial paths must be in the virtual directory format (ie. "
        "\"/shared/mp3\" or \"/home/username\" or \"/\").";
    const std::string question =
        "Passwords are highly recommended!\n\nDo you want to continue without a password for this account?";
    struct Row {
        const char* user;
        const char* password;
        const char* confirm;
        const char* homedir;
        forms::TModalResult answer;
        std::vector<std::string> boxes;
        const char* focus;  // the control the refusal names; "" when the dialog closed
        const char* what;
    } rows[] = {
        {"anonymous", "a", "b", "shared", forms::mrYes, {initialPath}, "homedir", "the initial path is checked first"},
        {"AnonyMous", "a", "b", "/", forms::mrYes, {"User name 'anonymous' is reserved."}, "username",
         "anonymous in any case"},
        {"", "a", "b", "", forms::mrYes, {"A username is required!"}, "username", "an empty initial path is fine"},
        {"..", "a", "a", "/", forms::mrYes,
         {"Username \"..\" cannot name a folder.\n\nPlease enter a valid username."}, "username",
         "dots only would name the home folder's parent"},
        {"carol", "a", "b", "/", forms::mrYes,
         {"Passwords do not match.\n\nVerify password by retyping it in the Confirm box and click OK"}, "confirm",
         "passwords compared exactly"},
        {"carol", "", "", "/", forms::mrNo, {question}, "password", "No to the question keeps the dialog"},
        {"BOB", "", "", "/", forms::mrYes,
         {question, "Username \"BOB\" already exists.\n\nPlease enter a valid username."}, "username",
         "an existing name in other letter case"},
        {"carol", "", "", "/", forms::mrYes, {question}, "", "Yes to the question closes"},
    };
    auto bob = std::make_unique<core::tuseraccount>(Account("bob"));
    form_->Accounts.push_back(std::move(bob));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        boxes_.clear();
        answer_ = r.answer;
        forms::TModalResult result = -1;
        Add([&](Taccount* d) {
            d->username->SetText(r.user);
            d->password->SetText(r.password);
            d->confirm->SetText(r.confirm);
            d->homedir->SetText(r.homedir);
            d->ok->Click();
            result = d->ModalResult();
            if (result == forms::mrNone) d->cancel->Click();
        });
        EXPECT_EQ(boxes_, r.boxes);
        EXPECT_EQ(result, *r.focus ? forms::mrNone : forms::mrOk);
    }
}

TEST_F(AccountDialog, NewAccountIsAppendedWithItsFoldersAndTheFilteredName) {
    Add([](Taccount* d) {
        d->username->SetText("a b<c>^d");  // as a paste arrives: one change
        EXPECT_EQ(d->username->Text(), "abcd");
        d->username->SetText("bob");
        d->password->SetText("secret");
        d->confirm->SetText("secret");
        d->ok->Click();
    });
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(ReadFile(dir_ + "/" + core::kAccountsFile).size(), core::tuseraccount::RecordSize);
    EXPECT_EQ(stored[0].UserName, "bob");
    EXPECT_EQ(stored[0].Password, "secret");
    EXPECT_EQ(stored[0].FtpInitialPath, "/shared");
    EXPECT_EQ(stored[0].EmailAddress, "") << "the list's placeholder is no address";
    EXPECT_EQ(stored[0].WebSite, "http://<All Domains>/bob");
    EXPECT_TRUE(Folder("home/bob"));
    EXPECT_TRUE(Folder("home/bob/www"));
    EXPECT_EQ(form_->ftpusers->Items()->ToVector(), (std::vector<std::string>{"<All Accounts>", "bob ()"}));
    struct stat st {};
    for (const char* file : {core::kAccountsFile, "options.ini"}) {
        ASSERT_EQ(stat((dir_ + "/" + file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << file << " holds passwords";
    }
}

TEST_F(AccountDialog, SuperuserForcesEveryPermissionAndNoLimits) {
    Add([](Taccount* d) {
        d->maxconcheck->SetChecked(true);
        d->superuser->SetChecked(true);
        for (forms::TCheckBox* c : {d->commondirs, d->ftp, d->webpage, d->EMail, d->telnet}) {
            EXPECT_TRUE(c->Checked()) << c->Name();
            EXPECT_FALSE(c->Enabled()) << c->Name();
        }
        EXPECT_FALSE(d->unlimitedquota->Checked());
        EXPECT_EQ(d->quota->Text(), "");
        EXPECT_FALSE(d->maxconcheck->Checked());
        EXPECT_EQ(d->maxcon->Text(), "");
        EXPECT_TRUE(d->homedir->Enabled());
        EXPECT_FALSE(d->maxcon->Enabled());
        d->cancel->Click();
    });
}

TEST_F(AccountDialog, DefaultsForNewAccountsAreSavedFromTheDialogAlsoAfterCancel) {
    Add([](Taccount* d) {
        d->telnet->SetChecked(false);
        d->unlimitedquota->SetChecked(true);
        d->quota->SetText("77");
        d->cancel->Click();
    });
    EXPECT_FALSE(form_->IniFile->ReadBool("user", "telnet", true));
    EXPECT_EQ(form_->IniFile->ReadString("user", "quota", u""), u"77");
    // The next new account starts from them.
    Add([](Taccount* d) {
        EXPECT_FALSE(d->telnet->Checked());
        EXPECT_EQ(d->quota->Text(), "77");
        d->cancel->Click();
    });
}

class ExistingAccounts : public AccountDialog {
protected:
    void PrepareFolder() override {
        accounts_ = {Account("bob", "\xE9t\xE9"), Account("dave")};  // an old record's 8-bit text
        core::tftppath shared;
        shared.Alias = "docs";
        shared.LocalDir = "/srv/docs";
        shared.Owner = "bob";
        shared_ = {shared};
        AccountDialog::PrepareFolder();
        mkdir((dir_ + "/home").c_str(), 0755);
        mkdir((dir_ + "/home/bob").c_str(), 0755);
        WriteFile(dir_ + "/home/bob/file", "bob's");
        mkdir((dir_ + "/home/carol").c_str(), 0755);  // a folder in the way of the new name
        mkdir((dir_ + "/mail").c_str(), 0755);
        WriteFile(dir_ + "/mail/carol^0", "carol's own\r\n");
        WriteFile(dir_ + "/mail/bob^0", "first\r\n");
        WriteFile(dir_ + "/mail/bob^1", "second\r\n");
    }
};

TEST_F(ExistingAccounts, RenameMovesFolderMailAndSharedPathsAndKeepsUnchangedBytes) {
    form_->Accounts[0]->Group = "staff";  // a first start clears the groups of older records
    Select("bob");
    WithDialog([this] { form_->accountpropertiesbuttonClick(nullptr); }, [](Taccount* d) {
        EXPECT_EQ(d->Caption(), "Account Properties: bob (\xE9t\xE9)");
        EXPECT_EQ(d->group->Text(), "staff");
        d->username->SetText("carol");
        d->ok->Click();
    });
    EXPECT_TRUE(boxes_.empty());
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].UserName, "carol");
    EXPECT_EQ(stored[0].Description, "\xE9t\xE9") << "an unchanged field keeps its bytes";
    EXPECT_EQ(stored[0].Group, "staff");
    EXPECT_EQ(ReadFile(dir_ + "/home/carol/file"), "bob's");
    EXPECT_TRUE(Folder("home/carol^")) << "the folder in the way moved aside";
    EXPECT_FALSE(Folder("home/bob"));
    EXPECT_EQ(ReadFile(dir_ + "/mail/carol^0"), "carol's own\r\n") << "no message is replaced";
    EXPECT_EQ(ReadFile(dir_ + "/mail/carol^1"), "first\r\n");
    EXPECT_EQ(ReadFile(dir_ + "/mail/carol^2"), "second\r\n");
    EXPECT_FALSE(netunit::WideFileExists(dir_ + "/mail/bob^0"));
    ASSERT_EQ(StoredShared().size(), 1u);
    EXPECT_EQ(StoredShared()[0].Owner, "carol") << "written at once";
    EXPECT_EQ(form_->accountslist->Item(0)->Caption(), "carol");
}

TEST_F(ExistingAccounts, RenameWithoutAFolderMakesTheNewOne) {
    std::system(("rm -rf '" + dir_ + "/home/dave'").c_str());
    Select("dave");
    WithDialog([this] { form_->accountpropertiesbuttonClick(nullptr); }, [](Taccount* d) {
        d->username->SetText("erin");
        d->ok->Click();
    });
    EXPECT_EQ(Stored()[1].UserName, "erin");
    EXPECT_TRUE(Folder("home/erin"));
}

// An older save stored the address list's placeholder as the address.
TEST_F(ExistingAccounts, AStoredPlaceholderIsNeitherOfferedNorKept) {
    struct Row {
        std::vector<std::string> domains;
        std::vector<std::string> offered;
        const char* stored;
        const char* what;
    } rows[] = {
        {{"mail.test"}, {"bob@mail.test"}, "bob@mail.test", "real entries replace it and the first is chosen"},
        {{}, {"No Domains Available!"}, "", "with nothing to offer the address becomes empty"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        form_->Accounts[0]->EmailAddress = "No Domains Available!";
        form_->emaildomains->Items()->Clear();
        for (const std::string& domain : r.domains) form_->emaildomains->Items()->Add(domain);
        Select("bob");
        WithDialog([this] { form_->accountpropertiesbuttonClick(nullptr); }, [&r](Taccount* d) {
            EXPECT_EQ(d->address->Items()->ToVector(), r.offered);
            EXPECT_EQ(d->address->ItemIndex(), 0);
            d->ok->Click();
        });
        EXPECT_EQ(Stored()[0].EmailAddress, r.stored);
    }
}

TEST_F(ExistingAccounts, RemovalKeepsFoldersInOldAndDropsTheOwnersSharedPaths) {
    mkdir((dir_ + "/home/-old-").c_str(), 0755);
    mkdir((dir_ + "/home/-old-/bob").c_str(), 0755);  // an earlier bob
    answer_ = forms::mrNo;
    Select("bob");
    form_->removeaccountbuttonClick(nullptr);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Are you sure you want to delete the selected account?\n\nbob (\xE9t\xE9)");
    EXPECT_EQ(form_->Accounts.size(), 2u);

    answer_ = forms::mrYes;
    Select("bob");
    form_->removeaccountbuttonClick(nullptr);
    EXPECT_EQ(ReadFile(dir_ + "/home/-old-/bob2/file"), "bob's");
    EXPECT_EQ(Stored().size(), 1u);
    EXPECT_TRUE(StoredShared().empty()) << "a removed owner's paths are gone from the file at once";
}

TEST_F(ExistingAccounts, RemovalWhoseFolderCannotBeKeptIsReportedAndUndone) {
    std::system(("rm -rf '" + dir_ + "/home/-old-'").c_str());
    WriteFile(dir_ + "/home/-old-", "a file where the folder should be");
    answer_ = forms::mrYes;
    Select("bob");
    form_->removeaccountbuttonClick(nullptr);
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_NE(boxes_[1].find("The account was not removed."), std::string::npos) << boxes_[1];
    EXPECT_EQ(form_->Accounts.size(), 2u);
    EXPECT_TRUE(Folder("home/bob"));
}

TEST_F(ExistingAccounts, RemovalRetiresTheMailboxBesideTheFolder) {
    mkdir((dir_ + "/home/-old-").c_str(), 0755);
    mkdir((dir_ + "/home/-old-/bob").c_str(), 0755);  // an earlier bob
    answer_ = forms::mrYes;
    Select("bob");
    form_->removeaccountbuttonClick(nullptr);
    EXPECT_EQ(ReadFile(dir_ + "/home/-old-/bob2/file"), "bob's");
    EXPECT_EQ(ReadFile(dir_ + "/home/-old-/bob2^0"), "first\r\n") << "numbered as the folder is";
    EXPECT_EQ(ReadFile(dir_ + "/home/-old-/bob2^1"), "second\r\n");
    EXPECT_FALSE(netunit::WideFileExists(dir_ + "/mail/bob^0")) << "a later bob must not read it";
    struct stat st {};
    ASSERT_EQ(stat((dir_ + "/home/-old-/bob2^0").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "beside the home folders, still its owner's alone";
    EXPECT_EQ(ReadFile(dir_ + "/mail/carol^0"), "carol's own\r\n");
}

TEST_F(ExistingAccounts, RemovalRetiresMailOfAnAccountWithoutAFolder) {
    std::system(("rm -rf '" + dir_ + "/home/bob'").c_str());
    answer_ = forms::mrYes;
    Select("bob");
    form_->removeaccountbuttonClick(nullptr);
    EXPECT_EQ(ReadFile(dir_ + "/home/-old-/bob^1"), "second\r\n");
    EXPECT_FALSE(Folder("home/-old-/bob"));
    EXPECT_EQ(Stored().size(), 1u);
}

// Stored names that are no plain folder name inside the home folder (an old or
// hand-edited accounts file): rename and remove change the record, move
// nothing, and say so.
class StrangeNames : public AccountDialog {
protected:
    void PrepareFolder() override {
        accounts_ = {Account(name_)};
        AccountDialog::PrepareFolder();
        for (const char* folder : {"/victim", "/a", "/a/b", "/home", "/home/-old-"}) mkdir((dir_ + folder).c_str(), 0755);
        WriteFile(dir_ + "/victim/data", "victim's");
        WriteFile(dir_ + "/a/b/data", "b's");
        mkdir((dir_ + "/mail").c_str(), 0755);
        WriteFile(dir_ + "/home/outside^0", "mail beside the home folder\r\n");
    }
    void SelectOnly() { form_->accountslist->SetItemIndex(0); }
    // Nothing of the program's folder moved: same entries, same contents.
    void ExpectNothingMoved() {
        EXPECT_EQ(ReadFile(dir_ + "/victim/data"), "victim's");
        EXPECT_EQ(ReadFile(dir_ + "/a/b/data"), "b's");
        EXPECT_TRUE(Folder("home/-old-"));
        EXPECT_FALSE(netunit::WideFileExists(dir_ + "/home/good/data")) << "a new, empty folder at most";
        EXPECT_FALSE(Folder("home/-old-/victim"));
        EXPECT_FALSE(Folder("home/-old-/b"));
    }
    // Runs Body once per stored name, each in a fresh program folder.
    void ForEachName(const std::function<void()>& Body) {
        for (const char* name : {"../victim", "a/b", ".", "", "..", "../home/-old-"}) {
            SCOPED_TRACE(std::string("stored name \"") + name + "\"");
            name_ = name;
            TearDown();
            SetUp();
            boxes_.clear();
            Body();
        }
    }
    static inline std::string name_;
};

TEST_F(StrangeNames, RenameChangesTheRecordAndMovesNothing) {
    ForEachName([this] {
        SelectOnly();
        WithDialog([this] { form_->accountpropertiesbuttonClick(nullptr); }, [](Taccount* d) {
            d->username->SetText("good");
            d->password->SetText("pw");
            d->confirm->SetText("pw");
            d->ok->Click();
        });
        ExpectNothingMoved();
        ASSERT_EQ(Stored().size(), 1u);
        EXPECT_EQ(Stored()[0].UserName, "good");
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_NE(boxes_[0].find("no folder and no mail were moved"), std::string::npos) << boxes_[0];
    });
}

TEST_F(StrangeNames, RemovalDropsTheRecordAndMovesNothing) {
    ForEachName([this] {
        answer_ = forms::mrYes;
        SelectOnly();
        form_->removeaccountbuttonClick(nullptr);
        ExpectNothingMoved();
        EXPECT_TRUE(Stored().empty()) << "removed for good";
        EXPECT_EQ(form_->accountslist->Count(), 0);
        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_NE(boxes_[1].find("no folder and no mail were moved"), std::string::npos) << boxes_[1];
    });
}

// A rename that changes only the letter case, where the home folder ignores
// case: the new spelling finds the account's own folder. No such file system
// can be mounted here, so a link of the new spelling to the folder stands in
// for the case-folding lookup.
class CaseOnlyRename : public AccountDialog {
protected:
    void PrepareFolder() override {
        accounts_ = {Account("Bob")};
        AccountDialog::PrepareFolder();
        mkdir((dir_ + "/home").c_str(), 0755);
        mkdir((dir_ + "/home/Bob").c_str(), 0755);
        WriteFile(dir_ + "/home/Bob/file", "Bob's");
        symlink("Bob", (dir_ + "/home/bob").c_str());
    }
};

TEST_F(CaseOnlyRename, TheAccountsOwnFolderIsNeverMovedAside) {
    form_->accountslist->SetItemIndex(0);
    WithDialog([this] { form_->accountpropertiesbuttonClick(nullptr); }, [](Taccount* d) {
        d->username->SetText("bob");
        d->ok->Click();
    });
    EXPECT_FALSE(netunit::WideDirectoryExists(dir_ + "/home/bob^")) << "the own folder moved aside";
    EXPECT_FALSE(netunit::WideDirectoryExists(dir_ + "/home/Bob^"));
    EXPECT_EQ(ReadFile(dir_ + "/home/Bob/file"), "Bob's") << "the account keeps its files";
    EXPECT_EQ(ReadFile(dir_ + "/home/bob/file"), "Bob's");
}

TEST(SameFolder, TellsTwoNamesOfOneFolderFromTwoFolders) {
    char tmpl[] = "/tmp/quillnest-same-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    mkdir((dir + "/Bob").c_str(), 0755);
    mkdir((dir + "/carol").c_str(), 0755);
    symlink("Bob", (dir + "/bob").c_str());
    EXPECT_TRUE(core::SameFolder(dir + "/Bob", dir + "/bob"));
    EXPECT_FALSE(core::SameFolder(dir + "/Bob", dir + "/carol"));
    EXPECT_FALSE(core::SameFolder(dir + "/Bob", dir + "/missing"));
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
