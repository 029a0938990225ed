#include "ui/mainform_controls.h"

#include <algorithm>

#include "platform/programdir.h"

using namespace forms;

namespace {

constexpr int kRow = TquillnestformControls::kEditHeight + 2;  // design placement; FormResize lays out
constexpr int kButtonW = TquillnestformControls::kButtonWidth;
constexpr int kButtonH = TquillnestformControls::kButtonHeight;
constexpr int kCheckH = TquillnestformControls::kCheckHeight;
constexpr int kEditH = TquillnestformControls::kEditHeight;

// Creates a control owned by the form, named, on its parent, at a place.
template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

TCheckBox* Check(TComponent* o, TWinControl* p, const char* name, const char* caption, bool checked, int t) {
    auto* c = Make<TCheckBox>(o, p, name, 6, t, 200, kCheckH);
    c->SetCaption(caption);
    // As wide as its caption; the layout widens the ones that span a column.
    c->SetWidth(c->Widget()->sizeHint().width());
    c->SetChecked(checked);
    return c;
}

TEdit* Edit(TComponent* o, TWinControl* p, const char* name, const std::string& text, int maxLength, int t) {
    auto* e = Make<TEdit>(o, p, name, 6, t, 200, kEditH);
    e->SetText(text);
    e->SetMaxLength(maxLength);
    return e;
}

TLabel* Label(TComponent* o, TWinControl* p, const char* name, const char* caption, int t) {
    auto* l = Make<TLabel>(o, p, name, 6, t, 0, 0);
    l->SetCaption(caption);
    return l;
}

TBitBtn* Button(TComponent* o, TWinControl* p, const char* name, const char* caption, int l, int t) {
    auto* b = Make<TBitBtn>(o, p, name, l, t, kButtonW, kButtonH);
    b->SetCaption(caption);
    // A long caption widens its button; the layout keeps the width.
    b->SetWidth(std::max(kButtonW, b->Widget()->sizeHint().width()));
    return b;
}

// A browse button: narrow, "...".
TBitBtn* Browse(TComponent* o, TWinControl* p, const char* name) {
    auto* b = Make<TBitBtn>(o, p, name, 0, 0, kEditH + 4, kEditH);
    b->SetCaption("...");
    return b;
}

TPanel* Fill(TComponent* o, TWinControl* p, const char* name) {
    auto* panel = Make<TPanel>(o, p, name, 0, 0, 100, 100);
    panel->SetAlign(alClient);
    return panel;
}

// A service picture: a panel holding the picture box with the service's
// picture compiled into the program.
TPanel* Picture(TComponent* o, TWinControl* p, const char* name, const char* picture, int l) {
    auto* panel = Make<TPanel>(o, p, name, l, 6, TquillnestformControls::kPictureWidth,
                               TquillnestformControls::kPictureHeight);
    auto* image = new TImage(o);
    image->SetParent(panel);
    image->SetAlign(alClient);
    image->LoadPicture(picture);
    return panel;
}

// A list with its New, Remove and Properties buttons in one row below it.
struct ListRow {
    TListBox* list;
    TBitBtn* add;
    TBitBtn* remove;
    TBitBtn* properties;
};

ListRow ListWithButtons(TComponent* o, TWinControl* p, const char* list, bool sorted, const char* add,
                        const char* remove, const char* properties, int top) {
    ListRow r;
    r.list = Make<TListBox>(o, p, list, 4, top, 300, 200);
    r.list->SetSorted(sorted);
    const int buttons = top + 206;
    r.add = Button(o, p, add, "New", 4, buttons);
    r.remove = Button(o, p, remove, "Remove", 4 + kButtonW + 6, buttons);
    r.properties = Button(o, p, properties, "Properties", 4 + 2 * (kButtonW + 6), buttons);
    return r;
}

// A sheet of a page control whose only control is a named panel filling it.
TPanel* SheetPanel(TComponent* o, TPageControl* pc, const char* caption, const char* panelName) {
    auto* sheet = new TTabSheet(o);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pc);
    return Fill(o, sheet, panelName);
}

}  // namespace

