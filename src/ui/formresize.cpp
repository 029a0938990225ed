// The main window's layout: every control is placed by code from the current
// panel sizes, on every resize and every change of tab page. Nothing is
// remembered between passes, so a pass can run any number of times.
#include <algorithm>
#include <initializer_list>

#include "ui/mainform_controls.h"

using namespace forms;

namespace {

constexpr int kMargin = 6;          // between controls, and from a panel's edges
constexpr int kLabelGap = 2;        // between a label and the input under it
constexpr int kSheetMargin = 4;     // lists and buttons on the right-hand sheets
constexpr int kSheetButtonRoom = 10;
constexpr int kBevelHeight = 2;
constexpr int kMinBoxHeight = 50;   // a group box before its contents are placed
constexpr int kPictureReach = 115;  // a service picture's left is L less this
constexpr int kPopBelowBevel = 8;
constexpr int kMaxRcptBelowDns = 11;
constexpr int kBesideCheckLift = 3;  // an edit beside its check box stands this much higher
constexpr int kKpsDrop = 3;
constexpr int kKpsGap = 3;
constexpr int kColumns = 13;         // L = 6 x (W div 13)

int Bottom(const TControl* c) { return c->Top() + c->Height(); }
int Right(const TControl* c) { return c->Left() + c->Width(); }

// A column of controls stacked from a top, each at the column's left.
class Column {
public:
    Column(int left, int top) : left_(left), y_(top) {}
    // Places c below the previous control with the given gap; width and
    // height of 0 keep the control's own (labels size themselves).
    TControl* Put(TControl* c, int gap, int width = 0, int height = 0) {
        const int top = first_ ? y_ : y_ + gap;
        c->SetBounds(left_, top, width > 0 ? width : c->Width(), height > 0 ? height : c->Height());
        first_ = false;
        y_ = Bottom(c);
        return c;
    }
    // A label and its input 2 below it.
    void Labelled(TControl* label, TControl* input, int width, int height, int gap = kMargin) {
        Put(label, gap);
        Put(input, kLabelGap, width, height);
    }
    int Y() const { return y_; }
    void SetY(int y) { y_ = y; }

private:
    int left_;
    int y_;
    bool first_ = true;
};

// New, Remove and Properties in one row from left, at top.
void ButtonRow(std::initializer_list<TControl*> buttons, int left, int top) {
    for (TControl* b : buttons) {
        b->SetBounds(left, top, b->Width(), b->Height());
        left = Right(b) + kMargin;
    }
}

// A list sheet: the list from top down to room for one row of buttons.
void ListSheet(TWinControl* sheet, TControl* list, int top, int widthLess,
               std::initializer_list<TControl*> buttons) {
    const int buttonHeight = (*buttons.begin())->Height();
    list->SetBounds(kSheetMargin, top, sheet->ClientWidth() - widthLess,
                    sheet->ClientHeight() - top - buttonHeight - kSheetButtonRoom);
    ButtonRow(buttons, kSheetMargin, Bottom(list) + kMargin);
}

// A page's list from top to room for a row of buttons, with its buttons at the left.
void PageList(TWinControl* page, TControl* list, int top, std::initializer_list<TControl*> buttons) {
    const int buttonHeight = (*buttons.begin())->Height();
    list->SetBounds(kMargin, top, page->ClientWidth() - 2 * kMargin,
                    page->ClientHeight() - top - buttonHeight - 2 * kMargin);
    ButtonRow(buttons, kMargin, Bottom(list) + kMargin);
}

void RightAlign(TControl* c, const TWinControl* panel, int top) {
    c->SetBounds(panel->ClientWidth() - c->Width() - kMargin, top, c->Width(), c->Height());
}

void LeftOf(TControl* c, const TControl* neighbour) {
    c->SetBounds(neighbour->Left() - kMargin - c->Width(), neighbour->Top(), c->Width(), c->Height());
}

// An edit with its browse button 6 to its right, same top and height.
void WithBrowse(TControl* edit, TControl* button, int editWidth) {
    edit->SetWidth(editWidth);
    button->SetBounds(Right(edit) + kMargin, edit->Top(), button->Width(), edit->Height());
}

// A group box wraps its inner panel's contents with 6 to spare.
void FitBox(TGroupBox* box, const TWinControl* inner, const TControl* last) {
    const int frame = box->Height() - inner->ClientHeight();
    box->SetHeight(Bottom(last) + frame + kMargin);
}

void AtLeast(TControl* c, int height) {
    if (c->Height() < height) c->SetHeight(height);
}

}  // namespace

