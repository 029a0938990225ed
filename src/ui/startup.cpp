// How the server comes up (window creation and first show) and goes down.
#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "core/settings.h"
#include "forms/forms.h"
#include "http/isapicache.h"
#include "http/isapirequest.h"
#include "mail/mailstore.h"
#include "mail/relayqueue.h"
#include "netunit/files.h"
#include "netunit/treecopy.h"
#include "platform/eventloop.h"
#include "platform/mainthread.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"

extern char** environ;

Tquillnestform* quillnestform = nullptr;

namespace {
// How long the end waits for copies on workers to undo the item in hand.
constexpr std::chrono::seconds kCopyStopWait{20};

void EnsureFolder(const std::string& path) { mkdir(path.c_str(), 0755); }
// The mail and its queue are the owner's alone.
void EnsurePrivateFolder(const std::string& path) { netunit::EnsurePrivateFolder(path.c_str()); }
void EnsureDefaultFolder(const std::string& Named, const std::string& Default) {
    if (Named == Default) EnsureFolder(Default);
}
}  // namespace

Tquillnestform::Tquillnestform() {
    quillnestform = this;
    // The application's main form: bringing the application to the front
    // raises and activates this window.
    forms::Application().SetMainForm(this);
    http::SetExtensionEngine(this);
    netsockets = new Tnetsockets(this);
    netsockets->SetName("netsockets");
    BuildServiceRows();
    WireHandlers();
    platform::SetBatchBracket([this] { OpenLogBatch(); }, [this] { CloseNoticeLogBatch(); });
    FormCreate(this);
}

Tquillnestform::~Tquillnestform() {
    if (!shut_down_) ShutdownServer();
    platform::SetBatchBracket(nullptr, nullptr);
    CloseLogFile();
    if (quillnestform == this) quillnestform = nullptr;
}

void Tquillnestform::WireHandlers() {
    OnShow = [this](forms::TObject* s) { FormShow(s); };
    Timer1->OnTimer = [this](forms::TObject* s) { Timer1Timer(s); };
    Timer2->OnTimer = [this](forms::TObject* s) { Timer2Timer(s); };
    netsockets->OnSessionAvailable = [this](Tnetsockets* s, int socket) { netsocketsSessionAvailable(s, socket); };
    netsockets->OnErrorOccurred = [this](Tnetsockets* s, int socket, int error, const std::string& msg) {
        netsocketsErrorOccurred(s, socket, error, msg);
    };
    for (int i = 0; i < kServiceCount; ++i)
        services_[static_cast<size_t>(i)].Switch->OnClick = [this, i](forms::TObject*) { ServiceSwitchClick(i); };
    EnableAll1->OnClick = [this](forms::TObject* s) { EnableAll1Click(s); };
    DisableAll1->OnClick = [this](forms::TObject* s) { DisableAll1Click(s); };
    // Each menu item inverts its switch; the switch's click handler does the rest.
    for (int i = 0; i < kServiceCount; ++i) {
        forms::TCheckBox* sw = services_[static_cast<size_t>(i)].Switch;
        services_[static_cast<size_t>(i)].MenuItem->OnClick = [sw](forms::TObject*) { sw->SetChecked(!sw->Checked()); };
    }
    protocoltree->OnClick = [this](forms::TObject* s) { protocoltreeClick(s); };
    bitbtn2->OnClick = [this](forms::TObject* s) { BitBtn2Click(s); };
    logfilelabel->OnClick = [this](forms::TObject* s) { logfilelabelClick(s); };
    WireWindowHandlers();
    WireBlacklistHandlers();
    WireDdnsHandlers();
    WireWebDomainHandlers();
    WireTypeHandlers();
    WireMailHostHandlers();
    WireAccountHandlers();
    WireFtpPathHandlers();
    WireConsoleHandlers();
    WireStartupHandlers();
    WireFolderPicks();
    kpstimer->OnTimer = [this](forms::TObject* s) { kpstimerTimer(s); };
    Timer4->OnTimer = [this](forms::TObject* s) { Timer4Timer(s); };
}