TquillnestformControls::TquillnestformControls(TComponent* AOwner) : TForm(AOwner) {
    SetName("quillnestform");
    SetCaption("Quillnest");
    SetBounds(0, 0, kDesignWidth, kDesignHeight);
    SetConstraints({kMinWidth, kMinHeight});
    SetKeyPreview(true);

    Panel1 = Fill(this, this, "Panel1");
    TabbedNotebook1 = Make<TTabbedNotebook>(this, Panel1, "TabbedNotebook1", 6, 6, 620, 400);
    BuildServicesPage(TabbedNotebook1->AddPage("Services"));
    BuildAccountsPage(TabbedNotebook1->AddPage("Accounts"));
    BuildStatusPage(TabbedNotebook1->AddPage("Status"));
    BuildBlacklistPage(TabbedNotebook1->AddPage("Blacklist"));

    // Made last so that it lies above everything when shutdown shows it.
    shutdownpanel = Make<TPanel>(this, this, "shutdownpanel", 200, 200, 250, 60);
    shutdownpanel->SetCaption("Shutting down...");
    shutdownpanel->SetVisible(false);

    BuildMenus();
    BuildTimers();
}

void TquillnestformControls::BuildServicesPage(TWinControl* page) {
    Panel2 = Fill(this, page, "Panel2");
    TabbedNotebook2 = Make<TTabbedNotebook>(this, Panel2, "TabbedNotebook2", 6, 6, 600, 360);
    BuildWebPage(TabbedNotebook2->AddPage("Web"));
    BuildFtpPage(TabbedNotebook2->AddPage("FTP"));
    BuildMailPage(TabbedNotebook2->AddPage("E-Mail"));
    BuildTelnetPage(TabbedNotebook2->AddPage("Telnet"));
}

void TquillnestformControls::BuildWebPage(TWinControl* page) {
    Panel4 = Fill(this, page, "Panel4");
    Panel15 = Fill(this, Panel4, "Panel15");
    TWinControl* p = Panel15;
    const std::string root = platform::ProgramDir();
    int y = 6;
    webenabled = Check(this, p, "webenabled", "Enable HTTP Server", true, y);
    Label3 = Label(this, p, "Label3", "Port:", y += kRow);
    webport = Edit(this, p, "webport", "80", kPortMaxLength, y += kRow);
    Label4 = Label(this, p, "Label4", "Default Web Root:", y += kRow);
    webdir = Edit(this, p, "webdir", root + "wwwroot/", kFolderMaxLength, y += kRow);
    webdirbrowse = Browse(this, p, "webdirbrowse");
    Label5 = Label(this, p, "Label5", "Welcome Files:", y += kRow);
    webindex = Edit(this, p, "webindex", "default.asp;default.php;index.html; index.htm", 0, y += kRow);
    dirlistings = Check(this, p, "dirlistings", "List Folder Contents", false, y += kRow);
    Bevel4 = Make<TBevel>(this, p, "Bevel4", 6, y += kRow, 200, 2);
    Bevel4->SetShape(bsTopLine);
    cgienabled = Check(this, p, "cgienabled", "Enable CGI / ISAPI", false, y += 6);
    Label6 = Label(this, p, "Label6", "CGI Folder:", y += kRow);
    cgidir = Edit(this, p, "cgidir", root + "cgi-bin/", kFolderMaxLength, y += kRow);
    cgibrowse = Browse(this, p, "cgibrowse");
    Label7 = Label(this, p, "Label7", "CGI Alias:", y += kRow);
    cgialias = Edit(this, p, "cgialias", "cgi-bin", 0, y += kRow);
    Bevel1 = Make<TBevel>(this, p, "Bevel1", 6, y += kRow, 200, 2);
    Bevel1->SetShape(bsTopLine);
    ssienabled = Check(this, p, "ssienabled", "Enable Server Side Includes", false, y += 6);
    webpic = Picture(this, p, "webpic", "webpicture", 100);

    tabbednotebook5 = Make<TPageControl>(this, p, "tabbednotebook5", 240, 6, 320, 300);
    panel16 = SheetPanel(this, tabbednotebook5, "Domains", "panel16");
    ListRow r = ListWithButtons(this, panel16, "webdomainslist", true, "newwebdomain", "removewebdomain",
                                "webdomainproperties", 4);
    webdomainslist = r.list, newwebdomain = r.add, removewebdomain = r.remove, webdomainproperties = r.properties;

    panel17 = SheetPanel(this, tabbednotebook5, "Virtual Paths", "panel17");
    Domainlabel = Make<TLabel>(this, panel17, "Domainlabel", 4, 4, 0, 0);
    Domainlabel->SetCaption("Domain:");
    domaincombo = Make<TComboBox>(this, panel17, "domaincombo", 4, 20, 300, kRow);
    domaincombo->SetStyle(csDropDownList);
    virtualpathslabel = Make<TLabel>(this, panel17, "virtualpathslabel", 4, 50, 0, 0);
    virtualpathslabel->SetCaption("Virtual Paths:");
    r = ListWithButtons(this, panel17, "virtualpathslist", true, "newvirtualpath", "removevirtualpath",
                        "virtualpathproperties", 66);
    virtualpathslist = r.list, newvirtualpath = r.add, removevirtualpath = r.remove,
    virtualpathproperties = r.properties;

    panel18 = SheetPanel(this, tabbednotebook5, "MIME", "panel18");
    r = ListWithButtons(this, panel18, "mimelist", true, "newmime", "removemime", "mimeproperties", 4);
    mimelist = r.list, newmime = r.add, removemime = r.remove, mimeproperties = r.properties;

    panel21 = SheetPanel(this, tabbednotebook5, "CGI / ISAPI", "panel21");
    r = ListWithButtons(this, panel21, "cgitypeslist", true, "newcgitype", "removecgitype", "cgitypeproperties", 4);
    cgitypeslist = r.list, newcgitype = r.add, removecgitype = r.remove, cgitypeproperties = r.properties;
    // The built-in kinds, which have no record.
    cgitypeslist->Items()->Add("dll");
    cgitypeslist->Items()->Add("exe");
}