void TquillnestformControls::FormResize(TObject*) {
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    TabbedNotebook1->SetBounds(kMargin, kMargin, cw - 2 * kMargin, ch - 2 * kMargin);
    for (TTabbedNotebook* nb : {TabbedNotebook2, TabbedNotebook4, TabbedNotebook6}) {
        auto* panel = static_cast<TWinControl*>(nb->Parent());
        nb->SetBounds(kMargin, kMargin, panel->ClientWidth() - 2 * kMargin, panel->ClientHeight() - 2 * kMargin);
    }
    LayoutWebPage();
    LayoutFtpPage();
    LayoutMailPage();
    LayoutTelnetPage();
    LayoutAccountsPage();
    LayoutStatusPages();
    LayoutBlacklistPages();

    // A port can only be edited while its service is off.
    for (auto [port, service] : {std::pair<TEdit*, TCheckBox*>{webport, webenabled}, {emailport, emailenabled},
                                 {ftpport, ftpenabled}, {telnetport, TelnetEnabled}, {popport, popenabled}})
        port->SetEnabled(!service->Checked());

    shutdownpanel->SetBounds((cw - shutdownpanel->Width()) / 2, (ch - shutdownpanel->Height()) / 2,
                             shutdownpanel->Width(), shutdownpanel->Height());
}

int TquillnestformControls::LeftColumnWidth(const TWinControl* outer) {
    return kMargin * (outer->ClientWidth() / kColumns);
}

// The right-hand page control of a two-column page.
static void RightPages(TControl* pages, const TWinControl* inner, int L) {
    pages->SetBounds(L - 1, kMargin, inner->ClientWidth() - L - 5, inner->ClientHeight() - 2 * kMargin);
}

static void ServicePicture(TControl* picture, const TControl* serviceSwitch, int L) {
    picture->SetBounds(L - kPictureReach, serviceSwitch->Top(), TquillnestformControls::kPictureWidth,
                       TquillnestformControls::kPictureHeight);
}

void TquillnestformControls::LayoutWebPage() {
    const int L = LeftColumnWidth(Panel4);
    const int full = L - 13;
    Column col(kMargin, kMargin);
    col.Put(webenabled, 0, L - kPictureReach - 2 * kMargin, kCheckHeight);
    col.Labelled(Label3, webport, kPortWidth, kEditHeight);
    col.Labelled(Label4, webdir, 0, kEditHeight);
    WithBrowse(webdir, webdirbrowse, L - 19 - webdirbrowse->Width());
    col.Labelled(Label5, webindex, full, kEditHeight);
    col.Put(dirlistings, kMargin, full, kCheckHeight);
    col.Put(Bevel4, kMargin, full, kBevelHeight);
    col.Put(cgienabled, kMargin, full, kCheckHeight);
    col.Labelled(Label6, cgidir, 0, kEditHeight);
    WithBrowse(cgidir, cgibrowse, L - 19 - cgibrowse->Width());
    col.Labelled(Label7, cgialias, full, kEditHeight);
    col.Put(Bevel1, kMargin, full, kBevelHeight);
    col.Put(ssienabled, kMargin, full, kCheckHeight);
    ServicePicture(webpic, webenabled, L);

    RightPages(tabbednotebook5, Panel15, L);
    ListSheet(panel16, webdomainslist, kSheetMargin, 8, {newwebdomain, removewebdomain, webdomainproperties});
    Column sheet(kSheetMargin, kSheetMargin);
    sheet.Put(Domainlabel, 0);
    sheet.Put(domaincombo, kLabelGap, 0, kEditHeight);
    sheet.Put(virtualpathslabel, kMargin);
    ListSheet(panel17, virtualpathslist, sheet.Y() + kLabelGap, 8,
              {newvirtualpath, removevirtualpath, virtualpathproperties});
    domaincombo->SetWidth(virtualpathslist->Width());
    ListSheet(panel18, mimelist, kSheetMargin, 8, {newmime, removemime, mimeproperties});
    ListSheet(panel21, cgitypeslist, kSheetMargin, 8, {newcgitype, removecgitype, cgitypeproperties});
}

