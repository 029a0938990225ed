// The record dialogs of the Web and E-Mail pages driven as the owner drives
// them: their refusals (texts, box kinds, focus), what reaches the window's
// live lists, and the PHP and Perl offers.
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "forms/forms.h"
#include "forms/forms_test_util.h"
#include "mail/smtpstep.h"
#include "ui/cgiform.h"
#include "ui/domainproperties.h"
#include "ui/forwardform.h"
#include "ui/interpreteroffers.h"
#include "ui/maildomainform.h"
#include "ui/mimeform.h"
#include "ui/protocolsettings.h"
#include "ui/windowtest.h"

namespace {

class RecordDialogs : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        forms::SetMessageDlgHook([this](const forms::TMessageDlgRequest& r) -> forms::TModalResult {
            boxes_.push_back(r);
            if (answers_.empty()) return forms::mrOk;
            const forms::TModalResult a = answers_.front();
            answers_.erase(answers_.begin());
            return a;
        });
    }

    // Clicks button; the steps run inside the modal dialog it opens.
    void Open(forms::TButton* button, std::function<void()> steps) {
        QTimer::singleShot(0, std::move(steps));
        button->Click();
    }

    // OK on a dialog that must refuse: the last box is the error Message,
    // the dialog stays open and Field has the focus.
    void ExpectRefused(forms::TForm* dialog, forms::TButton* ok, forms::TControl* field, const std::string& message) {
        const size_t before = boxes_.size();
        ok->Click();
        ASSERT_EQ(boxes_.size(), before + 1) << "one message";
        EXPECT_EQ(boxes_.back().Text, message);
        EXPECT_EQ(boxes_.back().Type, forms::mtError);
        EXPECT_EQ(boxes_.back().Buttons, forms::mbOK);
        EXPECT_EQ(dialog->ModalResult(), forms::mrNone) << "the dialog stays open";
        // The field the window gives the focus to (offscreen, a dialog shown
        // again is not made the active window).
        EXPECT_EQ(dialog->Widget()->focusWidget(), field->Widget()) << "focus on the refused field";
    }

    void AddDomain(const std::string& name, const std::string& root) {
        auto d = std::make_unique<core::twebdomain>();
        d->DomainName = name;
        d->LocalRoot = root;
        form_->webdomainslist->Items()->Add(name);
        form_->WebDomainList.push_back(std::move(d));
        form_->RebuildDomainChoice();
    }
    void AddPath(const std::string& alias, const std::string& domain) {
        auto p = std::make_unique<core::tvirtualpath>();
        p->Alias = alias;
        p->Domain = domain;
        p->LocalPath = "/srv/" + alias;
        form_->VirtualPathList.push_back(std::move(p));
        form_->domaincomboChange(form_->domaincombo);
    }
    std::vector<std::string> PathsOf(const std::string& domain) const {
        std::vector<std::string> out;
        for (const auto& p : form_->VirtualPathList)
            if (p->Domain == domain) out.push_back(p->Alias);
        return out;
    }
    // Selects the entry of exactly that text.
    static void Choose(forms::TListBox* list, const std::string& text) {
        const std::vector<std::string> items = list->Items()->ToVector();
        list->SetItemIndex(static_cast<int>(std::find(items.begin(), items.end(), text) - items.begin()));
    }

    std::vector<forms::TMessageDlgRequest> boxes_;
    std::vector<forms::TModalResult> answers_;
};

// ---------------------------------------------------------------- web domains