void TquillnestformControls::BuildFtpPage(TWinControl* page) {
    Panel8 = Fill(this, page, "Panel8");
    Panel6 = Fill(this, Panel8, "Panel6");
    TWinControl* p = Panel6;
    int y = 6;
    ftpenabled = Check(this, p, "ftpenabled", "Enable FTP Server", true, y);
    Label14 = Label(this, p, "Label14", "Port:", y += kRow);
    ftpport = Edit(this, p, "ftpport", "21", kPortMaxLength, y += kRow);
    ftpnamelabel = Label(this, p, "ftpnamelabel", "Server Name:", y += kRow);
    ftpname = Edit(this, p, "ftpname", "", 0, y += kRow);
    anonymousenabled = Check(this, p, "anonymousenabled", "Allow Anonymous Access", true, y += kRow);

    anonftpbox = Make<TGroupBox>(this, p, "anonftpbox", 6, y += kRow, 220, 80);
    anonftpbox->SetCaption("Anonymous Limits");
    ftppanel = Fill(this, anonftpbox, "ftppanel");
    anonmaxconcheck = Check(this, ftppanel, "anonmaxconcheck", "Max Connections:", false, 6);
    anonmaxcon = Make<TEdit>(this, ftppanel, "anonmaxcon", 130, 3, 60, kRow);
    anonmaxcon->SetMaxLength(kCountMaxLength);
    anonmaxbancheck = Check(this, ftppanel, "anonmaxbancheck", "Max Bandwidth:", false, 6 + kRow);
    anonmaxban = Make<TEdit>(this, ftppanel, "anonmaxban", 130, 3 + kRow, 40, kRow);
    anonmaxban->SetMaxLength(kCountMaxLength);
    // Both edits start where the wider caption ends.
    const int captions = std::max(anonmaxconcheck->Width(), anonmaxbancheck->Width());
    anonmaxconcheck->SetWidth(captions);
    anonmaxbancheck->SetWidth(captions);
    anonkps = Make<TLabel>(this, ftppanel, "anonkps", 173, 6 + kRow, 0, 0);
    anonkps->SetCaption("kB/s");

    sharedenabled = Check(this, p, "sharedenabled", "Allow Shared Paths", true, y += 86);
    superenabled = Check(this, p, "superenabled", "Allow Superuser Paths", true, y += kRow);
    ftppic = Picture(this, p, "ftppic", "ftppicture", 100);

    tabbednotebook3 = Make<TPageControl>(this, p, "tabbednotebook3", 240, 6, 320, 300);
    panel10 = SheetPanel(this, tabbednotebook3, "Anonymous", "panel10");
    ListRow r = ListWithButtons(this, panel10, "anonymouspathslist", false, "bitbtn12", "bitbtn10", "bitbtn11", 4);
    anonymouspathslist = r.list, bitbtn12 = r.add, bitbtn10 = r.remove, bitbtn11 = r.properties;

    panel11 = SheetPanel(this, tabbednotebook3, "Shared", "panel11");
    userslabel = Make<TLabel>(this, panel11, "userslabel", 4, 4, 0, 0);
    userslabel->SetCaption("User or Group:");
    ftpusers = Make<TComboBox>(this, panel11, "ftpusers", 4, 20, 300, kRow);
    ftpusers->SetStyle(csDropDownList);
    sharedpathslabel = Make<TLabel>(this, panel11, "sharedpathslabel", 4, 50, 0, 0);
    sharedpathslabel->SetCaption("Shared Paths:");
    r = ListWithButtons(this, panel11, "sharedpathslist", false, "bitbtn4", "bitbtn5", "bitbtn6", 66);
    sharedpathslist = r.list, bitbtn4 = r.add, bitbtn5 = r.remove, bitbtn6 = r.properties;

    panel12 = SheetPanel(this, tabbednotebook3, "Superuser", "panel12");
    r = ListWithButtons(this, panel12, "superuserpathslist", false, "bitbtn9", "bitbtn7", "bitbtn8", 4);
    superuserpathslist = r.list, bitbtn9 = r.add, bitbtn7 = r.remove, bitbtn8 = r.properties;
}