void TquillnestformControls::LayoutFtpPage() {
    const int L = LeftColumnWidth(Panel8);
    const int full = L - 13;
    Column col(kMargin, kMargin);
    col.Put(ftpenabled, 0, L - kPictureReach - 2 * kMargin, kCheckHeight);
    col.Labelled(Label14, ftpport, kPortWidth, kEditHeight);
    col.Labelled(ftpnamelabel, ftpname, full, kEditHeight);
    col.Put(anonymousenabled, kMargin, full, kCheckHeight);
    col.Put(anonftpbox, kMargin, full);
    AtLeast(anonftpbox, kMinBoxHeight);
    ServicePicture(ftppic, ftpenabled, L);

    // Inside the anonymous limits: each edit beside its check box, reaching
    // to 6 from the panel's right edge.
    const int pw = ftppanel->ClientWidth();
    const int editLeft = kMargin + anonmaxbancheck->Width() + kLabelGap;
    anonmaxconcheck->SetBounds(kMargin, kMargin, anonmaxconcheck->Width(), kCheckHeight);
    anonmaxcon->SetBounds(editLeft, anonmaxconcheck->Top() - kBesideCheckLift, pw - editLeft - kMargin, kEditHeight);
    anonmaxbancheck->SetBounds(kMargin, Bottom(anonmaxcon) + kMargin, anonmaxbancheck->Width(), kCheckHeight);
    anonmaxban->SetBounds(editLeft, anonmaxbancheck->Top() - kBesideCheckLift,
                          pw - editLeft - anonkps->Width() - 9, kEditHeight);
    anonkps->SetBounds(Right(anonmaxban) + kKpsGap, anonmaxban->Top() + kKpsDrop, anonkps->Width(), anonkps->Height());
    FitBox(anonftpbox, ftppanel, anonmaxban);
    col.SetY(Bottom(anonftpbox));
    col.Put(sharedenabled, kMargin, full, kCheckHeight);
    col.Put(superenabled, kMargin, full, kCheckHeight);

    RightPages(tabbednotebook3, Panel6, L);
    ListSheet(panel10, anonymouspathslist, kSheetMargin, 6, {bitbtn12, bitbtn10, bitbtn11});
    Column sheet(kSheetMargin, kSheetMargin);
    sheet.Put(userslabel, 0);
    sheet.Put(ftpusers, kLabelGap, panel11->ClientWidth() - 6, kEditHeight);
    sheet.Put(sharedpathslabel, kMargin);
    ListSheet(panel11, sharedpathslist, sheet.Y() + kLabelGap, 6, {bitbtn4, bitbtn5, bitbtn6});
    ListSheet(panel12, superuserpathslist, kSheetMargin, 6, {bitbtn9, bitbtn7, bitbtn8});
}