TEST_F(RecordDialogs, WebDomainRefusalsInTheirOrder) {
    AddDomain("site.test", "/srv/site");
    Open(form_->newwebdomain, [&] {
        Tdomainproperties* d = domainproperties;
        EXPECT_EQ(d->Caption(), "New Domain");
        EXPECT_EQ(d->aliaslabel->Caption(), "Domain:");
        struct Row {
            const char* alias;
            const char* path;
            bool login;
            const char* user;
            const char* password;
            forms::TControl* field;
            std::string message;
        } rows[] = {
            {"", "/srv", false, "", "", d->alias, "A domain is required!"},
            {"/", "/srv", false, "", "", d->alias, "A domain is required!"},
            {"default", "/srv", false, "", "", d->alias,
             "Domain \"default\" is invalid.\n\nPlease enter a valid domain name."},
            {"DeFaulT", "/srv", false, "", "", d->alias,
             "Domain \"DeFaulT\" is invalid.\n\nPlease enter a valid domain name."},
            {"/site.test/", "/srv", false, "", "", d->alias,
             "Domain \"site.test\" already exists.\n\nPlease enter a valid domain name."},
            {"new.test", "", false, "", "", d->path, "A local folder is required!"},
            {"new.test", "/srv", true, "", "pw", d->username, "You must specify a username for authentication!"},
            {"new.test", "/srv", true, "bob", "", d->password, "You must specify a password for authentication!"},
        };
        d->authentication->SetChecked(true);
        for (const Row& r : rows) {
            SCOPED_TRACE(r.message);
            d->alias->SetText(r.alias);
            d->path->SetText(r.path);
            d->login->SetChecked(r.login);
            d->username->SetText(r.user);
            d->password->SetText(r.password);
            ExpectRefused(d, d->ok, r.field, r.message);
        }
        d->cancel->Click();
    });
    EXPECT_EQ(form_->WebDomainList.size(), 1u) << "a cancelled dialog adds nothing";
}

TEST_F(RecordDialogs, AuthenticationWithoutAGrantAsksAndNoUnticksIt) {
    Open(form_->newwebdomain, [&] {
        Tdomainproperties* d = domainproperties;
        d->alias->SetText("closed.test");
        d->path->SetText("/srv/closed");
        d->authentication->SetChecked(true);
        EXPECT_TRUE(d->superuser->Checked() && d->superuser->Enabled()) << "superusers are granted for a new record";
        EXPECT_FALSE(d->username->Enabled()) << "the login's fields follow its box";
        d->superuser->SetChecked(false);
        answers_ = {forms::mrNo};
        d->ok->Click();
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].Text,
                  "You have enabled authentication but have not granted access to anyone.\n"
                  "This will result in an authorization box to appear in the user's browser but he/she will not be "
                  "able to access the blocked domain until you grant him/her access.\n"
                  "Are you sure you want to continue with these settings?");
        EXPECT_EQ(boxes_[0].Type, forms::mtWarning);
        EXPECT_EQ(boxes_[0].Buttons, forms::mbYes | forms::mbNo);
        EXPECT_EQ(d->ModalResult(), forms::mrNone);
        EXPECT_FALSE(d->authentication->Checked());
        EXPECT_FALSE(d->superuser->Enabled()) << "the grants are disabled with it";
        d->authentication->SetChecked(true);
        answers_ = {forms::mrYes};
        d->ok->Click();
    });
    ASSERT_EQ(form_->WebDomainList.size(), 1u);
    const core::twebdomain& saved = *form_->WebDomainList[0];
    EXPECT_TRUE(saved.AuthOn);
    EXPECT_FALSE(saved.GrantSuperusers || saved.GrantAllAccounts || saved.GrantGroup || saved.GrantLogin);
}

