// Every named control of the main window exists by name with its kind, its
// design value and limit, and where the design puts it.
#include <gtest/gtest.h>

#include "forms/forms.h"
#include "platform/programdir.h"
#include "ui/mainform_controls.h"

using namespace forms;

namespace {

enum Kind { kCheck, kEdit, kLabel, kButton, kList, kSortedList, kMultiList, kCombo, kListView, kTree, kPanel,
            kGroup, kBevel, kNotebook, kPageControl, kMemo };

struct Row {
    const char* name;
    Kind kind;
    const char* value = nullptr;  // check box "1"/"0"; edit text; nullptr: not fixed by the design
    int maxLength = -1;           // edits: design limit (0 = none); -1: not checked
    const char* parent = nullptr; // named parent where the design fixes it
};

// The design's values, with the port's own folders for the two Windows defaults.
std::string Expand(const char* v) {
    std::string s = v;
    const std::string mark = "<program>";
    if (s.rfind(mark, 0) == 0) s = platform::ProgramDir() + s.substr(mark.size());
    return s;
}

const Row kRows[] = {
    // frame
    {"Panel1", kPanel},
    {"shutdownpanel", kPanel},
    {"TabbedNotebook1", kNotebook, nullptr, -1, "Panel1"},
    {"Panel2", kPanel},
    {"TabbedNotebook2", kNotebook, nullptr, -1, "Panel2"},
    {"Panel5", kPanel},
    {"TabbedNotebook4", kNotebook, nullptr, -1, "Panel5"},
    {"Panel27", kPanel},
    {"TabbedNotebook6", kNotebook, nullptr, -1, "Panel27"},
    // Web
    {"Panel4", kPanel}, {"Panel15", kPanel},
    {"webenabled", kCheck, "1"},
    {"Label3", kLabel},
    {"webport", kEdit, "80", 5},
    {"Label4", kLabel},
    {"webdir", kEdit, "<program>wwwroot/", 255},
    {"webdirbrowse", kButton},
    {"Label5", kLabel},
    {"webindex", kEdit, "default.asp;default.php;index.html; index.htm"},
    {"dirlistings", kCheck, "0"},
    {"Bevel4", kBevel},
    {"cgienabled", kCheck, "0"},
    {"Label6", kLabel},
    {"cgidir", kEdit, "<program>cgi-bin/", 255},
    {"cgibrowse", kButton},
    {"Label7", kLabel},
    {"cgialias", kEdit, "cgi-bin"},
    {"Bevel1", kBevel},
    {"ssienabled", kCheck, "0"},
    {"webpic", kPanel},
    {"tabbednotebook5", kPageControl},
    {"panel16", kPanel}, {"webdomainslist", kSortedList, nullptr, -1, "panel16"},
    {"newwebdomain", kButton, nullptr, -1, "panel16"}, {"removewebdomain", kButton}, {"webdomainproperties", kButton},
    {"panel17", kPanel}, {"Domainlabel", kLabel}, {"domaincombo", kCombo, nullptr, -1, "panel17"},
    {"virtualpathslabel", kLabel}, {"virtualpathslist", kSortedList, nullptr, -1, "panel17"},
    {"newvirtualpath", kButton}, {"removevirtualpath", kButton}, {"virtualpathproperties", kButton},
    {"panel18", kPanel}, {"mimelist", kSortedList, nullptr, -1, "panel18"},
    {"newmime", kButton}, {"removemime", kButton}, {"mimeproperties", kButton},
    {"panel21", kPanel}, {"cgitypeslist", kSortedList, nullptr, -1, "panel21"},
    {"newcgitype", kButton}, {"removecgitype", kButton}, {"cgitypeproperties", kButton},
    // FTP
    {"Panel8", kPanel}, {"Panel6", kPanel},
    {"ftpenabled", kCheck, "1"},
    {"Label14", kLabel},
    {"ftpport", kEdit, "21", 5},
    {"ftpnamelabel", kLabel},
    {"ftpname", kEdit, ""},
    {"anonymousenabled", kCheck, "1"},
    {"anonftpbox", kGroup},
    {"ftppanel", kPanel, nullptr, -1, "anonftpbox"},
    {"anonmaxconcheck", kCheck, "0", -1, "ftppanel"},
    {"anonmaxcon", kEdit, "", 7, "ftppanel"},
    {"anonmaxbancheck", kCheck, "0", -1, "ftppanel"},
    {"anonmaxban", kEdit, "", 7, "ftppanel"},
    {"anonkps", kLabel, nullptr, -1, "ftppanel"},
    {"sharedenabled", kCheck, "1"},
    {"superenabled", kCheck, "1"},
    {"ftppic", kPanel},
    {"tabbednotebook3", kPageControl},
    {"panel10", kPanel}, {"anonymouspathslist", kList, nullptr, -1, "panel10"},
    {"bitbtn12", kButton}, {"bitbtn10", kButton}, {"bitbtn11", kButton},
    {"panel11", kPanel}, {"userslabel", kLabel}, {"ftpusers", kCombo, nullptr, -1, "panel11"},
    {"sharedpathslabel", kLabel}, {"sharedpathslist", kList, nullptr, -1, "panel11"},
    {"bitbtn4", kButton}, {"bitbtn5", kButton}, {"bitbtn6", kButton},
    {"panel12", kPanel}, {"superuserpathslist", kList, nullptr, -1, "panel12"},
    {"bitbtn9", kButton}, {"bitbtn7", kButton}, {"bitbtn8", kButton},
    // E-Mail
    {"Panel25", kPanel}, {"Panel7", kPanel},
    {"emailenabled", kCheck, "1"},
    {"Label8", kLabel},
    {"emailport", kEdit, "25", 5},
    {"relayemail", kCheck, "1"},  // ticked until the settings are read
    {"relaybox", kGroup},
    {"Panel22", kPanel, nullptr, -1, "relaybox"},
    {"helodomainlabel", kLabel, nullptr, -1, "Panel22"},
    {"helodomain", kEdit, "Quillnest", 64, "Panel22"},
    {"mxlabel", kLabel, nullptr, -1, "Panel22"},
    {"relaydns1", kEdit, "relaydns1", -1, "Panel22"},
    {"relaydns2", kEdit, "relaydns2", -1, "Panel22"},
    {"maxrcptcheck", kCheck, "0", -1, "Panel22"},
    {"maxrcpt", kEdit, "", 7, "Panel22"},
    {"antispam", kCheck, "1", -1, "Panel22"},  // relaying needs authentication
    {"Bevel2", kBevel},
    {"popenabled", kCheck, "1"},
    {"Label13", kLabel},
    {"popport", kEdit, "110", 5},
    {"emailpic", kPanel},
    {"mailtabs", kPageControl},
    {"panel26", kPanel}, {"emaildomains", kSortedList, nullptr, -1, "panel26"},
    {"newemailhost", kButton}, {"removeemailhost", kButton}, {"changemailhost", kButton},
    {"forwardpanel", kPanel}, {"forwards", kSortedList, nullptr, -1, "forwardpanel"},
    {"newforward", kButton}, {"removeforward", kButton}, {"forwardproperties", kButton},
    // Telnet
    {"Panel3", kPanel},
    {"TelnetEnabled", kCheck, "0", -1, "Panel3"},
    {"telnetpic", kPanel},
    {"Label2", kLabel},
    {"telnetport", kEdit, "23", 5},
    {"commandprompt", kCheck, "0"},
    {"Label1", kLabel},
    {"telnetsplash", kEdit, "telnetsplash"},
    {"bitbtn1", kButton},
    {"TabbedNotebook7", kNotebook},
    {"consoleapppanel", kPanel}, {"consoleapplist", kList, nullptr, -1, "consoleapppanel"},
    {"newconsoleapp", kButton}, {"removeconsoleapp", kButton}, {"consoleappproperties", kButton},
    // Accounts
    {"homedirlabel", kLabel}, {"accountslabel", kLabel}, {"accountslist", kListView},
    {"addaccountbutton", kButton}, {"removeaccountbutton", kButton}, {"accountpropertiesbutton", kButton},
    {"changehome", kButton},
    // Status
    {"infoservices", kGroup},
    {"Panel20", kPanel, nullptr, -1, "infoservices"},
    {"infoweb", kLabel, nullptr, -1, "Panel20"}, {"infoftp", kLabel, nullptr, -1, "Panel20"},
    {"infoemail", kLabel, nullptr, -1, "Panel20"}, {"infopop", kLabel, nullptr, -1, "Panel20"},
    {"infotelnet", kLabel, nullptr, -1, "Panel20"}, {"totalconn", kLabel, nullptr, -1, "Panel20"},
    {"dynlabel", kLabel},
    {"protocoltree", kTree}, {"bitbtn2", kButton},
    {"logfilelabel", kCheck, "0"}, {"lockbottom", kCheck, "0"}, {"status", kMultiList},
    {"bitbtn3", kButton}, {"clearlog", kButton}, {"scratchpad", kMemo},
    {"monitordownloads", kCheck, "0"}, {"downloads", kListView}, {"monitorstats", kCheck, "0"},
    {"dstats", kListView}, {"cleardownloads", kButton}, {"clearstats", kButton},
    {"monitoruploads", kCheck, "0"}, {"uploads", kListView}, {"clearuploads", kButton},
    // Blacklist
    {"blacklistenabled", kCheck, "1"}, {"bannedattempts", kCheck, "0"}, {"blacklistlabel", kLabel},
    {"blacklist", kList}, {"newban", kButton}, {"removeban", kButton}, {"banproperties", kButton},
    {"triggerlistbox", kList}, {"newtrigger", kButton}, {"removetrigger", kButton}, {"triggerproperties", kButton},
};

class MainFormControls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { form = new TquillnestformControls(); }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
    }
    static TquillnestformControls* form;
};
TquillnestformControls* MainFormControls::form = nullptr;

