// The main window: its controls hold the live settings, and its fields hold the
// server's state (sessions, listeners, record lists). The server's handlers
// are its methods, defined in the folder of the subsystem they belong to.
#pragma once

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/listener.h"
#include "core/recordfiles.h"
#include "core/records.h"
#include "core/session.h"
#include "core/sessionface.h"
#include "core/settings.h"
#include "ddns/ddnsstate.h"
#include "http/httpstate.h"
#include "mail/mailstate.h"
#include "telnet/telnetstate.h"
#include "netsock/netsockets.h"
#include "netunit/inifile.h"
#include "netunit/textfile.h"
#include "ui/mainform_controls.h"
#include "ui/transferlists.h"

// The window's controls of one service, in the listeners' order.
struct ServiceRow {
    const char* Name;  // as the listeners name the service
    forms::TCheckBox* Switch;
    forms::TEdit* Port;
    forms::TMenuItem* MenuItem;
    forms::TLabel* Info;
    forms::TTreeNode** Root;
};

class Tquillnestform : public TquillnestformControls, public core::tsessionface, public core::tlistenerface {
public:
    Tquillnestform();
    ~Tquillnestform() override;

    // --- start-up and shutdown
    void FormCreate(forms::TObject* Sender);
    void FormShow(forms::TObject* Sender);
    void ShutdownServer();
    // The close path without the question (Exit after Yes, or a termination signal).
    void CloseServer();
    // --- window commands: the close box and the Exit entry ask before closing
    void Exit1Click(forms::TObject* Sender);
    void FormSysCommand(forms::TObject* Sender, forms::TSysCommand Command, bool& Handled);
    void FormCloseQuery(forms::TObject* Sender, bool& CanClose);
    void WireWindowCommands();
    bool ServerShutDown() const { return shut_down_; }

    // --- the window itself (src/ui/windowhandlers.cpp, windowcommands.cpp,
    // logpanel.cpp): layout and list wiring, tray, menus, log panel, monitors.
    void WireWindowHandlers();
    // Set when the display's connection broke: the close path draws nothing.
    bool DisplayGone = false;
    void Timer3Timer(forms::TObject* Sender);
    void TrayIconClick(forms::TObject* Sender);
    void Minimize1Click(forms::TObject* Sender);
    void Help2Click(forms::TObject* Sender);
    void About1Click(forms::TObject* Sender);
    void FormKeyDown(forms::TObject* Sender, uint16_t& Key, forms::TShiftState Shift);
    void WireLogPanel();
    void BitBtn3Click(forms::TObject* Sender);
    void statusClick(forms::TObject* Sender);
    void clearlogClick(forms::TObject* Sender);
    void lockbottomClick(forms::TObject* Sender);
    void monitordownloadsClick(forms::TObject* Sender);
    void monitoruploadsClick(forms::TObject* Sender);
    void monitorstatsClick(forms::TObject* Sender);
    void cleardownloadsClick(forms::TObject* Sender);
    void clearuploadsClick(forms::TObject* Sender);
    void clearstatsClick(forms::TObject* Sender);

    // --- the session engine
    using StepFunction = void (*)(Tquillnestform*, tsession*, int);
    using StepTable = std::array<StepFunction, 6>;
    static const StepTable kProtocolSteps;  // indexed by session kind
    StepTable Steps = kProtocolSteps;       // tests put their own steps here
    StepFunction StepOf(int32_t kind) const;
    // Beside each kind's step: what it releases at shutdown (or nothing) and
    // the names of its states.
    using ReleaseFunction = void (*)(core::tsessionface*, tsession*);
    static const std::array<ReleaseFunction, 6> kProtocolReleases;
    using StateTextFunction = const char* (*)(int32_t);
    static const std::array<StateTextFunction, 6> kStateTexts;
    // Moves a session of any kind to State, told to the debug log in its kind's names.
    static void EnterState(tsession* session, int32_t State);
    void Timer2Timer(forms::TObject* Sender);
    void SessionIdleTimer(forms::TObject* Sender);
    void CloseSessionStep(tsession* session, int index) override;
    bool CheckTriggers(core::TriggerService Service, const std::string& Text, const std::string& Address) override;
    void AddDownloadRecord(const std::string& FileName, const std::string& Folder, const std::string& User) override;
    void CountDownloadStat(const std::string& FileName, const std::string& Folder) override;

    // --- listeners and accept
    void Timer1Timer(forms::TObject* Sender);
    void netsocketsSessionAvailable(Tnetsockets* Sender, int Socket);
    void netsocketsErrorOccurred(Tnetsockets* Sender, int Socket, int Error, const std::string& Msg);
    void UpdateServiceInfo() override;
    void ServiceSwitchClick(int service);
    void EnableAll1Click(forms::TObject* Sender);
    void DisableAll1Click(forms::TObject* Sender);
    void protocoltreeClick(forms::TObject* Sender);
    void BitBtn2Click(forms::TObject* Sender);

