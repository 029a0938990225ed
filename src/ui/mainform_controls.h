// The main window's controls with their design values: every named control,
// the menus and the timers. The server's handlers are wired by the derived
// window class; this class only builds the window as designed (placement here
// is provisional: the window's resize handler lays everything out).
#pragma once

#include "forms/forms.h"
#include "widgets/unicode/unilistview.h"

class TquillnestformControls : public forms::TForm {
public:
    explicit TquillnestformControls(forms::TComponent* AOwner = nullptr);

    // Design limits of the edits (characters).
    static constexpr int kPortMaxLength = 5;
    static constexpr int kFolderMaxLength = 255;
    static constexpr int kCountMaxLength = 7;
    static constexpr int kHeloMaxLength = 64;
    // Design size and smallest size of the window.
    static constexpr int kDesignWidth = 650;
    static constexpr int kDesignHeight = 480;
    static constexpr int kMinWidth = 620;
    static constexpr int kMinHeight = 475;
    static constexpr int kPictureWidth = 108;
    static constexpr int kPictureHeight = 56;
    // Control heights: every page's contents fit at the smallest window.
    static constexpr int kEditHeight = 21;
    static constexpr int kCheckHeight = 17;
    static constexpr int kButtonWidth = 75;
    static constexpr int kButtonHeight = 23;
    static constexpr int kPortWidth = 60;

    // The window's resize handler: places every control from the current
    // sizes (also run on every change of tab page). It also disables the
    // kill button and enables each port edit exactly while its service is off.
    void FormResize(forms::TObject* Sender);
    // L of the two-column pages: 6 x (width of the page's outer panel div 13).
    static int LeftColumnWidth(const forms::TWinControl* outer);

    // --- frame
    forms::TPanel* Panel1;
    forms::TPanel* shutdownpanel;
    forms::TTabbedNotebook* TabbedNotebook1;  // Services; Accounts; Status; Blacklist

    // --- Services page
    forms::TPanel* Panel2;
    forms::TTabbedNotebook* TabbedNotebook2;  // Web; FTP; E-Mail; Telnet

    // Web
    forms::TPanel* Panel4;
    forms::TPanel* Panel15;
    forms::TCheckBox* webenabled;
    forms::TLabel* Label3;
    forms::TEdit* webport;
    forms::TLabel* Label4;
    forms::TEdit* webdir;
    forms::TBitBtn* webdirbrowse;
    forms::TLabel* Label5;
    forms::TEdit* webindex;
    forms::TCheckBox* dirlistings;
    forms::TBevel* Bevel4;
    forms::TCheckBox* cgienabled;
    forms::TLabel* Label6;
    forms::TEdit* cgidir;
    forms::TBitBtn* cgibrowse;
    forms::TLabel* Label7;
    forms::TEdit* cgialias;
    forms::TBevel* Bevel1;
    forms::TCheckBox* ssienabled;
    forms::TPanel* webpic;
    forms::TPageControl* tabbednotebook5;
    forms::TPanel* panel16;
    forms::TListBox* webdomainslist;
    forms::TBitBtn* newwebdomain;
    forms::TBitBtn* removewebdomain;
    forms::TBitBtn* webdomainproperties;
    forms::TPanel* panel17;
    forms::TLabel* Domainlabel;
    forms::TComboBox* domaincombo;
    forms::TLabel* virtualpathslabel;
    forms::TListBox* virtualpathslist;
    forms::TBitBtn* newvirtualpath;
    forms::TBitBtn* removevirtualpath;
    forms::TBitBtn* virtualpathproperties;
    forms::TPanel* panel18;
    forms::TListBox* mimelist;
    forms::TBitBtn* newmime;
    forms::TBitBtn* removemime;
    forms::TBitBtn* mimeproperties;
    forms::TPanel* panel21;
    forms::TListBox* cgitypeslist;
    forms::TBitBtn* newcgitype;
    forms::TBitBtn* removecgitype;
    forms::TBitBtn* cgitypeproperties;

