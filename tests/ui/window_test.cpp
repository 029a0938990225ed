// The main window as its layout rules, control states, commands, log page and
// monitors make it, driven in process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QListView>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include "forms/forms_test_util.h"
#include "netunit/shellopen.h"
#include "netunit/textutil.h"
#include "ui/aboutform.h"
#include "ui/accountform.h"
#include "ui/banpropertiesform.h"
#include "ui/domainproperties.h"
#include "ui/maildomainform.h"
#include "ui/triggerpropertiesform.h"
#include "ui/trackingsince.h"
#include "windowtest.h"

using namespace forms;

namespace {

struct Rect {
    int l, t, w, h;
    bool operator==(const Rect&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Rect& r) {
    return o << "(" << r.l << ", " << r.t << ", " << r.w << ", " << r.h << ")";
}
Rect Of(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }
int Bottom(const TControl* c) { return c->Top() + c->Height(); }
const TWinControl* ParentOf(const TControl* c) { return c->Parent(); }

class WindowLayout : public WindowTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

// The rules, each as the rectangle it fixes, computed from the sizes the
// window has at that moment.
TEST_P(WindowLayout, RulesHoldAndEveryControlFitsItsPanel) {
    auto [width, height] = GetParam();
    form_->SetBounds(0, 0, width, height);
    Tquillnestform& f = *form_;
    const int L4 = TquillnestformControls::LeftColumnWidth(f.Panel4);
    const int L8 = TquillnestformControls::LeftColumnWidth(f.Panel8);
    const int L25 = TquillnestformControls::LeftColumnWidth(f.Panel25);
    auto pw = [](const TControl* c) { return ParentOf(c)->ClientWidth(); };
    auto ph = [](const TControl* c) { return ParentOf(c)->ClientHeight(); };
    struct Row {
        const char* what;
        TControl* control;
        Rect want;
    };
    const Row rows[] = {
        {"notebook fills the client less 6", f.TabbedNotebook1, {6, 6, f.ClientWidth() - 12, f.ClientHeight() - 12}},
        {"services notebook in its panel", f.TabbedNotebook2, {6, 6, f.Panel2->ClientWidth() - 12, f.Panel2->ClientHeight() - 12}},
        {"status notebook", f.TabbedNotebook4, {6, 6, f.Panel5->ClientWidth() - 12, f.Panel5->ClientHeight() - 12}},
        {"blacklist notebook", f.TabbedNotebook6, {6, 6, f.Panel27->ClientWidth() - 12, f.Panel27->ClientHeight() - 12}},
        {"web pages at L - 1", f.tabbednotebook5, {L4 - 1, 6, f.Panel15->ClientWidth() - L4 - 5, f.Panel15->ClientHeight() - 12}},
        {"ftp pages at L - 1", f.tabbednotebook3, {L8 - 1, 6, f.Panel6->ClientWidth() - L8 - 5, f.Panel6->ClientHeight() - 12}},
        {"mail pages at L - 1", f.mailtabs, {L25 - 1, 6, f.Panel7->ClientWidth() - L25 - 5, f.Panel7->ClientHeight() - 12}},
        {"web picture", f.webpic, {L4 - 115, f.webenabled->Top(), 108, 56}},
        {"ftp picture", f.ftppic, {L8 - 115, f.ftpenabled->Top(), 108, 56}},
        {"mail picture", f.emailpic, {L25 - 115, f.emailenabled->Top(), 108, 56}},
        {"telnet picture right-aligned", f.telnetpic, {f.Panel3->ClientWidth() - 114, f.TelnetEnabled->Top(), 108, 56}},
        {"welcome files L - 13", f.webindex, {6, f.Label5->Top() + f.Label5->Height() + 2, L4 - 13, f.webindex->Height()}},
        {"web root with its button", f.webdir, {6, Bottom(f.Label4) + 2, L4 - 19 - f.webdirbrowse->Width(), f.webdir->Height()}},
        {"browse button 6 right", f.webdirbrowse, {f.webdir->Left() + f.webdir->Width() + 6, f.webdir->Top(), f.webdirbrowse->Width(), f.webdir->Height()}},
        {"web domains list", f.webdomainslist, {4, 4, pw(f.webdomainslist) - 8, ph(f.webdomainslist) - 4 - f.newwebdomain->Height() - 10}},
        {"first button 6 below", f.newwebdomain, {4, Bottom(f.webdomainslist) + 6, f.newwebdomain->Width(), f.newwebdomain->Height()}},
        {"next button 6 right", f.removewebdomain, {f.newwebdomain->Left() + f.newwebdomain->Width() + 6, f.newwebdomain->Top(), f.removewebdomain->Width(), f.removewebdomain->Height()}},
        {"ftp sheets 6 narrower", f.anonymouspathslist, {4, 4, pw(f.anonymouspathslist) - 6, ph(f.anonymouspathslist) - 4 - f.bitbtn12->Height() - 10}},
        {"domain combo as wide as its list", f.domaincombo, {4, Bottom(f.Domainlabel) + 2, f.virtualpathslist->Width(), f.domaincombo->Height()}},
        {"relay box L - 13 wide, fitted", f.relaybox, {6, Bottom(f.relayemail) + 6, L25 - 13, Bottom(f.antispam) + (f.relaybox->Height() - f.Panel22->ClientHeight()) + 6}},
        {"anonymous box fitted", f.anonftpbox, {6, Bottom(f.anonymousenabled) + 6, L8 - 13, Bottom(f.anonmaxban) + (f.anonftpbox->Height() - f.ftppanel->ClientHeight()) + 6}},
        {"max connections edit", f.anonmaxcon, {6 + f.anonmaxbancheck->Width() + 2, f.anonmaxconcheck->Top() - 3, f.ftppanel->ClientWidth() - (8 + f.anonmaxbancheck->Width()) - 6, f.anonmaxcon->Height()}},
        {"max recipients beside its box", f.maxrcpt, {f.maxrcptcheck->Left() + f.maxrcptcheck->Width() + 2, f.maxrcptcheck->Top() - 3, f.Panel22->ClientWidth() - (f.maxrcptcheck->Left() + f.maxrcptcheck->Width() + 2) - 6, f.maxrcpt->Height()}},
        {"bevel 6 below the relay box", f.Bevel2, {6, Bottom(f.relaybox) + 6, L25 - 13, 2}},
        {"POP3 8 below the bevel's top", f.popenabled, {6, f.Bevel2->Top() + 8, L25 - 13, f.popenabled->Height()}},
        {"accounts list", f.accountslist, {6, Bottom(f.accountslabel) + 2, pw(f.accountslist) - 12, ph(f.accountslist) - f.addaccountbutton->Height() - (Bottom(f.accountslabel) + 2) - 12}},
        {"home folder button right-aligned", f.changehome, {pw(f.changehome) - f.changehome->Width() - 6, f.addaccountbutton->Top(), f.changehome->Width(), f.changehome->Height()}},
        {"connections tree", f.protocoltree, {6, 6, pw(f.protocoltree) - 12, ph(f.protocoltree) - f.bitbtn2->Height() - 18}},
        {"log list", f.status, {6, Bottom(f.lockbottom) + 6, pw(f.status) - 12, ph(f.status) - f.bitbtn3->Height() - (Bottom(f.lockbottom) + 6) - 12}},
        {"clear log right-aligned", f.clearlog, {pw(f.clearlog) - f.clearlog->Width() - 6, Bottom(f.status) + 6, f.clearlog->Width(), f.clearlog->Height()}},
        {"log file button left of it", f.bitbtn3, {f.clearlog->Left() - 6 - f.bitbtn3->Width(), f.clearlog->Top(), f.bitbtn3->Width(), f.bitbtn3->Height()}},
        {"downloads half", f.downloads, {6, Bottom(f.monitordownloads) + 6, pw(f.downloads) - 12, (ph(f.downloads) - (Bottom(f.monitordownloads) + 6) - f.cleardownloads->Height() - 16) / 2 - 12}},
        {"stats to the buttons", f.dstats, {6, Bottom(f.monitorstats) + 6, pw(f.dstats) - 12, ph(f.dstats) - (Bottom(f.monitorstats) + 6) - f.cleardownloads->Height() - 12}},
        {"uploads", f.uploads, {6, Bottom(f.monitoruploads) + 6, pw(f.uploads) - 12, ph(f.uploads) - (Bottom(f.monitoruploads) + 6) - f.clearuploads->Height() - 12}},
        {"blacklist", f.blacklist, {6, Bottom(f.blacklistlabel) + 2, pw(f.blacklist) - 12, ph(f.blacklist) - (Bottom(f.blacklistlabel) + 2) - f.newban->Height() - 12}},
        {"triggers", f.triggerlistbox, {6, 6, pw(f.triggerlistbox) - 12, ph(f.triggerlistbox) - 6 - f.newtrigger->Height() - 12}},
        {"info box fitted", f.infoservices, {6, 6, pw(f.infoservices) - 12, Bottom(f.totalconn) + (f.infoservices->Height() - f.Panel20->ClientHeight()) + 6}},
        {"shutdown panel centred", f.shutdownpanel, {(f.ClientWidth() - f.shutdownpanel->Width()) / 2, (f.ClientHeight() - f.shutdownpanel->Height()) / 2, f.shutdownpanel->Width(), f.shutdownpanel->Height()}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << width << " x " << height << ": " << r.what);
        EXPECT_EQ(Of(r.control), r.want);
    }
    // Nothing named is cut off: every control lies inside its parent's
    // client area (the hidden console-program notebook included).
    for (TComponent* c : f.Components()) {
        auto* control = dynamic_cast<TControl*>(c);
        if (control == nullptr || control->Parent() == nullptr || control->Name().empty()) continue;
        if (control->Align() == alClient || control == f.scratchpad) continue;
        SCOPED_TRACE(::testing::Message() << width << " x " << height << ": " << control->Name());
        const TWinControl* p = control->Parent();
        EXPECT_GE(control->Left(), 0);
        EXPECT_GE(control->Top(), 0);
        EXPECT_LE(control->Left() + control->Width(), p->ClientWidth());
        EXPECT_LE(Bottom(control), p->ClientHeight());
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowLayout,
                         ::testing::Values(std::make_pair(620, 475), std::make_pair(650, 480),
                                           std::make_pair(1024, 768)));

TEST_F(WindowTest, LayoutEnablesPortsOfStoppedServicesAndDisablesKill) {
    form_->webenabled->SetChecked(true);
    form_->bitbtn2->SetEnabled(true);
    form_->TabbedNotebook1->SetPageIndex(2);
    form_->TabbedNotebook1->OnClick(form_->TabbedNotebook1);
    EXPECT_FALSE(form_->webport->Enabled()) << "a running service's port is locked";
    EXPECT_TRUE(form_->ftpport->Enabled());
    EXPECT_FALSE(form_->bitbtn2->Enabled()) << "a change of page disables killing";
    form_->webenabled->SetChecked(false);
    EXPECT_TRUE(form_->webport->Enabled());
}

TEST_F(WindowTest, EmptyListsDisableRemoveAndPropertiesButNeverNew) {
    Tquillnestform& f = *form_;
    f.cgitypeslist->SetItemIndex(-1);
    f.mimelist->SetItemIndex(-1);
    f.UpdateControls();
    for (TControl* c : {f.removeaccountbutton, f.accountpropertiesbutton, f.removeforward, f.forwardproperties,
                        f.removeemailhost, f.changemailhost, f.removewebdomain, f.webdomainproperties,
                        f.removevirtualpath, f.virtualpathproperties, f.removecgitype, f.cgitypeproperties,
                        f.removemime, f.mimeproperties, f.bitbtn10, f.bitbtn11, f.bitbtn5, f.bitbtn6, f.bitbtn7,
                        f.bitbtn8, f.removeban, f.banproperties, f.removeconsoleapp, f.consoleappproperties,
                        f.removetrigger, f.triggerproperties}) {
        SCOPED_TRACE(c->Name());
        EXPECT_FALSE(c->Enabled());
    }
    for (TControl* c : {f.addaccountbutton, f.newforward, f.newemailhost, f.newwebdomain, f.newvirtualpath,
                        f.newcgitype, f.newmime, f.bitbtn12, f.bitbtn4, f.bitbtn9, f.newban, f.newconsoleapp,
                        f.newtrigger}) {
        SCOPED_TRACE(c->Name());
        EXPECT_TRUE(c->Enabled());
    }
    for (int i = 0; i < 6; ++i) f.ConsoleProgramList.push_back(std::make_unique<core::tconsoleprogram>());
    f.UpdateControls();
    EXPECT_FALSE(f.newconsoleapp->Enabled()) << "six programs are the most";
    f.ConsoleProgramList.clear();
}

TEST_F(WindowTest, AListClickRefreshesAndADoubleClickRunsProperties) {
    Tquillnestform& f = *form_;
    int properties = 0;
    f.mimeproperties->OnClick = [&](TObject*) { ++properties; };
    f.UpdateControls();
    ASSERT_FALSE(f.mimeproperties->Enabled());
    auto* w = static_cast<QListView*>(f.mimelist->Widget());
    w->selectionModel()->select(w->model()->index(0, 0), QItemSelectionModel::Select);  // the user's selection
    EXPECT_TRUE(f.mimeproperties->Enabled());
    f.mimelist->OnDblClick(f.mimelist);
    EXPECT_EQ(properties, 1);
    EXPECT_EQ(f.cgitypeslist->Items()->ToVector(), (std::vector<std::string>{"dll", "exe"}));
}

TEST_F(WindowTest, DependentSettingsFollowTheirSwitches) {
    Tquillnestform& f = *form_;
    f.relayemail->SetChecked(true);
    f.maxrcpt->SetText("");
    f.maxrcptcheck->SetChecked(true);
    EXPECT_EQ(f.maxrcpt->Text(), "16") << "an empty cap gets the default";
    f.maxrcpt->SetText("5");
    f.maxrcptcheck->SetChecked(false);
    f.maxrcptcheck->SetChecked(true);
    EXPECT_EQ(f.maxrcpt->Text(), "5");
    f.relayemail->SetChecked(false);
    for (TControl* c : {static_cast<TControl*>(f.relaybox), static_cast<TControl*>(f.helodomain),
                        static_cast<TControl*>(f.maxrcpt), static_cast<TControl*>(f.antispam)})
        EXPECT_FALSE(c->Enabled()) << c->Name();

    f.anonymousenabled->SetChecked(true);
    f.anonmaxconcheck->SetChecked(true);
    f.anonmaxbancheck->SetChecked(false);
    f.anonymousenabled->SetChecked(false);
    for (TControl* c : {static_cast<TControl*>(f.anonftpbox), static_cast<TControl*>(f.anonmaxcon),
                        static_cast<TControl*>(f.anonmaxban), static_cast<TControl*>(f.anonmaxconcheck)})
        EXPECT_FALSE(c->Enabled()) << c->Name();
    f.anonymousenabled->SetChecked(true);
    EXPECT_TRUE(f.anonmaxcon->Enabled()) << "each edit by its own box";
    EXPECT_FALSE(f.anonmaxban->Enabled());
    f.cgienabled->SetChecked(false);
    EXPECT_FALSE(f.cgidir->Enabled());
    f.cgienabled->SetChecked(true);
    EXPECT_TRUE(f.cgibrowse->Enabled());
}

TEST(TrackingSince, EnglishMonthsAndColonsWhateverTheLocale) {
    std::tm t{};
    t.tm_year = 107;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 3;
    t.tm_sec = 9;
    const char* saved = setlocale(LC_ALL, nullptr);
    const std::string keep = saved ? saved : "C";
    setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(TrackingSince(t), "Tracking since March 5, 2007 at 14:03:09");
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 0;
    EXPECT_EQ(TrackingSince(t), "Tracking since December 31, 2007 at 00:03:09");
    setlocale(LC_ALL, keep.c_str());
}

TEST_F(WindowTest, MonitorsShowSinceAndForgetWhenSwitchedOff) {
    Tquillnestform& f = *form_;
    f.monitordownloads->SetChecked(true);
    EXPECT_EQ(f.monitordownloads->Caption().rfind("Track Downloads: Tracking since ", 0), 0u) << f.monitordownloads->Caption();
    EXPECT_TRUE(f.downloads->Enabled());
    f.DownloadList.push_back(std::make_unique<core::ttransferrecord>());
    f.downloads->AddItem()->SetCaption("a.txt");
    f.monitordownloads->SetChecked(false);
    EXPECT_EQ(f.monitordownloads->Caption(), "Track Downloads");
    EXPECT_FALSE(f.cleardownloads->Enabled());
    EXPECT_TRUE(f.DownloadList.empty());
    EXPECT_EQ(f.downloads->Count(), 0);
    struct Row {
        TCheckBox* monitor;
        TButton* clear;
        core::RecordList<core::ttransferrecord>* list;
        TListView* view;
        std::string* since;
        const char* caption;
    } rows[] = {
        {f.monitoruploads, f.clearuploads, &f.UploadList, f.uploads, &f.UploadsSince, "Track Uploads: "},
        {f.monitorstats, f.clearstats, &f.DownloadStatList, f.dstats, &f.StatsSince, "Track Download Stats: "},
        {f.monitordownloads, f.cleardownloads, &f.DownloadList, f.downloads, &f.DownloadsSince, "Track Downloads: "},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.caption);
        r.monitor->SetChecked(true);
        *r.since = "old";
        r.list->push_back(std::make_unique<core::ttransferrecord>());
        r.view->AddItem();
        r.clear->Click();
        EXPECT_TRUE(r.list->empty());
        EXPECT_EQ(r.view->Count(), 0);
        EXPECT_EQ(r.since->rfind("Tracking since ", 0), 0u);
        EXPECT_EQ(r.monitor->Caption(), r.caption + *r.since);
    }
}

TEST_F(WindowTest, ClickingTheLogCopiesTheSelectedLinesAndClearsTheSelection) {
    Tquillnestform& f = *form_;
    f.clearlog->Click();
    for (const char* l : {"one", "two", "three", "four"}) f.status->Items()->Add(l);
    auto* w = static_cast<QListView*>(f.status->Widget());
    f.status->SetSelected(0, true);
    f.status->SetSelected(1, true);
    w->selectionModel()->select(w->model()->index(3, 0), QItemSelectionModel::Select);  // the user's click on the third
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "one\ntwo\nfour");
    EXPECT_EQ(f.status->SelCount(), 0);
    f.clearlog->Click();
    EXPECT_EQ(f.status->Items()->Count(), 0);
}

TEST_F(WindowTest, LogFileChangeReopensAndSaves) {
    Tquillnestform& f = *form_;
    const std::string first = dir_ + "/first.log", second = dir_ + "/second.log";
    forms::SetMessageDlgHook([](const forms::TMessageDlgRequest&) { return forms::mrNo; });
    std::vector<std::string> chosen = {first, second};
    std::vector<bool> mustExist;
    forms::SetOpenDialogHook([&](forms::TOpenDialog& d) {
        mustExist.push_back(d.FileMustExist);
        d.FileName = chosen.empty() ? dir_ + "/splash.txt" : chosen.front();
        if (!chosen.empty()) chosen.erase(chosen.begin());
        return true;
    });
    f.bitbtn3->Click();
    EXPECT_TRUE(f.LogToFile);
    EXPECT_EQ(f.logfilelabel->Caption(), "Log to File: " + first);
    f.bitbtn3->Click();
    f.bitbtn1->Click();  // the same chooser for the Telnet splash file
    forms::SetOpenDialogHook(nullptr);
    EXPECT_EQ(mustExist, (std::vector<bool>{false, false, true})) << "only the log file may be a new name";
    f.AddLog("into the second");
    std::ifstream a(first), b(second);
    std::stringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    const std::vector<std::string> lines = f.status->Items()->ToVector();
    auto logged = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(logged("Stopped logging to file."));
    EXPECT_TRUE(logged("Logging to " + second));
    EXPECT_NE(sb.str().find("into the second"), std::string::npos);
    EXPECT_EQ(sa.str().find("into the second"), std::string::npos);
    std::ifstream ini(dir_ + "/options.ini");
    EXPECT_TRUE(ini.good()) << "the change is saved";
}

TEST_F(WindowTest, F12ThanksFromAnyControlAndAboutShowsTheVersion) {
    Tquillnestform& f = *form_;
    std::vector<std::string> boxes;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        boxes.push_back(r.Text);
        return forms::mrOk;
    });
    f.Show();
    formstest::Pump();
    for (TControl* c : {static_cast<TControl*>(f.webport), static_cast<TControl*>(f.status)}) {
        c->SetFocus();
        formstest::Key(c->Widget(), Qt::Key_F12);
    }
    EXPECT_EQ(boxes.size(), 2u);
    TForm2 about(&f);
    bool okFocused = false, enterClosed = false;
    QTimer::singleShot(50, [&] {
        okFocused = about.bitbtn1->Focused();
        QWidget* focus = QApplication::focusWidget();
        formstest::Key(focus != nullptr ? focus : about.Widget(), Qt::Key_Return);
        enterClosed = about.ModalResult() == mrOk;
        if (!enterClosed) about.bitbtn1->Click();
    });
    f.About1->Click();
    EXPECT_TRUE(okFocused) << "the box opens with the focus on OK";
    EXPECT_TRUE(enterClosed) << "Enter closes it";
    EXPECT_EQ(about.Label1->Caption(), "Version: 2.81");
    EXPECT_EQ(about.ClientWidth(), TForm2::kClientWidth);
    EXPECT_EQ(about.ClientHeight(), TForm2::kClientHeight);
    EXPECT_TRUE(about.url->FontStyle() & fsUnderline);
    EXPECT_EQ(about.bitbtn1->Left() + about.bitbtn1->Width() + 6, about.Panel1->ClientWidth());
    // The middle words start where the lines above and below them start.
    auto* words = static_cast<QPlainTextEdit*>(about.label4->Widget());
    QTextCursor start(words->document());
    const int wordsLeft = words->viewport()->mapTo(about.Panel1->Widget(), words->cursorRect(start).topLeft()).x();
    EXPECT_LE(std::abs(wordsLeft - about.Label5->Left()), 1) << wordsLeft << " against " << about.Label5->Left();
}