void TquillnestformControls::BuildMailPage(TWinControl* page) {
    Panel25 = Fill(this, page, "Panel25");
    Panel7 = Fill(this, Panel25, "Panel7");
    TWinControl* p = Panel7;
    int y = 6;
    emailenabled = Check(this, p, "emailenabled", "Enable SMTP Server", true, y);
    Label8 = Label(this, p, "Label8", "Port:", y += kRow);
    emailport = Edit(this, p, "emailport", "25", kPortMaxLength, y += kRow);
    // Ticked until the settings are read: start-up rebuilds the relay queue while it is.
    relayemail = Check(this, p, "relayemail", "Relay Outgoing Mail", true, y += kRow);

    relaybox = Make<TGroupBox>(this, p, "relaybox", 6, y += kRow, 220, 170);
    relaybox->SetCaption("Relay Settings");
    Panel22 = Fill(this, relaybox, "Panel22");
    int r = 3;
    helodomainlabel = Label(this, Panel22, "helodomainlabel", "HELO Host Name:", r);
    helodomain = Edit(this, Panel22, "helodomain", "Quillnest", kHeloMaxLength, r += 16);
    mxlabel = Label(this, Panel22, "mxlabel", "DNS Servers for MX Lookups:", r += kRow + 2);
    relaydns1 = Edit(this, Panel22, "relaydns1", "relaydns1", 0, r += 16);
    relaydns2 = Edit(this, Panel22, "relaydns2", "relaydns2", 0, r += kRow + 2);
    maxrcptcheck = Check(this, Panel22, "maxrcptcheck", "Max Recipients:", false, r += kRow + 6);
    maxrcpt = Make<TEdit>(this, Panel22, "maxrcpt", 130, r - 3, 60, kRow);
    maxrcpt->SetMaxLength(kCountMaxLength);
    antispam = Check(this, Panel22, "antispam", "Require Authentication to Relay", true, r += kRow);

    Bevel2 = Make<TBevel>(this, p, "Bevel2", 6, y += 176, 200, 2);
    Bevel2->SetShape(bsTopLine);
    popenabled = Check(this, p, "popenabled", "Enable POP3 Server", true, y += 8);
    Label13 = Label(this, p, "Label13", "Port:", y += kRow);
    popport = Edit(this, p, "popport", "110", kPortMaxLength, y += kRow);
    emailpic = Picture(this, p, "emailpic", "emailpicture", 100);

    mailtabs = Make<TPageControl>(this, p, "mailtabs", 240, 6, 320, 300);
    panel26 = SheetPanel(this, mailtabs, "Domains", "panel26");
    ListRow l = ListWithButtons(this, panel26, "emaildomains", true, "newemailhost", "removeemailhost",
                                "changemailhost", 4);
    emaildomains = l.list, newemailhost = l.add, removeemailhost = l.remove, changemailhost = l.properties;
    forwardpanel = SheetPanel(this, mailtabs, "Forwards", "forwardpanel");
    l = ListWithButtons(this, forwardpanel, "forwards", true, "newforward", "removeforward", "forwardproperties", 4);
    forwards = l.list, newforward = l.add, removeforward = l.remove, forwardproperties = l.properties;
}