TEST_F(MainFormControls, EveryNamedControlWithKindValueAndPlace) {
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        TComponent* c = form->FindComponent(r.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Name(), r.name) << "found by its exact name";
        auto* control = dynamic_cast<TControl*>(c);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->Widget()->objectName().toStdString(), r.name);
        switch (r.kind) {
            case kCheck: {
                auto* x = dynamic_cast<TCheckBox*>(c);
                ASSERT_NE(x, nullptr);
                if (r.value) {
                    EXPECT_EQ(x->Checked(), std::string(r.value) == "1");
                }
                break;
            }
            case kEdit: {
                auto* x = dynamic_cast<TEdit*>(c);
                ASSERT_NE(x, nullptr);
                if (r.value) {
                    EXPECT_EQ(x->Text(), Expand(r.value));
                }
                if (r.maxLength >= 0) {
                    EXPECT_EQ(x->MaxLength(), r.maxLength);
                }
                break;
            }
            case kLabel: EXPECT_NE(dynamic_cast<TLabel*>(c), nullptr); break;
            case kButton: EXPECT_NE(dynamic_cast<TButton*>(c), nullptr); break;
            case kList:
            case kSortedList:
            case kMultiList: {
                auto* x = dynamic_cast<TListBox*>(c);
                ASSERT_NE(x, nullptr);
                EXPECT_EQ(x->Sorted(), r.kind == kSortedList);
                EXPECT_EQ(x->MultiSelect(), r.kind == kMultiList);
                // The CGI types list holds the built-in kinds at design.
                if (std::string(r.name) == "cgitypeslist")
                    EXPECT_EQ(x->Items()->ToVector(), (std::vector<std::string>{"dll", "exe"}));
                else
                    EXPECT_EQ(x->Items()->Count(), 0);
                break;
            }
            case kCombo: {
                auto* x = dynamic_cast<TComboBox*>(c);
                ASSERT_NE(x, nullptr);
                EXPECT_EQ(x->Style(), csDropDownList) << "a drop-down list";
                break;
            }
            case kListView: EXPECT_NE(dynamic_cast<TListView*>(c), nullptr); break;
            case kTree: EXPECT_NE(dynamic_cast<TTreeView*>(c), nullptr); break;
            case kPanel: EXPECT_NE(dynamic_cast<TPanel*>(c), nullptr); break;
            case kGroup: EXPECT_NE(dynamic_cast<TGroupBox*>(c), nullptr); break;
            case kBevel: EXPECT_NE(dynamic_cast<TBevel*>(c), nullptr); break;
            case kNotebook: EXPECT_NE(dynamic_cast<TTabbedNotebook*>(c), nullptr); break;
            case kPageControl: EXPECT_NE(dynamic_cast<TPageControl*>(c), nullptr); break;
            case kMemo: EXPECT_NE(dynamic_cast<TMemo*>(c), nullptr); break;
        }
        if (r.parent) {
            ASSERT_NE(control->Parent(), nullptr);
            EXPECT_EQ(control->Parent()->Name(), r.parent);
        }
    }
}