// The Welcome Files edit holds more than it shows: it opens at its start.
TEST_F(WindowTest, WelcomeFilesOpenAtTheirStart) {
    Tquillnestform& f = *form_;
    f.Show();
    formstest::Pump();
    ASSERT_GT(f.webindex->Widget()->fontMetrics().horizontalAdvance(QString::fromStdString(f.webindex->Text())),
              f.webindex->Width())
        << "the text is longer than the edit";
    EXPECT_EQ(f.webindex->SelStart(), 0);
}

// A dialog the user cannot resize offers neither minimise nor maximise: its
// window asks for a title and a close button only, and its size is fixed.
TEST_F(WindowTest, FixedDialogsOfferOnlyTheCloseButton) {
    Tquillnestform& f = *form_;
    const std::vector<std::pair<const char*, std::function<TForm*()>>> dialogs = {
        {"About", [&] { return new TForm2(&f); }},
        {"web domain and virtual path",
         [&] { return new Tdomainproperties(&f, f.webdomainslist, f.virtualpathslist, &f.Accounts); }},
        {"mail domain", [&] { return new Tmdomain(&f, f.emaildomains); }},
        {"ban", [&] { return new Tbanpropertiesform(&f); }},
        {"trigger", [&] { return new Ttriggerpropertiesform(&f); }},
        {"account", [&] { return new Taccount(&f); }},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        std::unique_ptr<TForm> dialog(make());
        dialog->Show();
        formstest::Pump();
        const QWidget* window = dialog->Widget()->window();
        const Qt::WindowFlags flags = window->windowFlags();
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << "the window manager's default buttons are not asked for";
        EXPECT_TRUE(flags & Qt::WindowTitleHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) << std::hex << flags.toInt();
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        EXPECT_EQ(window->size(), window->maximumSize());
        dialog->Hide();
    }
}