void TquillnestformControls::BuildTelnetPage(TWinControl* page) {
    Panel3 = Make<TPanel>(this, page, "Panel3", 6, 6, 360, 200);
    TWinControl* p = Panel3;
    int y = 6;
    TelnetEnabled = Check(this, p, "TelnetEnabled", "Enable Telnet Server", false, y);
    telnetpic = Picture(this, p, "telnetpic", "telnetpicture", 246);
    Label2 = Label(this, p, "Label2", "Port:", y += kRow);
    telnetport = Edit(this, p, "telnetport", "23", kPortMaxLength, y += kRow);
    commandprompt = Check(this, p, "commandprompt", "Superusers May Open the Command Prompt", false, y += kRow);
    Label1 = Label(this, p, "Label1", "Splash Screen File:", y += kRow);
    telnetsplash = Edit(this, p, "telnetsplash", "telnetsplash", 0, y += kRow);
    bitbtn1 = Browse(this, p, "bitbtn1");

    // Nothing shows it; its list and buttons are kept in state all the same.
    TabbedNotebook7 = Make<TTabbedNotebook>(this, page, "TabbedNotebook7", 372, 6, 220, 300);
    TabbedNotebook7->SetVisible(false);
    consoleapppanel = Fill(this, TabbedNotebook7->AddPage("Console Programs"), "consoleapppanel");
    ListRow r = ListWithButtons(this, consoleapppanel, "consoleapplist", false, "newconsoleapp", "removeconsoleapp",
                                "consoleappproperties", 4);
    consoleapplist = r.list, newconsoleapp = r.add, removeconsoleapp = r.remove, consoleappproperties = r.properties;
}

void TquillnestformControls::BuildAccountsPage(TWinControl* page) {
    homedirlabel = Label(this, page, "homedirlabel", "Home directory: ", 6);
    accountslabel = Label(this, page, "accountslabel", "Accounts:", 26);
    accountslist = Make<uni::TUniListView>(this, page, "accountslist", 6, 44, 600, 260);
    accountslist->AddColumn("User Name", 100);
    accountslist->AddColumn("Description", 445);
    accountslist->SetRowSelect(true);
    accountslist->SetReadOnly(true);
    addaccountbutton = Button(this, page, "addaccountbutton", "New", 6, 310);
    removeaccountbutton = Button(this, page, "removeaccountbutton", "Remove", 6 + kButtonW + 6, 310);
    accountpropertiesbutton = Button(this, page, "accountpropertiesbutton", "Properties", 6 + 2 * (kButtonW + 6), 310);
    changehome = Button(this, page, "changehome", "Home Folder...", 520, 310);
}

namespace {
uni::TUniListView* ReportView(TComponent* o, TWinControl* p, const char* name, int top,
                              std::initializer_list<std::pair<const char*, int>> columns) {
    auto* v = Make<uni::TUniListView>(o, p, name, 6, top, 560, 120);
    for (const auto& [caption, width] : columns) v->AddColumn(caption, width);
    v->SetRowSelect(true);
    v->SetReadOnly(true);
    return v;
}
}  // namespace