TEST_F(MainFormControls, PagesInTheirOrder) {
    struct Pages {
        const char* notebook;
        std::vector<std::string> pages;  // captions are the design's wording; the count and order are fixed
    };
    const Pages notebooks[] = {
        {"TabbedNotebook1", {"Services", "Accounts", "Status", "Blacklist"}},
        {"TabbedNotebook2", {"Web", "FTP", "E-Mail", "Telnet"}},
        {"TabbedNotebook4", {"Info", "Connections", "Log", "Downloads", "Uploads"}},
        {"TabbedNotebook6", {"Blacklist", "HTTP Triggers"}},
        {"TabbedNotebook7", {"Console Programs"}},
    };
    for (const Pages& n : notebooks) {
        SCOPED_TRACE(n.notebook);
        auto* nb = dynamic_cast<TTabbedNotebook*>(form->FindComponent(n.notebook));
        ASSERT_NE(nb, nullptr);
        ASSERT_EQ(nb->PageCount(), static_cast<int>(n.pages.size()));
        for (int i = 0; i < nb->PageCount(); ++i) EXPECT_EQ(nb->Page(i)->Caption(), n.pages[static_cast<size_t>(i)]);
        EXPECT_EQ(nb->PageIndex(), 0);
    }
    struct Sheets {
        const char* control;
        std::vector<std::string> panels;
    };
    const Sheets controls[] = {
        {"tabbednotebook5", {"panel16", "panel17", "panel18", "panel21"}},
        {"tabbednotebook3", {"panel10", "panel11", "panel12"}},
        {"mailtabs", {"panel26", "forwardpanel"}},
    };
    for (const Sheets& s : controls) {
        SCOPED_TRACE(s.control);
        auto* pc = dynamic_cast<TPageControl*>(form->FindComponent(s.control));
        ASSERT_NE(pc, nullptr);
        ASSERT_EQ(pc->PageCount(), static_cast<int>(s.panels.size()));
        for (int i = 0; i < pc->PageCount(); ++i) {
            ASSERT_EQ(pc->Pages(i)->ControlCount(), 1);
            EXPECT_EQ(pc->Pages(i)->Controls(0)->Name(), s.panels[static_cast<size_t>(i)]);
        }
    }
    EXPECT_EQ(form->TabbedNotebook1->Page(0)->Controls(0), form->Panel2);
    EXPECT_EQ(form->TabbedNotebook1->Page(2)->Controls(0), form->Panel5);
    EXPECT_EQ(form->TabbedNotebook1->Page(3)->Controls(0), form->Panel27);
    EXPECT_EQ(form->TabbedNotebook2->Page(0)->Controls(0), form->Panel4);
    EXPECT_EQ(form->TabbedNotebook2->Page(1)->Controls(0), form->Panel8);
    EXPECT_EQ(form->TabbedNotebook2->Page(2)->Controls(0), form->Panel25);
}