TEST_F(WindowTest, HelpHandsTheHelpFileToTheOpener) {
    const std::string out = dir_ + "/args.txt";
    const std::string script = dir_ + "/fake-open";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << out << "'\n";
    chmod(script.c_str(), 0755);
    netunit::SetShellOpenProgram(script);
    form_->Help2->Click();
    EXPECT_TRUE(formstest::WaitFor([&] { return std::ifstream(out).good(); }));
    formstest::Pump(100);
    netunit::SetShellOpenProgram("xdg-open");
    std::ifstream in(out);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), dir_ + "/help.html\n");
}

// The help page says what every page of the window is for, under the page's
// own caption (the console programs' page is hidden, and so left out).
TEST_F(WindowTest, HelpPageCoversEveryPage) {
    std::ifstream in(QN_HELP_PAGE);
    std::stringstream s;
    s << in.rdbuf();
    const std::string help = netunit::AsciiLowerCase(s.str());
    ASSERT_NE(help.find("<html"), std::string::npos);
    std::vector<std::string> captions;
    std::function<void(const TComponent*)> walk = [&](const TComponent* c) {
        for (const TComponent* child : c->Components()) {
            if (const auto* page = dynamic_cast<const TTabPage*>(child); page && page->Parent() != form_->TabbedNotebook7)
                captions.push_back(page->Caption());
            if (const auto* sheet = dynamic_cast<const TTabSheet*>(child)) captions.push_back(sheet->Caption());
            walk(child);
        }
    };
    walk(form_);
    EXPECT_GE(captions.size(), 20u);
    for (const std::string& caption : captions)
        EXPECT_NE(help.find(netunit::AsciiLowerCase(caption)), std::string::npos) << caption;
}