void TquillnestformControls::BuildStatusPage(TWinControl* page) {
    Panel5 = Fill(this, page, "Panel5");
    TabbedNotebook4 = Make<TTabbedNotebook>(this, Panel5, "TabbedNotebook4", 6, 6, 600, 360);

    TWinControl* info = TabbedNotebook4->AddPage("Info");
    infoservices = Make<TGroupBox>(this, info, "infoservices", 6, 6, 560, 150);
    infoservices->SetCaption("Services");
    Panel20 = Fill(this, infoservices, "Panel20");
    int y = 3;
    infoweb = Label(this, Panel20, "infoweb", "HTTP:", y);
    infoftp = Label(this, Panel20, "infoftp", "FTP:", y += 17);
    infoemail = Label(this, Panel20, "infoemail", "SMTP:", y += 17);
    infopop = Label(this, Panel20, "infopop", "POP3:", y += 17);
    infotelnet = Label(this, Panel20, "infotelnet", "Telnet:", y += 17);
    totalconn = Label(this, Panel20, "totalconn", "Total Connections: 0", y += 19);
    dynlabel = Label(this, info, "dynlabel", "", 170);
    dynlabel->SetVisible(false);

    TWinControl* connections = TabbedNotebook4->AddPage("Connections");
    protocoltree = Make<TTreeView>(this, connections, "protocoltree", 6, 6, 560, 260);
    protocoltree->SetReadOnly(true);
    // Taken by position at start-up as the roots of HTTP, FTP, SMTP, POP3 and Telnet.
    for (const char* root : {"HTTP", "FTP", "SMTP", "POP3", "Telnet"}) protocoltree->Items()->Add(nullptr, root);
    bitbtn2 = Button(this, connections, "bitbtn2", "Kill Connection", 6, 272);
    bitbtn2->SetEnabled(false);

    TWinControl* log = TabbedNotebook4->AddPage("Log");
    logfilelabel = Check(this, log, "logfilelabel", "Log to File", false, 6);
    lockbottom = Check(this, log, "lockbottom", "Lock to Bottom", false, 6 + kRow);
    status = Make<TListBox>(this, log, "status", 6, 6 + 2 * kRow, 560, 220);
    status->SetMultiSelect(true);
    clearlog = Button(this, log, "clearlog", "Clear", 490, 280);
    bitbtn3 = Button(this, log, "bitbtn3", "Log File...", 490 - kButtonW - 6, 280);
    scratchpad = Make<TMemo>(this, log, "scratchpad", 6, 280, 100, 20);
    scratchpad->SetVisible(false);

    TWinControl* down = TabbedNotebook4->AddPage("Downloads");
    monitordownloads = Check(this, down, "monitordownloads", "Track Downloads", false, 6);
    downloads = ReportView(this, down, "downloads", 6 + kRow,
                           {{"File", 96}, {"Location", 150}, {"Size", 64}, {"User Name", 96}, {"Download Date", 96}});
    monitorstats = Check(this, down, "monitorstats", "Track Download Stats", false, 156);
    dstats = ReportView(this, down, "dstats", 156 + kRow, {{"File", 96}, {"Location", 150}, {"Downloads", 96}});
    dstats->Column(2)->SetAlignment(taRightJustify);
    cleardownloads = Button(this, down, "cleardownloads", "Clear", 490, 306);
    clearstats = Button(this, down, "clearstats", "Clear Stats", 490 - kButtonW - 6, 306);

    TWinControl* up = TabbedNotebook4->AddPage("Uploads");
    monitoruploads = Check(this, up, "monitoruploads", "Track Uploads", false, 6);
    uploads = ReportView(this, up, "uploads", 6 + kRow,
                         {{"File", 96}, {"Location", 150}, {"Size", 64}, {"User Name", 96}, {"Upload Date", 96}});
    clearuploads = Button(this, up, "clearuploads", "Clear", 490, 160);
}