void TquillnestformControls::LayoutMailPage() {
    const int L = LeftColumnWidth(Panel25);
    const int full = L - 13;
    Column col(kMargin, kMargin);
    col.Put(emailenabled, 0, L - kPictureReach - 2 * kMargin, kCheckHeight);
    col.Labelled(Label8, emailport, kPortWidth, kEditHeight);
    col.Put(relayemail, kMargin, full, kCheckHeight);
    col.Put(relaybox, kMargin, full);
    AtLeast(relaybox, kMinBoxHeight);
    ServicePicture(emailpic, emailenabled, L);

    const int pw = Panel22->ClientWidth();
    Column box(kMargin, 3);
    box.Labelled(helodomainlabel, helodomain, pw - 2 * kMargin, kEditHeight, 0);
    box.Labelled(mxlabel, relaydns1, pw - 2 * kMargin, kEditHeight);
    box.Put(relaydns2, kMargin, relaydns1->Width(), kEditHeight);
    box.Put(maxrcptcheck, kMaxRcptBelowDns, maxrcptcheck->Width(), kCheckHeight);
    const int rcptLeft = Right(maxrcptcheck) + kLabelGap;
    maxrcpt->SetBounds(rcptLeft, maxrcptcheck->Top() - kBesideCheckLift, pw - rcptLeft - kMargin, kEditHeight);
    antispam->SetBounds(kMargin, Bottom(maxrcpt) + kMargin, pw - 2 * kMargin, kCheckHeight);
    FitBox(relaybox, Panel22, antispam);

    col.SetY(Bottom(relaybox));
    col.Put(Bevel2, kMargin, full, kBevelHeight);
    col.SetY(Bevel2->Top());
    col.Put(popenabled, kPopBelowBevel, full, kCheckHeight);
    col.Labelled(Label13, popport, kPortWidth, kEditHeight);

    RightPages(mailtabs, Panel7, L);
    ListSheet(panel26, emaildomains, kSheetMargin, 8, {newemailhost, removeemailhost, changemailhost});
    ListSheet(forwardpanel, forwards, kSheetMargin, 8, {newforward, removeforward, forwardproperties});
}

void TquillnestformControls::LayoutTelnetPage() {
    auto* page = static_cast<TWinControl*>(Panel3->Parent());
    // The settings panel spans the page; its height follows its contents.
    Panel3->SetBounds(kMargin, kMargin, page->ClientWidth() - 2 * kMargin, Panel3->Height());
    const int pw = Panel3->ClientWidth();
    Column col(kMargin, kMargin);
    col.Put(TelnetEnabled, 0, pw - kPictureWidth - 4 * kMargin, kCheckHeight);
    telnetpic->SetBounds(pw - kPictureWidth - kMargin, TelnetEnabled->Top(), kPictureWidth, kPictureHeight);
    col.Labelled(Label2, telnetport, kPortWidth, kEditHeight);
    col.Put(commandprompt, kMargin, pw - kPictureWidth - 4 * kMargin, kCheckHeight);
    col.Labelled(Label1, telnetsplash, pw - bitbtn1->Width() - 18, kEditHeight);
    WithBrowse(telnetsplash, bitbtn1, pw - bitbtn1->Width() - 18);
    Panel3->SetHeight(std::max(Bottom(bitbtn1), Bottom(telnetpic)) + kMargin);

    // Hidden, but kept in place all the same.
    TabbedNotebook7->SetBounds(kMargin, Bottom(Panel3) + kMargin, page->ClientWidth() - 2 * kMargin,
                               std::max(page->ClientHeight() - Bottom(Panel3) - 2 * kMargin, 0));
    const int bh = newconsoleapp->Height();
    consoleapplist->SetBounds(kSheetMargin, kSheetMargin, consoleapppanel->ClientWidth() - 8,
                              consoleapppanel->ClientHeight() - bh - 14);
    ButtonRow({newconsoleapp, removeconsoleapp, consoleappproperties}, kSheetMargin, Bottom(consoleapplist) + kMargin);
}

void TquillnestformControls::LayoutAccountsPage() {
    auto* page = static_cast<TWinControl*>(accountslist->Parent());
    const int pw = page->ClientWidth();
    const int bh = addaccountbutton->Height();
    homedirlabel->SetBounds(kMargin, kMargin, pw - 2 * kMargin, homedirlabel->Height());
    accountslabel->SetBounds(kMargin, Bottom(homedirlabel) + kMargin, accountslabel->Width(), accountslabel->Height());
    const int listTop = Bottom(accountslabel) + kLabelGap;
    accountslist->SetBounds(kMargin, listTop, pw - 2 * kMargin, page->ClientHeight() - bh - listTop - 2 * kMargin);
    ButtonRow({addaccountbutton, removeaccountbutton, accountpropertiesbutton}, kMargin, Bottom(accountslist) + kMargin);
    RightAlign(changehome, page, addaccountbutton->Top());
}

