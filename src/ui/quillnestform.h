// The main window: its controls hold the live settings, and its fields hold the
// server's state (sessions, listeners, record lists). The server's handlers
// are its methods, defined in the folder of the subsystem they belong to.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/listener.h"
#include "core/recordfiles.h"
#include "core/records.h"
#include "core/session.h"
#include "mail/addresses.h"
#include "core/settings.h"
#include "ddns/updatestate.h"
#include "netsock/netsockets.h"
#include "netunit/inifile.h"
#include "ui/mainform_controls.h"

namespace http {
struct tisapi;  // an extension library in the cache (src/http/isapicache.h)
}

class Tquillnestform : public TquillnestformControls {
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
    void Timer2Timer(forms::TObject* Sender);
    void SessionIdleTimer(forms::TObject* Sender);
    int FindSessionBySocket(int Socket) const;
    // The common close step of state 99: logs the end, closes the socket,
    // removes the node and frees the session at index. Protocols release their
    // own resources first. Returns false when it must wait (a final reply is
    // still leaving): waitForSend asks for that wait.
    bool CloseSessionStep(tsession* session, int index, bool waitForSend);
    // Switches a session's idle timer off and on: restarts an enabled timer's
    // countdown and leaves a disabled one disabled.
    static void RestartIdleTimer(tsession* session);

    // --- listeners and accept
    void Timer1Timer(forms::TObject* Sender);
    void netsocketsSessionAvailable(Tnetsockets* Sender, int Socket);
    void netsocketsErrorOccurred(Tnetsockets* Sender, int Socket, int Error, const std::string& Msg);
    void UpdateServiceInfo();
    void ServiceSwitchClick(int service);
    void EnableAll1Click(forms::TObject* Sender);
    void DisableAll1Click(forms::TObject* Sender);
    void protocoltreeClick(forms::TObject* Sender);
    void BitBtn2Click(forms::TObject* Sender);

    // --- status log and connections tree
    // Lines logged while a batch is open (an engine run, a batch of socket
    // notices) reach the window and the log file together when it closes.
    void AddLog(const std::string& Text);
    void FlushLog();
    void OpenLogBatch() { ++LogBatchDepth; }
    void CloseLogBatch() {
        if (--LogBatchDepth == 0) FlushLog();
    }
    int LogBatchDepth = 0;
    std::vector<std::string> PendingLog;
    static std::string SessionPrefix(const tsession* Session, bool WithProtocol);
    void AddSessionNode(tsession* Session);
    void RemoveSessionNode(tsession* Session);

    // --- blacklist and trigger lines (src/core/blacklist*.cpp)
    // True when the blacklist is switched on and a ban's pattern matches Address.
    bool IsBlacklisted(const std::string& Address);
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

    // --- transfer accounting (src/core/accounting.cpp)
    void kpstimerTimer(forms::TObject* Sender);

    // --- control states (src/ui/updatecontrols.cpp): enables the list buttons
    // and dependent settings from the current control values.
    void UpdateControls();

    // --- server state
    Tnetsockets* netsockets = nullptr;
    std::vector<tsession*> SessionList;  // owned; freed by the close step or at shutdown
    tlistener TelnetListener, HttpListener, SmtpListener, Pop3Listener, FtpListener;
    bool Starting = false;
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
    std::vector<std::string> MimeTypes;  // lines of the MIME list: extension, three blanks, type
    // Relay queue: four parallel lists (file, attempts, last attempt, sender).
    std::vector<std::string> RelayQueueFiles, RelayQueueTries, RelayQueueTimes, RelayQueueSenders;
    std::vector<std::string> RelaysInFlight;
    std::vector<std::string> MessageIds;
    int RelayCursor = 0;

    // Each subsystem adds its own fields below, in a block headed by its name.

    // --- mail (src/mail/): local addresses and SMTP authentication, the
    // recent POP3 logins, message ids and the relay queue files.
    std::vector<mail::tsmtpauth> PopLoginList;  // not saved
    bool IsLocalDomain(const std::string& Address, bool& NoSuchUser) const;
    std::string ParseAddress(const std::string& Text, bool& Forwarded, bool& CatchAll) const;
    int FindMailDomain(const std::string& Domain) const;
    bool CheckSmtpAuth(const std::string& Token) const;
    bool RelayRecipientAllowed(size_t Count) const;
    void RememberPopLogin(const std::string& PeerAddress);
    void PurgePopLogins();
    // True when another POP3 session than Session is logged in as User.
    bool UserHasPop3Session(const tsession* Session, const std::string& User) const;
    // A new id for a message of User's mailbox; -1 when a message of it cannot be read.
    int64_t NewMessageId(const std::string& User);
    std::string NextRelayFile(const std::string& Folder) const;
    void AddRelayEntry(const std::string& File, int Tries, const std::string& Sender, double Time);
    void RemoveRelayEntry(const std::string& File);
    void UpdateRelayEntry(const std::string& File, int Tries, double Time);
    bool RelayInFlight(const std::string& File) const;
    void ReloadRelayQueue();