TEST_F(MainFormControls, HiddenAtDesign) {
    EXPECT_FALSE(form->TabbedNotebook7->Visible());
    EXPECT_FALSE(form->shutdownpanel->Visible());
    EXPECT_FALSE(form->scratchpad->Visible());
    EXPECT_FALSE(form->dynlabel->Visible());
    EXPECT_EQ(form->dynlabel->Caption(), "");
    EXPECT_FALSE(form->bitbtn2->Enabled());
}

TEST_F(MainFormControls, WindowDesign) {
    EXPECT_EQ(form->Width(), 650);
    EXPECT_EQ(form->Height(), 480);
    EXPECT_EQ(form->Constraints().MinWidth, 620);
    EXPECT_EQ(form->Constraints().MinHeight, 475);
    EXPECT_TRUE(form->KeyPreview());
    EXPECT_EQ(form->Menu(), form->MainMenu1);
    EXPECT_EQ(form->Panel1->Align(), alClient);
    for (const char* pic : {"webpic", "ftppic", "emailpic", "telnetpic"}) {
        SCOPED_TRACE(pic);
        auto* p = dynamic_cast<TControl*>(form->FindComponent(pic));
        EXPECT_EQ(p->Width(), 108);
        EXPECT_EQ(p->Height(), 56);
    }
}