void TquillnestformControls::LayoutStatusPages() {
    // Info: the services box wraps its labels.
    auto* info = static_cast<TWinControl*>(infoservices->Parent());
    infoservices->SetBounds(kMargin, kMargin, info->ClientWidth() - 2 * kMargin, infoservices->Height());
    AtLeast(infoservices, kMinBoxHeight);
    Column lines(kMargin, 3);
    for (TControl* l : {infoweb, infoftp, infoemail, infopop, infotelnet}) lines.Put(l, 4);
    lines.Put(totalconn, kMargin);
    FitBox(infoservices, Panel20, totalconn);
    dynlabel->SetBounds(kMargin, Bottom(infoservices) + kMargin, dynlabel->Width(), dynlabel->Height());

    // Connections: killing needs a session node chosen again after every pass.
    auto* conn = static_cast<TWinControl*>(protocoltree->Parent());
    const int bh = bitbtn2->Height();
    protocoltree->SetBounds(kMargin, kMargin, conn->ClientWidth() - 2 * kMargin, conn->ClientHeight() - bh - 18);
    bitbtn2->SetBounds(kMargin, Bottom(protocoltree) + kMargin, bitbtn2->Width(), bh);
    bitbtn2->SetEnabled(false);

    // Log.
    auto* log = static_cast<TWinControl*>(status->Parent());
    const int lw = log->ClientWidth() - 2 * kMargin;
    logfilelabel->SetBounds(kMargin, kMargin, lw, kCheckHeight);
    lockbottom->SetBounds(kMargin, Bottom(logfilelabel) + kMargin, lockbottom->Width(), kCheckHeight);
    const int statusTop = Bottom(lockbottom) + kMargin;
    status->SetBounds(kMargin, statusTop, lw, log->ClientHeight() - bitbtn3->Height() - statusTop - 2 * kMargin);
    RightAlign(clearlog, log, Bottom(status) + kMargin);
    LeftOf(bitbtn3, clearlog);

    // Downloads: two monitors sharing the page.
    auto* down = static_cast<TWinControl*>(downloads->Parent());
    const int dw = down->ClientWidth() - 2 * kMargin;
    const int dh = down->ClientHeight();
    const int cbh = cleardownloads->Height();
    monitordownloads->SetBounds(kMargin, kMargin, dw, kCheckHeight);
    const int downTop = Bottom(monitordownloads) + kMargin;
    downloads->SetBounds(kMargin, downTop, dw, (dh - downTop - cbh - 16) / 2 - 12);
    monitorstats->SetBounds(kMargin, Bottom(downloads) + kMargin, dw, kCheckHeight);
    const int statsTop = Bottom(monitorstats) + kMargin;
    dstats->SetBounds(kMargin, statsTop, dw, dh - statsTop - cbh - 2 * kMargin);
    RightAlign(cleardownloads, down, Bottom(dstats) + kMargin);
    LeftOf(clearstats, cleardownloads);

    // Uploads.
    auto* up = static_cast<TWinControl*>(uploads->Parent());
    monitoruploads->SetBounds(kMargin, kMargin, up->ClientWidth() - 2 * kMargin, kCheckHeight);
    const int upTop = Bottom(monitoruploads) + kMargin;
    uploads->SetBounds(kMargin, upTop, up->ClientWidth() - 2 * kMargin,
                       up->ClientHeight() - upTop - clearuploads->Height() - 2 * kMargin);
    RightAlign(clearuploads, up, Bottom(uploads) + kMargin);
}

void TquillnestformControls::LayoutBlacklistPages() {
    auto* bans = static_cast<TWinControl*>(blacklist->Parent());
    Column col(kMargin, kMargin);
    col.Put(blacklistenabled, 0, bans->ClientWidth() - 2 * kMargin, kCheckHeight);
    col.Put(bannedattempts, kMargin, bans->ClientWidth() - 2 * kMargin, kCheckHeight);
    col.Put(blacklistlabel, kMargin);
    PageList(bans, blacklist, col.Y() + kLabelGap, {newban, removeban, banproperties});
    PageList(static_cast<TWinControl*>(triggerlistbox->Parent()), triggerlistbox, kMargin,
             {newtrigger, removetrigger, triggerproperties});
}