    // --- status log and connections tree
    // Lines logged while a batch is open (an engine run, a batch of socket
    // notices) reach the window and the log file together when it closes.
    // A batch of notices while sessions exist leaves its lines to the
    // engine's run, due within the tick; lines logged outside any batch
    // (the window, dialogs, workers) are written at once, with any held.
    void AddLog(const std::string& Text) override;
    void FlushLog() override;
    void OpenLogBatch() { ++LogBatchDepth; }
    void CloseLogBatch() {
        if (--LogBatchDepth == 0) FlushLog();
    }
    void CloseNoticeLogBatch();
    // Writes what is held and closes the log file (shutdown).
    void CloseLogFile();
    int LogBatchDepth = 0;
    std::vector<std::string> PendingLog;
    netunit::THeldTextFile LogFile;
    void AddSessionNode(tsession* Session);
    void RemoveSessionNode(tsession* Session);

    // --- blacklist and trigger lines (src/core/blacklist*.cpp)
    // True when the blacklist is switched on and a ban's pattern matches Address.
    bool IsBlacklisted(const std::string& Address) override;
    void blacklisttimerTimer(forms::TObject* Sender);
    void newbanClick(forms::TObject* Sender);
    void banpropertiesClick(forms::TObject* Sender);
    void removebanClick(forms::TObject* Sender);
    void blacklistClick(forms::TObject* Sender);
    void newtriggerClick(forms::TObject* Sender);
    void triggerpropertiesClick(forms::TObject* Sender);
    void removetriggerClick(forms::TObject* Sender);
    void triggerlistboxClick(forms::TObject* Sender);
    void WireBlacklistHandlers();
    // Set while a ban or trigger is being edited; no ban expires while BanDialogOpen.
    bool BanDialogOpen = false;
    bool TriggerDialogOpen = false;

    // --- transfer accounting (src/core/accounting.cpp, src/ui/transferlists.cpp)
    void kpstimerTimer(forms::TObject* Sender);
    ttransferlistchanges TransferListsChanged;

    // --- control states (src/ui/updatecontrols.cpp): enables the list buttons
    // and dependent settings from the current control values.
    void UpdateControls();

    // --- server state
    core::tlisteners Listeners{*this, *this};
    tlistener& TelnetListener = Listeners.State[kSvcTelnet];
    tlistener& HttpListener = Listeners.State[kSvcHttp];
    tlistener& SmtpListener = Listeners.State[kSvcSmtp];
    tlistener& Pop3Listener = Listeners.State[kSvcPop3];
    tlistener& FtpListener = Listeners.State[kSvcFtp];
    std::string HomeDir, MailDir, RelayDir;
    bool LogToFile = false;
    std::string LogFileName;
    forms::TTreeNode* HttpRoot = nullptr;
    forms::TTreeNode* FtpRoot = nullptr;
    forms::TTreeNode* SmtpRoot = nullptr;
    forms::TTreeNode* Pop3Root = nullptr;
    forms::TTreeNode* TelnetRoot = nullptr;
    std::vector<std::string> EnvironmentBlock;  // copy of the environment taken at start, for CGI

    // --- record lists (owned), loaded at start and saved with the settings
    core::AccountList Accounts;  // the account list (AccountList in the window's own terms)
    core::RecordList<core::tmailforward> ForwardList;
    core::RecordList<core::tmaildomain> MailDomainList;
    core::RecordList<core::twebdomain> WebDomainList;
    core::RecordList<core::tvirtualpath> VirtualPathList;
    core::FtpPathList AnonymousPathList, SuperuserPathList, SharedPathList;
    core::RecordList<core::tscripttype> ScriptTypeList;
    core::RecordList<core::ttransferrecord> DownloadList, UploadList, DownloadStatList;
    core::RecordList<core::tban> BanList;
    core::RecordList<core::ttrigger> TriggerList;
    core::RecordList<core::tconsoleprogram> ConsoleProgramList;
    http::tmimelist MimeTypes;  // lines of the MIME list: extension, three blanks, type

    // Each subsystem adds its own fields below, in a block headed by its name.

    // --- mail (src/mail/): the recent POP3 logins, message ids and the relay
    // queue files; the mail-domain lookup of the E-Mail page.
    mail::tmailstate Mail;
    int FindMailDomain(const std::string& Domain) const;