void Tquillnestform::FormCreate(forms::TObject*) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    Listeners.Starting = true;
    Mail.RelayCursor = 0;
    netsockets->StartSockets();

    TrayIcon = new forms::TTrayIcon(this);
    TrayIcon->SetHint("Quillnest");
    TrayIcon->OnClick = [this](forms::TObject* s) { TrayIconClick(s); };
    TrayIcon->SetVisible(true);

    for (char** e = environ; e != nullptr && *e != nullptr; ++e) EnvironmentBlock.emplace_back(*e);

    const std::string dir = platform::ProgramDir();
    HomeDir = dir + "home";
    MailDir = dir + "mail";
    RelayDir = dir + "mail/relay";
    EnsureFolder(HomeDir);
    EnsurePrivateFolder(MailDir);
    EnsurePrivateFolder(RelayDir);
    EnsureFolder(HomeDir + "/-old-");
    HomeDir += "/";
    MailDir += "/";
    RelayDir += "/";
    // Messages a killed run was still receiving were never acknowledged.
    mail::RemoveUnfinishedMessages(MailDir, RelayDir);

    // The accounts come before the settings, so their folders are made under
    // the program's own home folder whatever home root options.ini names.
    LoadAccounts();
    LoadFtpPaths();
    // relayemail still holds its design value (ticked) here.
    if (relayemail->Checked()) mail::ReloadRelayQueue(Mail, RelayDir);

    for (tlistener* l : {&TelnetListener, &HttpListener, &SmtpListener, &Pop3Listener, &FtpListener})
        l->ReportFailure = true;

    LoadSettings();
    // A first start has a web root to put a page in and the picker a place to
    // open at; a folder the settings name elsewhere is the user's to make.
    EnsureDefaultFolder(webdir->Text(), dir + core::kDefaultWebFolder);
    EnsureDefaultFolder(cgidir->Text(), dir + core::kDefaultCgiFolder);
    Timer2->SetEnabled(true);
    if (Runonstartup1->Checked()) SetRunAtStartup("Quillnest", platform::ProgramPath());
    domaincombo->SetItemIndex(0);
    FtpPermissionScratch = std::make_unique<core::tftppath>();

    forms::TTreeNode* root = protocoltree->Items()->GetFirstNode();
    for (forms::TTreeNode** slot : {&HttpRoot, &FtpRoot, &SmtpRoot, &Pop3Root, &TelnetRoot}) {
        *slot = root;
        if (root != nullptr) root = root->GetNextSibling();
    }
}

void Tquillnestform::FormShow(forms::TObject*) {
    if (OnResize) OnResize(this);
    UpdateControls();
    Timer3->SetEnabled(true);
    Timer1->SetEnabled(true);
    // Maximised once, as the program starts: a later show (from the tray)
    // brings back the size the user left.
    if (StartMaximized) SetWindowState(forms::wsMaximized);
    StartMaximized = false;
}

void Tquillnestform::ShutdownServer() {
    if (shut_down_) return;
    // A paste, drop or home move still copying stops as its Cancel would:
    // the item in hand is undone, so nothing half made stays at its target
    // and nothing leaves its source that was not wholly copied.
    netunit::StopCopyWorkers(kCopyStopWait);
    if (!DisplayGone) {
        shutdownpanel->SetVisible(true);
        if (Widget() != nullptr) Widget()->repaint();
    }
    SaveAccounts();
    SaveFtpPaths();
    // From here on nothing is saved: the lists are emptied below.
    shut_down_ = true;
    http::DropExtensionEngine(this);

    // Sessions end before the extensions they may be running are unloaded.
    for (tsession* session : SessionList) ReleaseSessionAtShutdown(session);
    SessionList.clear();
    for (tsession* session : dead_sessions_) delete session;
    dead_sessions_.clear();
    http::UnloadExtensions(Http);

    Accounts.clear();
    WebDomainList.clear();
    VirtualPathList.clear();
    ScriptTypeList.clear();
    DownloadList.clear();
    UploadList.clear();
    DownloadStatList.clear();
    SuperuserPathList.clear();
    AnonymousPathList.clear();
    SharedPathList.clear();
    ForwardList.clear();
    MailDomainList.clear();
    BanList.clear();
    TriggerList.clear();
    ConsoleProgramList.clear();
    BanDialogOpen = false;
    TriggerDialogOpen = false;
    MimeTypes.Edit().clear();
    Mail.RelaysInFlight.clear();
    Mail.RelayQueueFiles.clear();
    Mail.RelayQueueTries.clear();
    Mail.RelayQueueTimes.clear();
    Mail.RelayQueueSenders.clear();
    Mail.MailboxIds.Clear();

    for (tlistener* l : {&TelnetListener, &HttpListener, &SmtpListener, &Pop3Listener, &FtpListener}) {
        if (!l->SocketOpen) continue;
        netsockets->KillSession(l->Socket);
        l->SocketOpen = false;
        l->Listening = false;
    }
    netsockets->StopSockets();

    FtpPermissionScratch.reset();
    if (IniFile) IniFile->CloseIni();
    IniFile.reset();
    // The program may end without the window's destructor: what the last
    // batch of notices left for the engine is written here.
    CloseLogFile();
}

void Tquillnestform::ReleaseSessionAtShutdown(tsession* session) {
    if (session->Kind >= kKindTelnet && session->Kind <= kKindFtp) {
        const ReleaseFunction release = kProtocolReleases[static_cast<size_t>(session->Kind)];
        if (release != nullptr) release(this, session);
    }
    if (session->TransferFileOpen) netunit::FileCloseHandle(session->TransferFile);
    if (session->MessageFileOpen) netunit::TextClose(session->MessageFile);
    if (session->ChildRunning) platform::EndChildProcess(session->Child);
    if (session->DataOpen) netsockets->CloseSession(session->DataSocket);
    delete session->IdleTimer;
    session->IdleTimer = nullptr;
    netsockets->CloseSession(session->Socket);
    RemoveSessionNode(session);
    delete session;
}

void Tquillnestform::CloseServer() {
    if (shut_down_) return;
    platform::BeginShutdown();
    if (TrayIcon != nullptr && !DisplayGone) TrayIcon->SetVisible(false);
    SaveSettings();
    ShutdownServer();
    // Every loop ends, the modal dialogs' too: a quit that asks the windows
    // to close first is refused by an open dialog, and the server would run
    // on without its services.
    forms::Application().Terminate();
}