void TquillnestformControls::BuildBlacklistPage(TWinControl* page) {
    Panel27 = Fill(this, page, "Panel27");
    TabbedNotebook6 = Make<TTabbedNotebook>(this, Panel27, "TabbedNotebook6", 6, 6, 600, 360);

    TWinControl* bans = TabbedNotebook6->AddPage("Blacklist");
    blacklistenabled = Check(this, bans, "blacklistenabled", "Enable Blacklist", true, 6);
    bannedattempts = Check(this, bans, "bannedattempts", "Log Refused Attempts", false, 6 + kRow);
    blacklistlabel = Label(this, bans, "blacklistlabel", "Blacklisted Addresses:", 6 + 2 * kRow);
    ListRow r = ListWithButtons(this, bans, "blacklist", false, "newban", "removeban", "banproperties", 6 + 3 * kRow);
    blacklist = r.list, newban = r.add, removeban = r.remove, banproperties = r.properties;

    TWinControl* triggers = TabbedNotebook6->AddPage("HTTP Triggers");
    r = ListWithButtons(this, triggers, "triggerlistbox", false, "newtrigger", "removetrigger", "triggerproperties", 6);
    triggerlistbox = r.list, newtrigger = r.add, removetrigger = r.remove, triggerproperties = r.properties;
}

void TquillnestformControls::BuildMenus() {
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    auto item = [this](TMenuItem* parent, const char* name, const char* caption) {
        auto* m = new TMenuItem(this);
        m->SetName(name);
        m->SetCaption(caption);
        parent->Add(m);
        return m;
    };
    File1 = item(MainMenu1->Items(), "File1", "&File");
    Runonstartup1 = item(File1, "Runonstartup1", "Run on Startup");
    Runonstartup1->SetChecked(true);
    Minimize1 = item(File1, "Minimize1", "Start Minimized");
    AutoLogon1 = item(File1, "AutoLogon1", "Automatic Logon...");
    DynamicDNS1 = item(File1, "DynamicDNS1", "Dynamic DNS");
    DynDNS1 = item(DynamicDNS1, "DynDNS1", "DynDNS Settings...");
    NoIpSettings1 = item(DynamicDNS1, "NoIpSettings1", "No-IP Settings...");
    N1 = item(File1, "N1", "-");
    Exit1 = item(File1, "Exit1", "E&xit");
    Services1 = item(MainMenu1->Items(), "Services1", "&Services");
    EnabledHTTP1 = item(Services1, "EnabledHTTP1", "HTTP Enabled");
    EnabledFTP1 = item(Services1, "EnabledFTP1", "FTP Enabled");
    EnabledSMTP1 = item(Services1, "EnabledSMTP1", "SMTP Enabled");
    EnabledPOP31 = item(Services1, "EnabledPOP31", "POP3 Enabled");
    EnabledTelnet1 = item(Services1, "EnabledTelnet1", "Telnet Enabled");
    N3 = item(Services1, "N3", "-");
    EnableAll1 = item(Services1, "EnableAll1", "Enable All");
    DisableAll1 = item(Services1, "DisableAll1", "Disable All");
    Help1 = item(MainMenu1->Items(), "Help1", "&Help");
    Help2 = item(Help1, "Help2", "Help");
    N2 = item(Help1, "N2", "-");
    About1 = item(Help1, "About1", "About...");
    SetMenu(MainMenu1);
}

void TquillnestformControls::BuildTimers() {
    auto timer = [this](const char* name, unsigned interval, bool enabled) {
        auto* t = new TTimer(this);
        t->SetName(name);
        t->SetEnabled(false);
        t->SetInterval(interval);
        t->SetEnabled(enabled);
        return t;
    };
    Timer1 = timer("Timer1", 500, false);
    Timer2 = timer("Timer2", 50, false);
    Timer3 = timer("Timer3", 10, false);
    kpstimer = timer("kpstimer", 1000, true);
    Timer4 = timer("Timer4", 10000, true);
    blacklisttimer = timer("blacklisttimer", 30000, true);
    noiptimer = timer("noiptimer", 5000, false);
    dyndnstimer = timer("dyndnstimer", 5000, false);

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetName("OpenDialog1");
    OpenDialog1->Filter = "All Files (*.*)|*.*|Text Files (*.txt)|*.txt|ASCII Files (*.asc)|*.asc|ANSI Files (*.ans)|*.ans";
}