    // --- relay delivery (src/mail/relayscheduler.cpp): the scheduler hands
    // queued messages to relay workers and bounces what they cannot deliver.
    void Timer4Timer(forms::TObject* Sender);
    void RelayAttemptDone(const std::string& File);
    void BounceMessage(const std::string& File, const std::string& Reason = {});
    // Workers hold this weakly: it expires with the window, so a worker that
    // outlives the window reaches nothing.
    std::shared_ptr<const bool> RelayWindowAlive = std::make_shared<const bool>(true);

    // --- shared by the services: the account a step is serving, looked up
    // afresh by each step that uses it (never kept across steps).
    core::tuseraccount* CurrentAccount = nullptr;

    // --- Telnet: the menu choice taken automatically at every menu, -1 for none.
    int TelnetAutoChoice = -1;

    // --- settings, accounts and FTP paths (src/core/settings*.cpp, src/core/accountfiles.cpp)
    // options.ini, mimes.txt and the record files into the controls and lists, and back.
    void LoadSettings();
    void SaveSettings();
    // accounts23.dat (or acc23.dat) into Accounts and accountslist, creating the home folders.
    void LoadAccounts();
    void SaveAccounts();
    void LoadFtpPaths();
    void SaveFtpPaths();
    // Shows a notice on the Info page (dynlabel).
    void ShowNotice(const std::string& Text);
    // The log-to-file switch: opens (tests) the log file or stops logging to it.
    void logfilelabelClick(forms::TObject* Sender);
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
    bool NoIpEnabled = false;
    std::string NoIpUserName, NoIpPassword, NoIpHosts, NoIpGroups;
    int32_t NoIpIntervalIndex = 3, NoIpPortIndex = 0, NoIpLogIndex = 0;
    bool DynDnsEnabled = false;
    std::string DynDnsServer, DynDnsUserName, DynDnsPassword, DynDnsHosts;
    int32_t DynDnsIntervalIndex = 3, DynDnsSystemIndex = 0, DynDnsLogIndex = 0;
    std::unique_ptr<core::tftppath> FtpPermissionScratch;  // filled by the FTP path resolver
    forms::TTrayIcon* TrayIcon = nullptr;
    // Files that existed at start but could not be read. None of them is
    // replaced by a save that would write it back empty (options.ini and
    // mimes.txt are not written at all), so the data stays for a later run.
    std::set<std::string> UnreadFiles;

    // --- dynamic DNS clients (src/ddns/): the timers start one update run of
    // each service at its interval; the dialogs edit the settings above.
    void WireDdnsHandlers();
    void noiptimerTimer(forms::TObject* Sender);
    void dyndnstimerTimer(forms::TObject* Sender);
    void NoIpSettings1Click(forms::TObject* Sender);
    void DynDNS1Click(forms::TObject* Sender);
    std::string LastPublicIp;  // the last address either service took; empty at start
    ddns::tupdatelink DdnsLink{this};  // what the update workers share with the window

    // --- HTTP extension libraries (src/http/isapicache.cpp): loaded once,
    // kept while requests come, each unloaded by its own timer.
    std::vector<std::shared_ptr<http::tisapi>> IsapiCache;
    // The cached library, or the library loaded and started; nullptr when it
    // cannot be loaded or refuses to start.
    http::tisapi* LoadIsapi(const std::string& Path);
    void UnloadIsapiTimer(forms::TObject* Sender);

    // --- stubs of subsystems not built yet (src/core/pending.cpp); each moves
    // to its subsystem's own file when that is built.
    void UnloadExtensions();
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

    void ReportDescriptorLimit(const ServiceRow& s);

    std::vector<ServiceRow> services_;
    // When a connection was last turned away at the descriptor limit.
    bool descriptor_limit_seen_ = false;
    std::chrono::steady_clock::time_point descriptor_limit_at_{};
    // Sessions closed during an engine run are freed after it, so that nothing
    // further up the stack touches a freed record.
    std::vector<tsession*> dead_sessions_;
    bool shut_down_ = false;
};

// The one main window (the extension callbacks and the workers reach it here).
extern Tquillnestform* quillnestform;