TEST_F(RecordDialogs, NewDomainIsLiveSavedAndOffersTheAccountsGroups) {
    for (const char* group : {"Staff", "", "staff", "Guests"}) {
        auto a = std::make_unique<core::tuseraccount>();
        a->UserName = std::string("u") + group;
        a->Group = group;
        form_->Accounts.push_back(std::move(a));
    }
    Open(form_->newwebdomain, [&] {
        Tdomainproperties* d = domainproperties;
        EXPECT_EQ(d->group->Items()->ToVector(), (std::vector<std::string>{"Staff", "Guests"}));
        d->alias->SetText("Site.Test");
        d->path->SetText("www/site");
        d->authentication->SetChecked(true);
        d->superuser->SetChecked(false);
        d->groupcheck->SetChecked(true);
        d->group->SetText("Staff");
        d->login->SetChecked(true);
        d->username->SetText("bob");
        d->password->SetText("Secret");
        d->ok->Click();
    });
    EXPECT_TRUE(boxes_.empty());
    ASSERT_EQ(form_->WebDomainList.size(), 1u);
    const core::twebdomain& d = *form_->WebDomainList[0];
    EXPECT_EQ(d.DomainName, "Site.Test");
    EXPECT_EQ(d.LocalRoot, dir_ + "/www/site") << "a relative folder is taken from the program's folder";
    EXPECT_TRUE(d.AuthOn && d.GrantGroup && d.GrantLogin);
    EXPECT_FALSE(d.GrantSuperusers);
    EXPECT_EQ(d.Group, "Staff");
    EXPECT_EQ(d.LoginUser, "bob");
    EXPECT_EQ(d.LoginPassword, "Secret");
    EXPECT_EQ(form_->domaincombo->Items()->ToVector(), (std::vector<std::string>{"default", "Site.Test"}));
    EXPECT_EQ(form_->domaincombo->ItemIndex(), 0);
    struct stat st {};
    EXPECT_EQ(stat((dir_ + "/webdomains23.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, static_cast<off_t>(core::twebdomain::RecordSize)) << "saved at once";

    // Exact comparison: a name differing in case alone is another domain.
    Open(form_->newwebdomain, [&] {
        domainproperties->alias->SetText("site.test");
        domainproperties->path->SetText("/srv/other");
        domainproperties->ok->Click();
    });
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(form_->WebDomainList.size(), 2u);
}

TEST_F(RecordDialogs, AliasIsStrippedOfOneSlashAtEachEndAndBelongsToTheChosenDomain) {
    AddDomain("site.test", "/srv/site");
    form_->domaincombo->SetItemIndex(1);
    form_->domaincomboChange(form_->domaincombo);
    for (const char* typed : {"/docs/", "//deep/"}) {
        Open(form_->newvirtualpath, [&] {
            Tdomainproperties* d = domainproperties;
            EXPECT_EQ(d->Caption(), "New Virtual Path");
            EXPECT_EQ(d->aliaslabel->Caption(), "Alias:");
            d->alias->SetText(typed);
            d->path->SetText("/srv/docs");
            d->ok->Click();
        });
    }
    EXPECT_EQ(PathsOf("site.test"), (std::vector<std::string>{"docs", "/deep"}));
    EXPECT_EQ(form_->virtualpathslist->Items()->ToVector(), (std::vector<std::string>{"/deep", "docs"}));

    Choose(form_->virtualpathslist, "docs");
    Open(form_->newvirtualpath, [&] {
        Tdomainproperties* d = domainproperties;
        for (const char* empty : {"", "/", "//"}) {
            d->alias->SetText(empty);
            ExpectRefused(d, d->ok, d->alias, std::string(empty) == "//" ? "An alias is required!" : "An alias is required!");
        }
        d->alias->SetText("docs");
        ExpectRefused(d, d->ok, d->alias, "Alias \"docs\" already exists.\n\nPlease enter a valid alias.");
        d->cancel->Click();
    });
    // Properties: the record's own alias is no duplicate.
    Open(form_->virtualpathproperties, [&] {
        EXPECT_EQ(domainproperties->Caption(), "Virtual Path Properties");
        EXPECT_EQ(domainproperties->alias->Text(), "docs");
        domainproperties->ok->Click();
    });
    EXPECT_EQ(boxes_.size(), 4u);
}

TEST_F(RecordDialogs, PropertiesOfTheLongerOfTwoPrefixedAliasesEditThatRecord) {
    AddPath("a", "default");
    AddPath("a/b", "default");
    Choose(form_->virtualpathslist, "a/b");
    Open(form_->virtualpathproperties, [&] {
        EXPECT_EQ(domainproperties->alias->Text(), "a/b");
        domainproperties->path->SetText("/srv/ab");
        domainproperties->ok->Click();
    });
    EXPECT_EQ(form_->VirtualPathList[0]->LocalPath, "/srv/a");
    EXPECT_EQ(form_->VirtualPathList[1]->LocalPath, "/srv/ab");
}

TEST_F(RecordDialogs, RenameCarriesTheDomainsPathsAndRemoveTakesOnlyItsOwn) {
    AddDomain("site.test", "/srv/site");
    AddDomain("SITE.TEST", "/srv/upper");
    AddPath("docs", "site.test");
    AddPath("pics", "SITE.TEST");
    AddPath("shared", "default");

    Choose(form_->webdomainslist, "site.test");
    Open(form_->webdomainproperties, [&] {
        Tdomainproperties* d = domainproperties;
        EXPECT_EQ(d->Caption(), "Domain Properties");
        EXPECT_EQ(d->path->Text(), "/srv/site");
        d->alias->SetText("site.test");
        d->ok->Click();  // its own name is no duplicate
        EXPECT_EQ(d->ModalResult(), forms::mrOk);
    });
    Open(form_->webdomainproperties, [&] {
        domainproperties->alias->SetText("renamed.test");
        domainproperties->ok->Click();
    });
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(PathsOf("renamed.test"), std::vector<std::string>{"docs"});
    EXPECT_EQ(PathsOf("SITE.TEST"), std::vector<std::string>{"pics"});
    EXPECT_EQ(form_->WebDomainList[0]->DomainName, "renamed.test");
    EXPECT_EQ(form_->domaincombo->Items()->ToVector(),
              (std::vector<std::string>{"default", "renamed.test", "SITE.TEST"}));

    // Removing one of two names differing in case alone keeps the other's paths.
    AddDomain("Site.Test", "/srv/mixed");
    Choose(form_->webdomainslist, "Site.Test");
    answers_ = {forms::mrNo};
    form_->removewebdomain->Click();
    EXPECT_EQ(form_->WebDomainList.size(), 3u) << "No keeps the domain";
    answers_ = {forms::mrYes};
    form_->removewebdomain->Click();
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[0].Text, "Are you sure you want to delete this domain?");
    EXPECT_EQ(boxes_[0].Type, forms::mtWarning);
    EXPECT_EQ(boxes_[0].Buttons, forms::mbYes | forms::mbNo);
    EXPECT_EQ(PathsOf("SITE.TEST"), std::vector<std::string>{"pics"});
    Choose(form_->webdomainslist, "renamed.test");
    answers_ = {forms::mrYes};
    form_->removewebdomain->Click();
    EXPECT_TRUE(PathsOf("renamed.test").empty()) << "a domain's paths go with it";
    EXPECT_EQ(PathsOf("default"), std::vector<std::string>{"shared"});
    EXPECT_EQ(PathsOf("SITE.TEST"), std::vector<std::string>{"pics"});
    EXPECT_EQ(form_->webdomainslist->Items()->ToVector(), std::vector<std::string>{"SITE.TEST"});
    EXPECT_EQ(form_->webdomainslist->ItemIndex(), 0) << "the new last entry is selected";
}

TEST_F(RecordDialogs, RemovingAVirtualPathAsksAndSelectsANeighbour) {
    AddPath("a", "default");
    AddPath("b", "default");
    Choose(form_->virtualpathslist, "b");
    answers_ = {forms::mrYes};
    form_->removevirtualpath->Click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, "Are you sure you want to delete this virtual path?");
    EXPECT_EQ(PathsOf("default"), std::vector<std::string>{"a"});
    EXPECT_EQ(form_->virtualpathslist->ItemIndex(), 0);
}

// ---------------------------------------------------------------- MIME types

TEST_F(RecordDialogs, MimeRefusalsAndTheStoredLine) {
    form_->MimeTypes.Edit() = {"htm   text/html", "txt   text/plain"};
    form_->mimelist->Items()->Clear();
    for (const char* e : {"htm", "txt"}) form_->mimelist->Items()->Add(e);
    Open(form_->newmime, [&] {
        Tmimeform* d = mimeform;
        EXPECT_EQ(d->Caption(), "New Mime Type");
        struct Row {
            const char* extension;
            const char* type;
            forms::TControl* field;
            const char* message;
        } rows[] = {
            {"", "text/x", d->extention, "An extention is required!"},
            {" ", "text/x", d->extention, "An extention is required!"},
            {"foo", "", d->mimetype, "A mime type is required!"},
            {"htm", "text/x", d->extention, "That extention already exists.  Enter a valid extention!"},
            {"h tm", "text/x", d->extention, "That extention already exists.  Enter a valid extention!"},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(r.message);
            d->extention->SetText(r.extension);
            d->mimetype->SetText(r.type);
            ExpectRefused(d, d->ok, r.field, r.message);
        }
        // A typed blank never arrives.
        d->extention->SetText("");
        d->extention->SetFocus();
        for (int key : {Qt::Key_F, Qt::Key_Space, Qt::Key_O, Qt::Key_O}) formstest::Key(d->extention->Widget(), key);
        EXPECT_EQ(d->extention->Text(), "foo");
        d->mimetype->SetText("text/x-foo");
        d->ok->Click();
    });
    EXPECT_EQ(form_->MimeTypes.Lines().back(), "foo   text/x-foo");
    // "HTM" differs in case: accepted; a pasted blank is dropped on OK.
    Open(form_->newmime, [&] {
        mimeform->extention->SetText("HTM");
        mimeform->mimetype->SetText("text/html");
        mimeform->ok->Click();
    });
    Open(form_->newmime, [&] {
        mimeform->extention->SetText("ht\tm l");
        mimeform->mimetype->SetText("text/ x");
        mimeform->ok->Click();
    });
    EXPECT_EQ(form_->MimeTypes.Lines().back(), "html   text/x");
    std::ifstream saved(dir_ + "/mimes.txt");
    std::string all((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_NE(all.find("foo   text/x-foo\r\n"), std::string::npos) << "mimes.txt is written at once";
    EXPECT_EQ(boxes_.size(), 5u);
}

TEST_F(RecordDialogs, MimePropertiesRewriteTheFirstLineAndRemoveAsks) {
    form_->MimeTypes.Edit() = {"htm   text/html", "htm   text/later", "txt   text/plain"};
    form_->mimelist->Items()->Clear();
    for (const char* e : {"htm", "txt"}) form_->mimelist->Items()->Add(e);
    Choose(form_->mimelist, "htm");
    Open(form_->mimeproperties, [&] {
        EXPECT_EQ(mimeform->Caption(), "Mime Type Properties");
        EXPECT_EQ(mimeform->mimetype->Text(), "text/later") << "the type the server sends";
        mimeform->mimetype->SetText("text/first");
        mimeform->ok->Click();
    });
    EXPECT_EQ(form_->MimeTypes.Lines(),
              (std::vector<std::string>{"htm   text/first", "htm   text/later", "txt   text/plain"}));
    Choose(form_->mimelist, "txt");
    answers_ = {forms::mrYes};
    form_->removemime->Click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, "Are you sure you want to delete this mime type?");
    EXPECT_EQ(form_->MimeTypes.Lines().size(), 2u);
    EXPECT_EQ(form_->mimelist->ItemIndex(), 0);
}

// ---------------------------------------------------------------- CGI types

TEST_F(RecordDialogs, CgiRefusalsAndTheStoredType) {
    auto pl = std::make_unique<core::tscripttype>();
    pl->Extension = "pl";
    pl->Interpreter = "/usr/bin/perl";
    form_->ScriptTypeList.push_back(std::move(pl));
    form_->cgitypeslist->Items()->Add("pl");
    Open(form_->newcgitype, [&] {
        Tcgi* d = cgi;
        EXPECT_EQ(d->Caption(), "New CGI / ISAPI Interpretor");
        EXPECT_TRUE(d->recognize->Checked());
        EXPECT_FALSE(d->recognize2->Checked());
        EXPECT_FALSE(d->preswitches->Visible());
        struct Row {
            const char* extension;
            const char* interpreter;
            forms::TControl* field;
            const char* message;
        } rows[] = {
            {"", "/bin/sh", d->extention, "A CGI extention is required!"},
            {".", "/bin/sh", d->extention, "A CGI extention is required!"},
            {"sh", "", d->interpretor, "An interpretor is required!"},
            {"pl", "/bin/sh", d->extention, "That extention already exists!"},
            {".pl", "/bin/sh", d->extention, "That extention already exists!"},
            {"EXE", "/bin/sh", d->extention, "That extention already exists!"},
            {"dll", "/bin/sh", d->extention, "That extention already exists!"},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(r.extension);
            d->extention->SetText(r.extension);
            d->interpretor->SetText(r.interpreter);
            ExpectRefused(d, d->ok, r.field, r.message);
        }
        d->extention->SetText(".p hp");
        d->interpretor->SetText("/usr/bin/php-cgi");
        d->recognize2->SetChecked(true);
        d->ok->Click();
    });
    ASSERT_EQ(form_->ScriptTypeList.size(), 2u);
    const core::tscripttype& php = *form_->ScriptTypeList[1];
    EXPECT_EQ(php.Extension, "php");
    EXPECT_EQ(php.Interpreter, "/usr/bin/php-cgi");
    EXPECT_TRUE(php.OutsideCgiFolder && php.InUserWebFolders);
    EXPECT_EQ(form_->cgitypeslist->Items()->ToVector(), (std::vector<std::string>{"dll", "exe", "php", "pl"}));

    // Its own extension is no duplicate in properties; leaving the field drops a dot.
    Choose(form_->cgitypeslist, "php");
    Open(form_->cgitypeproperties, [&] {
        EXPECT_EQ(cgi->Caption(), "CGI / ISAPI Interpretor Properties");
        EXPECT_TRUE(cgi->recognize2->Checked());
        cgi->extention->SetText(".php");
        ASSERT_TRUE(cgi->extention->OnExit);
        cgi->extention->OnExit(cgi->extention);
        EXPECT_EQ(cgi->extention->Text(), "php");
        cgi->ok->Click();
        EXPECT_EQ(cgi->ModalResult(), forms::mrOk);
    });
    EXPECT_EQ(boxes_.size(), 7u);
}

TEST_F(RecordDialogs, BuiltInKindsOnlyExplainThemselves) {
    struct Row {
        const char* item;
        forms::TButton* button;
        const char* notice;
    } rows[] = {
        {"exe", form_->cgitypeproperties, "EXE's and DLL's are not scripts and can be automatically run by Quillnest."},
        {"dll", form_->cgitypeproperties, "EXE's and DLL's are not scripts and can be automatically run by Quillnest."},
        {"exe", form_->removecgitype, "This CGI / ISAPI type can not be removed!"},
        {"dll", form_->removecgitype, "This CGI / ISAPI type can not be removed!"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.notice);
        boxes_.clear();
        Choose(form_->cgitypeslist, r.item);
        r.button->Click();
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].Text, r.notice);
        EXPECT_EQ(boxes_[0].Type, forms::mtInformation);
        EXPECT_EQ(boxes_[0].Buttons, forms::mbOK);
        EXPECT_EQ(form_->cgitypeslist->Items()->Count(), 2);
    }
    auto sh = std::make_unique<core::tscripttype>();
    sh->Extension = "sh";
    form_->ScriptTypeList.push_back(std::move(sh));
    form_->cgitypeslist->Items()->Add("sh");
    Choose(form_->cgitypeslist, "sh");
    boxes_.clear();
    answers_ = {forms::mrYes};
    form_->removecgitype->Click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, "Are you sure you want to delete this CGI type?");
    EXPECT_TRUE(form_->ScriptTypeList.empty());
    EXPECT_EQ(form_->cgitypeslist->ItemIndex(), 1) << "the new last entry";
}