TEST_F(MainFormControls, TimersAtDesign) {
    struct T {
        const char* name;
        unsigned interval;
        bool enabled;
    };
    const T timers[] = {
        {"Timer1", 500, false}, {"Timer2", 50, false}, {"Timer3", 10, false},
        {"kpstimer", 1000, true}, {"Timer4", 10000, true}, {"blacklisttimer", 30000, true},
        {"noiptimer", 5000, false}, {"dyndnstimer", 5000, false},
    };
    for (const T& t : timers) {
        SCOPED_TRACE(t.name);
        auto* timer = dynamic_cast<TTimer*>(form->FindComponent(t.name));
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->Interval(), t.interval);
        EXPECT_EQ(timer->Enabled(), t.enabled);
    }
    auto* open = dynamic_cast<TOpenDialog*>(form->FindComponent("OpenDialog1"));
    ASSERT_NE(open, nullptr);
    for (const char* pattern : {"*.*", "*.txt", "*.asc", "*.ans"}) EXPECT_NE(open->Filter.find(pattern), std::string::npos);
}

TEST_F(MainFormControls, MenusInTheirOrder) {
    struct Menu {
        const char* parent;
        std::vector<std::string> items;
    };
    const Menu menus[] = {
        {"File1", {"Runonstartup1", "Minimize1", "AutoLogon1", "DynamicDNS1", "N1", "Exit1"}},
        {"DynamicDNS1", {"DynDNS1", "NoIpSettings1"}},
        {"Services1", {"EnabledHTTP1", "EnabledFTP1", "EnabledSMTP1", "EnabledPOP31", "EnabledTelnet1", "N3",
                       "EnableAll1", "DisableAll1"}},
        {"Help1", {"Help2", "N2", "About1"}},
    };
    TMenuItem* root = form->MainMenu1->Items();
    ASSERT_EQ(root->Count(), 3);
    EXPECT_EQ(root->Items(0)->Name(), "File1");
    EXPECT_EQ(root->Items(1)->Name(), "Services1");
    EXPECT_EQ(root->Items(2)->Name(), "Help1");
    for (const Menu& m : menus) {
        SCOPED_TRACE(m.parent);
        auto* parent = dynamic_cast<TMenuItem*>(form->FindComponent(m.parent));
        ASSERT_NE(parent, nullptr);
        ASSERT_EQ(parent->Count(), static_cast<int>(m.items.size()));
        for (int i = 0; i < parent->Count(); ++i) EXPECT_EQ(parent->Items(i)->Name(), m.items[static_cast<size_t>(i)]);
    }
    for (const char* sep : {"N1", "N2", "N3"}) EXPECT_EQ(dynamic_cast<TMenuItem*>(form->FindComponent(sep))->Caption(), "-");
    EXPECT_TRUE(form->Runonstartup1->Checked()) << "checked at design";
    EXPECT_FALSE(form->Minimize1->Checked());
}

TEST_F(MainFormControls, ConnectionTreeRootsAndReportColumns) {
    TTreeNode* root = form->protocoltree->Items()->GetFirstNode();
    const char* order[] = {"HTTP", "FTP", "SMTP", "POP3", "Telnet"};
    for (const char* name : order) {
        SCOPED_TRACE(name);
        ASSERT_NE(root, nullptr);
        EXPECT_NE(root->Text().find(name), std::string::npos);
        root = root->GetNextSibling();
    }
    EXPECT_EQ(root, nullptr) << "exactly five roots";

    struct View {
        const char* name;
        std::vector<int> widths;
    };
    const View views[] = {
        {"accountslist", {100, 445}},
        {"downloads", {96, 150, 64, 96, 96}},
        {"dstats", {96, 150, 96}},
        {"uploads", {96, 150, 64, 96, 96}},
    };
    for (const View& v : views) {
        SCOPED_TRACE(v.name);
        auto* lv = dynamic_cast<TListView*>(form->FindComponent(v.name));
        ASSERT_NE(lv, nullptr);
        ASSERT_EQ(lv->ColumnCount(), static_cast<int>(v.widths.size()));
        for (int i = 0; i < lv->ColumnCount(); ++i) EXPECT_EQ(lv->Column(i)->Width(), v.widths[static_cast<size_t>(i)]);
        EXPECT_TRUE(lv->RowSelect());
        EXPECT_TRUE(lv->ReadOnly());
    }
}

}  // namespace