    // --- relay delivery (src/ui/relaywindow.cpp): the scheduler hands
    // queued messages to relay workers and bounces what they cannot deliver.
    void Timer4Timer(forms::TObject* Sender);
    // Workers hold this weakly: it expires with the window, so a worker that
    // outlives the window reaches nothing.
    std::shared_ptr<const bool> RelayWindowAlive = std::make_shared<const bool>(true);

    // --- Telnet (src/telnet/)
    telnet::ttelnetstate Telnet;

    // --- settings, accounts and FTP paths (src/ui/settings*.cpp, src/ui/accountfiles.cpp)
    // options.ini, mimes.txt and the record files into the controls and lists, and back.
    void LoadSettings();
    void SaveSettings();
    // False while the settings are loading, after shutdown, or when options.ini
    // was never opened: the files on disk are then left as they are.
    bool MaySaveSettings() const;
    // accounts23.dat (or acc23.dat) into Accounts and accountslist, creating the home folders.
    void LoadAccounts();
    void SaveAccounts();
    void LoadFtpPaths();
    void SaveFtpPaths();
    // Shows a notice on the Info page (dynlabel).
    void ShowNotice(const std::string& Text);
    // The log-to-file switch: opens (tests) the log file or stops logging to it.
    void logfilelabelClick(forms::TObject* Sender);
    // The log file chooser: a new name is a choice, since logging creates the file.
    bool ChooseLogFile();
    std::unique_ptr<netunit::tinifile> IniFile;  // options.ini, open from LoadSettings to shutdown
    bool StartMaximized = false;
    bool HiddenInTray = false;  // the window is hidden in the tray ([pos] min at start)
    bool DetectPhp = true;
    bool DetectPerl = true;
    bool KillGroups = false;
    bool LoadingLogSetting = false;  // set while LoadSettings ticks logfilelabel
    bool LoadingSettings = false;    // no save while the controls are being filled
    bool MasterAddressOn = false;
    std::string MasterAddress;
    core::tnewaccountdefaults NewAccountDefaults;
    core::tautologonsettings AutoLogonSettings;
    std::string DownloadsSince, UploadsSince, StatsSince;
    std::unique_ptr<core::tftppath> FtpPermissionScratch;  // filled by the FTP path resolver
    forms::TTrayIcon* TrayIcon = nullptr;
    // Files that existed at start but could not be read. None of them is
    // replaced by a save that would write it back empty (options.ini and
    // mimes.txt are not written at all), so the data stays for a later run.
    std::set<std::string> UnreadFiles;

    // --- dynamic DNS clients (src/ddns/): the timers start one update run of
    // each service at its interval; the dialogs edit the settings kept here.
    void WireDdnsHandlers();
    void noiptimerTimer(forms::TObject* Sender);
    void dyndnstimerTimer(forms::TObject* Sender);
    void NoIpSettings1Click(forms::TObject* Sender);
    void DynDNS1Click(forms::TObject* Sender);
    ddns::tddnsstate Ddns{this};

    // --- HTTP extension libraries (src/http/isapicache.cpp): loaded once,
    // kept while requests come, each unloaded by its own timer.
    http::thttpstate Http;

    // --- record dialogs of the Web and E-Mail pages (src/ui/webdomainhandlers.cpp,
    // typehandlers.cpp, interpreteroffers.cpp, mailhosthandlers.cpp): each
    // change is made in the live lists and saved at once.
    void WireWebDomainHandlers();
    void newwebdomainClick(forms::TObject* Sender);
    void webdomainpropertiesClick(forms::TObject* Sender);
    void removewebdomainClick(forms::TObject* Sender);
    void newvirtualpathClick(forms::TObject* Sender);
    void virtualpathpropertiesClick(forms::TObject* Sender);
    void removevirtualpathClick(forms::TObject* Sender);
    void domaincomboChange(forms::TObject* Sender);
    // domaincombo anew from webdomainslist, "default" chosen.
    void RebuildDomainChoice();
    void WireTypeHandlers();
    void newmimeClick(forms::TObject* Sender);
    void mimepropertiesClick(forms::TObject* Sender);
    void removemimeClick(forms::TObject* Sender);
    void newcgitypeClick(forms::TObject* Sender);
    void cgitypepropertiesClick(forms::TObject* Sender);
    void removecgitypeClick(forms::TObject* Sender);
    // Offers to set up PHP and Perl while DetectPhp and DetectPerl are on.
    void FormActivate(forms::TObject* Sender);
    bool OfferingInterpreters = false;
    void WireMailHostHandlers();
    void newemailhostClick(forms::TObject* Sender);
    void changemailhostClick(forms::TObject* Sender);
    void removeemailhostClick(forms::TObject* Sender);
    void newforwardClick(forms::TObject* Sender);
    void forwardpropertiesClick(forms::TObject* Sender);
    void removeforwardClick(forms::TObject* Sender);

