// The main window: its controls hold the live settings, and its fields hold the
// server's state (sessions, listeners, record lists). The server's handlers
// are its methods, defined in the folder of the subsystem they belong to.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/listener.h"
#include "core/recordfiles.h"
#include "core/records.h"
#include "core/session.h"
#include "netsock/netsockets.h"
#include "ui/mainform_controls.h"

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
    bool ServerShutDown() const { return shut_down_; }

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
    void AddLog(const std::string& Text);
    static std::string SessionPrefix(const tsession* Session, bool WithProtocol);
    void AddSessionNode(tsession* Session);
    void RemoveSessionNode(tsession* Session);

    // --- blacklist (answers false until the blacklist is loaded)
    bool IsBlacklisted(const std::string& Address);

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

    // One row per service, in the order the listener pass takes them.
    const std::vector<ServiceRow>& Services() const { return services_; }

private:
    void BuildServiceRows();
    void WireHandlers();
    void FreeSessionRecord(tsession* session);
    void ReleaseSessionAtShutdown(tsession* session);

    std::vector<ServiceRow> services_;
    // Sessions closed during an engine run are freed after it, so that nothing
    // further up the stack touches a freed record.
    std::vector<tsession*> dead_sessions_;
    bool shut_down_ = false;
};

// The one main window (the extension callbacks and the workers reach it here).
extern Tquillnestform* quillnestform;