    // FTP
    forms::TPanel* Panel8;
    forms::TPanel* Panel6;
    forms::TCheckBox* ftpenabled;
    forms::TLabel* Label14;
    forms::TEdit* ftpport;
    forms::TLabel* ftpnamelabel;
    forms::TEdit* ftpname;
    forms::TCheckBox* anonymousenabled;
    forms::TGroupBox* anonftpbox;
    forms::TPanel* ftppanel;
    forms::TCheckBox* anonmaxconcheck;
    forms::TEdit* anonmaxcon;
    forms::TCheckBox* anonmaxbancheck;
    forms::TEdit* anonmaxban;
    forms::TLabel* anonkps;
    forms::TCheckBox* sharedenabled;
    forms::TCheckBox* superenabled;
    forms::TPanel* ftppic;
    forms::TPageControl* tabbednotebook3;
    forms::TPanel* panel10;
    forms::TListBox* anonymouspathslist;
    forms::TBitBtn* bitbtn12;
    forms::TBitBtn* bitbtn10;
    forms::TBitBtn* bitbtn11;
    forms::TPanel* panel11;
    forms::TLabel* userslabel;
    forms::TComboBox* ftpusers;
    forms::TLabel* sharedpathslabel;
    forms::TListBox* sharedpathslist;
    forms::TBitBtn* bitbtn4;
    forms::TBitBtn* bitbtn5;
    forms::TBitBtn* bitbtn6;
    forms::TPanel* panel12;
    forms::TListBox* superuserpathslist;
    forms::TBitBtn* bitbtn9;
    forms::TBitBtn* bitbtn7;
    forms::TBitBtn* bitbtn8;

    // E-Mail
    forms::TPanel* Panel25;
    forms::TPanel* Panel7;
    forms::TCheckBox* emailenabled;
    forms::TLabel* Label8;
    forms::TEdit* emailport;
    forms::TCheckBox* relayemail;
    forms::TGroupBox* relaybox;
    forms::TPanel* Panel22;
    forms::TLabel* helodomainlabel;
    forms::TEdit* helodomain;
    forms::TLabel* mxlabel;
    forms::TEdit* relaydns1;
    forms::TEdit* relaydns2;
    forms::TCheckBox* maxrcptcheck;
    forms::TEdit* maxrcpt;
    forms::TCheckBox* antispam;
    forms::TBevel* Bevel2;
    forms::TCheckBox* popenabled;
    forms::TLabel* Label13;
    forms::TEdit* popport;
    forms::TPanel* emailpic;
    forms::TPageControl* mailtabs;
    forms::TPanel* panel26;
    forms::TListBox* emaildomains;
    forms::TBitBtn* newemailhost;
    forms::TBitBtn* removeemailhost;
    forms::TBitBtn* changemailhost;
    forms::TPanel* forwardpanel;
    forms::TListBox* forwards;
    forms::TBitBtn* newforward;
    forms::TBitBtn* removeforward;
    forms::TBitBtn* forwardproperties;

    // Telnet
    forms::TPanel* Panel3;
    forms::TCheckBox* TelnetEnabled;
    forms::TPanel* telnetpic;
    forms::TLabel* Label2;
    forms::TEdit* telnetport;
    forms::TCheckBox* commandprompt;
    forms::TLabel* Label1;
    forms::TEdit* telnetsplash;
    forms::TBitBtn* bitbtn1;
    forms::TTabbedNotebook* TabbedNotebook7;  // hidden; one page: console programs
    forms::TPanel* consoleapppanel;
    forms::TListBox* consoleapplist;
    forms::TBitBtn* newconsoleapp;
    forms::TBitBtn* removeconsoleapp;
    forms::TBitBtn* consoleappproperties;

    // --- Accounts page
    forms::TLabel* homedirlabel;
    forms::TLabel* accountslabel;
    uni::TUniListView* accountslist;
    forms::TBitBtn* addaccountbutton;
    forms::TBitBtn* removeaccountbutton;
    forms::TBitBtn* accountpropertiesbutton;
    forms::TBitBtn* changehome;