    // --- accounts, FTP paths, console programs and start with the session
    // (src/ui/accounthandlers.cpp, ftppathhandlers.cpp, consoleapphandlers.cpp,
    // startuphandlers.cpp): the handlers that drive their dialogs.
    void WireAccountHandlers();
    void FillAccountDefaults();
    // The account dialog's eight defaults into NewAccountDefaults ([user]).
    void TakeAccountDefaults();
    void FillAddressChoices();
    void FillWebsiteChoices();
    void addaccountbuttonClick(forms::TObject* Sender);
    void accountpropertiesbuttonClick(forms::TObject* Sender);
    void removeaccountbuttonClick(forms::TObject* Sender);
    void accountslistClick(forms::TObject* Sender);
    void WireFtpPathHandlers();
    void BitBtn4Click(forms::TObject* Sender);
    void BitBtn5Click(forms::TObject* Sender);
    void BitBtn6Click(forms::TObject* Sender);
    void BitBtn7Click(forms::TObject* Sender);
    void BitBtn8Click(forms::TObject* Sender);
    void BitBtn9Click(forms::TObject* Sender);
    void BitBtn10Click(forms::TObject* Sender);
    void BitBtn11Click(forms::TObject* Sender);
    void BitBtn12Click(forms::TObject* Sender);
    void anonymouspathslistClick(forms::TObject* Sender);
    void sharedpathslistClick(forms::TObject* Sender);
    void superuserpathslistClick(forms::TObject* Sender);
    void anonymousenabledClick(forms::TObject* Sender);
    void anonmaxbancheckClick(forms::TObject* Sender);
    void anonmaxconcheckClick(forms::TObject* Sender);
    void anonmaxbanChange(forms::TObject* Sender);
    void anonmaxconChange(forms::TObject* Sender);
    void anonmaxbanExit(forms::TObject* Sender);
    void anonmaxconExit(forms::TObject* Sender);
    void WireConsoleHandlers();
    void newconsoleappClick(forms::TObject* Sender);
    void consoleapppropertiesClick(forms::TObject* Sender);
    void removeconsoleappClick(forms::TObject* Sender);
    void consoleapplistClick(forms::TObject* Sender);
    void BitBtn1Click(forms::TObject* Sender);
    void WireStartupHandlers();
    void Runonstartup1Click(forms::TObject* Sender);
    void AutoLogon1Click(forms::TObject* Sender);
    // False when the key store could not be written.
    bool EnableAutoLogon(const std::string& UserName, const std::string& Password);
    bool DisableAutoLogon();
    // The session's start-up entry; false when it could not be written or removed.
    bool WriteRunAtStartup(const std::string& Name, const std::string& Command);
    bool RemoveRunAtStartup(const std::string& Name);
    bool AutoLogonNoticeShown = false;  // the dialog says once what it cannot do

    // --- folder picks and the home folder (src/ui/folderpicks.cpp): the
    // browse buttons open the folder chooser (PickFolderFor, src/ui/dirform.h).
    void WireFolderPicks();
    void webdirbrowseClick(forms::TObject* Sender);
    void cgibrowseClick(forms::TObject* Sender);
    void changehomeClick(forms::TObject* Sender);

    // --- called by start-up, shutdown and the settings:
    // the FTP user choice (src/ui/accounthandlers.cpp,
    // ftppathhandlers.cpp) and the session's start-up entry (src/ui/startuphandlers.cpp).
    void FillFtpUsers();
    void ftpusersChange(forms::TObject* Sender);
    void SetRunAtStartup(const std::string& Name, const std::string& Command);

    // One row per service, in the order the listener pass takes them.
    const std::vector<ServiceRow>& Services() const { return services_; }

private:
    void BuildServiceRows();
    void WireHandlers();
    void FreeSessionRecord(tsession* session);
    void ReleaseSessionAtShutdown(tsession* session);

    // What the listeners ask of the window.
    bool ServiceOn(int Service) const override;
    std::string ServicePort(int Service) const override;
    void ShowServiceState(int Service, const char* State) override;
    bool LogRefusedAttempts() const override;
    void SessionAccepted(tsession* Session, const core::tservice& Service) override;

    std::vector<ServiceRow> services_;
    // Sessions closed during an engine run are freed after it, so that nothing
    // further up the stack touches a freed record.
    std::vector<tsession*> dead_sessions_;
    bool shut_down_ = false;
};

// The one main window (the extension callbacks and the workers reach it here).
extern Tquillnestform* quillnestform;