// ---------------------------------------------------------------- the interpreter offers

class InterpreterOffers : public RecordDialogs {
protected:
    void TearDown() override {
        SetInterpreterRoot("/nonexistent-interpreter-root");
        RecordDialogs::TearDown();
    }
    void Place(const std::string& path) {
        std::system(("mkdir -p '" + dir_ + "/root" + path.substr(0, path.rfind('/')) + "'").c_str());
        std::ofstream(dir_ + "/root" + path) << "";
        SetInterpreterRoot(dir_ + "/root");
    }
    static constexpr const char* kPhp =
        "PHP has been detected on your system.\n\nWould you like Quillnest to automatically setup to run PHP scripts?";
    static constexpr const char* kPerl =
        "PERL has been detected on your system.\n\nWould you like Quillnest to automatically setup to run PERL scripts?";
};

TEST_F(InterpreterOffers, YesAddsTheTypeAndSwitchesCgiOn) {
    Place("/usr/bin/perl");
    Place("/usr/local/bin/perl");
    Place("/usr/bin/php-cgi");
    form_->cgienabled->SetChecked(false);
    answers_ = {forms::mrNo, forms::mrYes};
    form_->FormActivate(form_);
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[0].Text, kPhp);
    EXPECT_EQ(boxes_[1].Text, kPerl);
    EXPECT_EQ(boxes_[1].Caption, "Confirm");
    EXPECT_EQ(boxes_[1].Buttons, forms::mbYes | forms::mbNo);
    EXPECT_FALSE(form_->DetectPhp) << "a declined offer is not made again";
    EXPECT_TRUE(form_->DetectPerl) << "the next activation finds the type";
    ASSERT_EQ(form_->ScriptTypeList.size(), 1u);
    const core::tscripttype& pl = *form_->ScriptTypeList[0];
    EXPECT_EQ(pl.Extension, "pl");
    EXPECT_EQ(pl.Interpreter, dir_ + "/root/usr/local/bin/perl") << "the first place wins";
    EXPECT_TRUE(pl.OutsideCgiFolder);
    EXPECT_FALSE(pl.InUserWebFolders);
    EXPECT_TRUE(form_->cgienabled->Checked());
    EXPECT_NE(form_->cgitypeslist->Items()->IndexOf("pl"), -1);

    form_->FormActivate(form_);
    EXPECT_EQ(boxes_.size(), 2u) << "no question once the type exists";
    EXPECT_FALSE(form_->DetectPerl);
}