TEST_F(WindowTest, WithoutATrayMinimisingMinimisesAndStartHiddenAfterOneTick) {
    ASSERT_FALSE(TTrayIcon::Available()) << "the offscreen platform has no tray";
    Tquillnestform& f = *form_;
    f.Show();
    formstest::Pump();
    formstest::MinimizeBox(f.Widget());
    formstest::Pump();
    EXPECT_TRUE(f.Visible()) << "a window without a tray icon is never hidden";
    EXPECT_EQ(f.WindowState(), wsMinimized);
    EXPECT_TRUE(f.HiddenInTray);
    f.SetWindowState(wsNormal);
    f.HiddenInTray = true;
    f.Timer3->SetEnabled(true);
    EXPECT_TRUE(formstest::WaitFor([&] { return f.WindowState() == wsMinimized; }));
    EXPECT_FALSE(f.Timer3->Enabled()) << "one shot, then off";
    f.Minimize1->Click();
    EXPECT_EQ(f.Minimize1->Checked(), true);
    f.Minimize1->Click();
    EXPECT_EQ(f.Minimize1->Checked(), false);
}

TEST_F(WindowTest, StartedMaximisedOnlyOnceAndTheTrayBringsBackTheUsersSize) {
    Tquillnestform& f = *form_;
    ASSERT_EQ(Application().MainForm(), &f) << "bringing the application to the front raises this window";
    f.StartMaximized = true;
    f.Show();
    formstest::Pump();
    EXPECT_EQ(f.WindowState(), wsMaximized);
    f.SetWindowState(wsNormal);  // the user restores it
    f.Hide();                    // then hides it in the tray
    formstest::Pump();
    f.TrayIconClick(nullptr);
    formstest::Pump();
    EXPECT_TRUE(f.Visible());
    EXPECT_EQ(f.WindowState(), wsNormal) << "a show must not maximise it again";
}

}  // namespace