    // --- Status page
    forms::TPanel* Panel5;
    forms::TTabbedNotebook* TabbedNotebook4;  // Info; Connections; Log; Downloads; Uploads
    forms::TGroupBox* infoservices;
    forms::TPanel* Panel20;
    forms::TLabel* infoweb;
    forms::TLabel* infoftp;
    forms::TLabel* infoemail;
    forms::TLabel* infopop;
    forms::TLabel* infotelnet;
    forms::TLabel* totalconn;
    forms::TLabel* dynlabel;
    forms::TTreeView* protocoltree;
    forms::TBitBtn* bitbtn2;
    forms::TCheckBox* logfilelabel;
    forms::TCheckBox* lockbottom;
    forms::TListBox* status;
    forms::TBitBtn* bitbtn3;
    forms::TBitBtn* clearlog;
    forms::TMemo* scratchpad;
    forms::TCheckBox* monitordownloads;
    uni::TUniListView* downloads;
    forms::TCheckBox* monitorstats;
    uni::TUniListView* dstats;
    forms::TBitBtn* cleardownloads;
    forms::TBitBtn* clearstats;
    forms::TCheckBox* monitoruploads;
    uni::TUniListView* uploads;
    forms::TBitBtn* clearuploads;

    // --- Blacklist page
    forms::TPanel* Panel27;
    forms::TTabbedNotebook* TabbedNotebook6;  // Blacklist; HTTP triggers
    forms::TCheckBox* blacklistenabled;
    forms::TCheckBox* bannedattempts;
    forms::TLabel* blacklistlabel;
    forms::TListBox* blacklist;
    forms::TBitBtn* newban;
    forms::TBitBtn* removeban;
    forms::TBitBtn* banproperties;
    forms::TListBox* triggerlistbox;
    forms::TBitBtn* newtrigger;
    forms::TBitBtn* removetrigger;
    forms::TBitBtn* triggerproperties;

    // --- menus
    forms::TMainMenu* MainMenu1;
    forms::TMenuItem* File1;
    forms::TMenuItem* Runonstartup1;
    forms::TMenuItem* Minimize1;
    forms::TMenuItem* AutoLogon1;
    forms::TMenuItem* DynamicDNS1;
    forms::TMenuItem* DynDNS1;
    forms::TMenuItem* NoIpSettings1;
    forms::TMenuItem* N1;
    forms::TMenuItem* Exit1;
    forms::TMenuItem* Services1;
    forms::TMenuItem* EnabledHTTP1;
    forms::TMenuItem* EnabledFTP1;
    forms::TMenuItem* EnabledSMTP1;
    forms::TMenuItem* EnabledPOP31;
    forms::TMenuItem* EnabledTelnet1;
    forms::TMenuItem* N3;
    forms::TMenuItem* EnableAll1;
    forms::TMenuItem* DisableAll1;
    forms::TMenuItem* Help1;
    forms::TMenuItem* Help2;
    forms::TMenuItem* N2;
    forms::TMenuItem* About1;

    // --- non-visual components
    forms::TTimer* Timer1;          // listener pass
    forms::TTimer* Timer2;          // session engine
    forms::TTimer* Timer3;          // one-shot hide at start
    forms::TTimer* kpstimer;        // connection count and rates
    forms::TTimer* Timer4;          // relay scheduler
    forms::TTimer* blacklisttimer;  // ban expiry
    forms::TTimer* noiptimer;
    forms::TTimer* dyndnstimer;
    forms::TOpenDialog* OpenDialog1;

private:
    void BuildServicesPage(forms::TWinControl* page);
    void BuildWebPage(forms::TWinControl* page);
    void BuildFtpPage(forms::TWinControl* page);
    void BuildMailPage(forms::TWinControl* page);
    void BuildTelnetPage(forms::TWinControl* page);
    void BuildAccountsPage(forms::TWinControl* page);
    void BuildStatusPage(forms::TWinControl* page);
    void BuildBlacklistPage(forms::TWinControl* page);
    void BuildMenus();
    void BuildTimers();
    void LayoutWebPage();
    void LayoutFtpPage();
    void LayoutMailPage();
    void LayoutTelnetPage();
    void LayoutAccountsPage();
    void LayoutStatusPages();
    void LayoutBlacklistPages();
};