TEST_F(InterpreterOffers, NothingFoundAsksNothingAndKeepsTheSwitches) {
    SetInterpreterRoot(dir_ + "/empty");
    form_->FormActivate(form_);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(form_->DetectPhp && form_->DetectPerl);
    Place("/usr/local/bin/php-cgi");
    Place("/usr/bin/php-cgi");
    form_->DetectPerl = false;
    answers_ = {forms::mrYes};
    form_->FormActivate(form_);
    ASSERT_EQ(form_->ScriptTypeList.size(), 1u);
    EXPECT_EQ(form_->ScriptTypeList[0]->Interpreter, dir_ + "/root/usr/local/bin/php-cgi");
    form_->SaveSettings();
    std::ifstream ini(dir_ + "/options.ini", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(ini)), {});
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i];
    const std::string detect = text.substr(text.find("[detect]"));
    const std::string section = detect.substr(0, detect.find("\r\n[") + 2);
    EXPECT_NE(section.find("\r\nphp=1\r\n"), std::string::npos) << section;
    EXPECT_NE(section.find("\r\nperl=0\r\n"), std::string::npos) << section;
}

// ---------------------------------------------------------------- mail domains and forwards

TEST_F(RecordDialogs, MailDomainRefusalsAndTheLiveList) {
    Open(form_->newemailhost, [&] {
        Tmdomain* d = mdomain;
        EXPECT_EQ(d->Caption(), "New Mail Domain");
        for (const char* bad : {"", "nodot", "has blank.test", ". "}) {
            SCOPED_TRACE(bad);
            d->domain->SetText(bad);
            ExpectRefused(d, d->ok, d->domain, "Not a valid domain.  Please enter a valid domain!");
        }
        d->domain->SetText("mail.test");
        d->forwardbad->SetChecked(true);
        d->wildaddress->SetText("");
        ExpectRefused(d, d->ok, d->wildaddress, "A catch-all address is required!");
        d->wildaddress->SetText("postmaster");
        d->ok->Click();
    });
    ASSERT_EQ(form_->MailDomainList.size(), 1u);
    EXPECT_TRUE(form_->MailDomainList[0]->CatchAllOn);
    EXPECT_EQ(form_->MailDomainList[0]->CatchAllAddress, "postmaster");
    // The mail server sees it at once: the domain is local and its catch-all takes unknown users.
    const mail::SmtpSettings seen = mail::SmtpSettingsOf(*form_);
    EXPECT_TRUE(mail::IsLocalDomain("anyone@mail.test", seen.Book()).NoSuchUser);
    const mail::tparsedaddress parsed = mail::ParseAddress("anyone@mail.test", seen.Book());
    EXPECT_EQ(parsed.Address, "postmaster");
    EXPECT_TRUE(parsed.CatchAll);

    Open(form_->newemailhost, [&] {
        Tmdomain* d = mdomain;
        EXPECT_EQ(d->domain->Text(), "");
        EXPECT_TRUE(d->forwardbad->Checked()) << "the catch-all keeps what it last showed";
        EXPECT_EQ(d->wildaddress->Text(), "postmaster");
        d->domain->SetText("MAIL.TEST");
        ExpectRefused(d, d->ok, d->domain, "Domain is already in list!");
        d->cancel->Click();
    });
    Choose(form_->emaildomains, "mail.test");
    Open(form_->changemailhost, [&] {
        EXPECT_EQ(mdomain->Caption(), "Mail Domain Properties");
        mdomain->domain->SetText("Mail.Test");
        mdomain->forwardbad->SetChecked(false);
        mdomain->ok->Click();
    });
    EXPECT_EQ(form_->MailDomainList[0]->Domain, "Mail.Test");
    EXPECT_FALSE(form_->MailDomainList[0]->CatchAllOn);
    EXPECT_EQ(form_->emaildomains->Items()->ToVector(), std::vector<std::string>{"Mail.Test"});

    answers_ = {forms::mrYes};
    form_->removeemailhost->Click();
    EXPECT_EQ(boxes_.back().Text, "Are you sure you want to delete that domain?");
    EXPECT_EQ(boxes_.back().Type, forms::mtWarning);
    EXPECT_TRUE(form_->MailDomainList.empty());
    EXPECT_FALSE(mail::IsLocalDomain("anyone@mail.test", mail::SmtpSettingsOf(*form_).Book()).NoSuchUser)
        << "a remote domain again";
}

TEST_F(RecordDialogs, ForwardRefusalsInTheirOrder) {
    Open(form_->newforward, [&] {
        Tfform* d = fform;
        EXPECT_EQ(d->Caption(), "New Mail Forward");
        const std::string bad = "Not a valid address! Please enter a valid email address.";
        struct Row {
            const char* from;
            const char* to;
            forms::TControl* field;
        } rows[] = {
            {"", "b@y.test", d->forwardfrom},       {"a@nodot", "b@y.test", d->forwardfrom},
            {"a.x.test", "b@y.test", d->forwardfrom}, {"a b@x.test", "b@y.test", d->forwardfrom},
            {"a@x.test", "", d->forwardto},         {"a@x.test", "b@y", d->forwardto},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.from) + " -> " + r.to);
            d->forwardfrom->SetText(r.from);
            d->forwardto->SetText(r.to);
            ExpectRefused(d, d->ok, r.field, bad);
        }
        d->forwardfrom->SetText("a@x.test");
        d->forwardto->SetText("b@y.test");
        d->ok->Click();
    });
    Open(form_->newforward, [&] {
        fform->forwardfrom->SetText("A@X.test");
        fform->forwardto->SetText("c@y.test");
        ExpectRefused(fform, fform->ok, fform->forwardfrom, "Address is already being forwarded!");
        fform->cancel->Click();
    });
    ASSERT_EQ(form_->ForwardList.size(), 1u);
    EXPECT_EQ(form_->ForwardList[0]->Destination, "b@y.test");
    form_->forwards->SetItemIndex(0);
    answers_ = {forms::mrYes};
    form_->removeforward->Click();
    EXPECT_EQ(boxes_.back().Text, "Are you sure you want to delete that mail forward?");
    EXPECT_TRUE(form_->ForwardList.empty());
}

}  // namespace
