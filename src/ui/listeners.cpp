// The listener pass, the accept handler and the service switches.
#include <chrono>
#include <string>

#include "core/listener.h"
#include "forms/forms.h"
#include "platform/sockethandles.h"
#include "ui/quillnestform.h"

namespace {
constexpr unsigned kListenerRetryMs = 2000;
// The error a listener reports at the descriptor limit.
constexpr int kTooManyOpenFiles = 10024;
// After this long without a connection turned away, reaching the limit again
// is logged again.
constexpr std::chrono::seconds kDescriptorLimitQuiet{60};

std::string RootCaption(const ServiceRow& s, const char* what) { return std::string(s.Name) + " (" + what + ")"; }
std::string LogLine(const ServiceRow& s, const std::string& text) { return "[" + std::string(s.Name) + "] " + text; }

// The ban message is the same on every service.
const char kBanMessage[] =
    "You are banned from this server! (Quillnest v2.81 - http://quillnest.example.org/)\r\n\r\n";
}  // namespace

void Tquillnestform::BuildServiceRows() {
    services_ = {
        {"Telnet", kKindTelnet, kIdleTelnetMs, false, &TelnetListener, TelnetEnabled, telnetport,
         EnabledTelnet1, infotelnet, &TelnetRoot},
        {"HTTP", kKindHttp, kIdleHttpMs, true, &HttpListener, webenabled, webport, EnabledHTTP1, infoweb,
         &HttpRoot},
        {"SMTP", kKindSmtp, kIdleSmtpMs, true, &SmtpListener, emailenabled, emailport, EnabledSMTP1,
         infoemail, &SmtpRoot},
        {"POP3", kKindPop3, kIdlePop3Ms, true, &Pop3Listener, popenabled, popport, EnabledPOP31, infopop,
         &Pop3Root},
        {"FTP", kKindFtp, kIdleFtpMs, true, &FtpListener, ftpenabled, ftpport, EnabledFTP1, infoftp, &FtpRoot},
    };
}

void Tquillnestform::Timer1Timer(forms::TObject*) {
    Timer1->SetEnabled(false);
    for (const ServiceRow& s : services_)
        if (!s.Switch->Checked() && *s.Root != nullptr) (*s.Root)->SetText(RootCaption(s, "Disabled"));

    for (const ServiceRow& s : services_) {
        tlistener& l = *s.Listener;
        if (!s.Switch->Checked() || l.Listening) continue;
        if (!netsockets->NewServerSocket(l.Socket)) continue;
        int port = 0;
        bool number = ParsePortText(s.Port->Text(), port);
        l.SocketOpen = true;
        int bound = number ? netsockets->BindPort(l.Socket, port) : -1;
        if (bound != 0) {
            netsockets->KillSession(l.Socket);
            l.SocketOpen = false;
            if (*s.Root != nullptr) (*s.Root)->SetText(RootCaption(s, "Unable to listen"));
            if (l.ReportFailure) {
                l.ReportFailure = false;
                AddLog(LogLine(s, "Unable to listen on port " + s.Port->Text()));
                UpdateServiceInfo();
            } else if (s.Kind == kKindFtp) {
                UpdateServiceInfo();
            }
            continue;
        }
        netsockets->ListenPort(l.Socket);
        // A failed listen reaches the error handler, which closes the socket:
        // only a socket still open is listening.
        if (!l.SocketOpen) continue;
        l.Listening = true;
        AddLog(LogLine(s, "Listening."));
        if (*s.Root != nullptr) (*s.Root)->SetText(RootCaption(s, "Listening"));
        UpdateServiceInfo();
    }
    Timer1->SetInterval(kListenerRetryMs);
    Timer1->SetEnabled(true);
    Starting = false;
}

void Tquillnestform::UpdateServiceInfo() {
    // The Info tab lists the services in its own order.
    for (int i : {kSvcTelnet, kSvcHttp, kSvcFtp, kSvcSmtp, kSvcPop3}) {
        const ServiceRow& s = services_[static_cast<size_t>(i)];
        if (!s.Switch->Checked())
            s.Info->SetCaption(std::string(s.Name) + ": Disabled.");
        else if (s.Listener->Listening)
            s.Info->SetCaption(std::string(s.Name) + ": Listening on port " + s.Port->Text() + ".");
        else if (!Starting)
            s.Info->SetCaption(std::string(s.Name) + ": Unable to listen on port " + s.Port->Text() + ".");
    }
}

void Tquillnestform::netsocketsSessionAvailable(Tnetsockets*, int Socket) {
    for (const ServiceRow& s : services_) {
        if (!s.Listener->SocketOpen || s.Listener->Socket != Socket) continue;
        std::string address;
        int accepted = netsockets->AcceptSession(Socket, address);
        if (accepted == INVALID_SOCKET) return;
        if (IsBlacklisted(address)) {
            netsockets->SendText(accepted, kBanMessage);
            if (bannedattempts->Checked())
                AddLog(LogLine(s, "A connection was attempted from blacklisted address: " + address));
            netsockets->CloseSession(accepted);
            return;
        }
        auto* session = new tsession;
        session->PeerAddress = address;
        session->BlockSize = 4096;
        session->Socket = accepted;
        session->Kind = s.Kind;
        session->State = kStateAccepted;
        session->IdleTimer = new forms::TTimer(this);
        session->IdleTimer->SetEnabled(false);
        session->IdleTimer->SetInterval(s.IdleMs);
        session->IdleTimer->Tag = accepted;
        session->IdleTimer->OnTimer = [this](forms::TObject* sender) { SessionIdleTimer(sender); };
        session->IdleTimer->SetEnabled(s.IdleEnabled);
        SessionList.push_back(session);
        AddSessionNode(session);
        core::LogSession(*this, session, address + " Connected.");
        return;
    }
    // A passive FTP data connection: it becomes that session's data socket.
    for (tsession* session : SessionList) {
        if (session->Kind != kKindFtp || !session->Passive || session->DataSocket != Socket) continue;
        std::string address;
        int accepted = netsockets->AcceptSession(Socket, address);
        if (accepted == INVALID_SOCKET) return;
        // Only the client of the control connection may take the data
        // connection; anyone else who guessed the port is turned away and
        // the listener waits on for the client.
        if (address != session->PeerAddress) {
            netsockets->KillSession(accepted);
            return;
        }
        netsockets->KillSession(Socket);
        session->DataSocket = accepted;
        return;
    }
}

void Tquillnestform::netsocketsErrorOccurred(Tnetsockets*, int Socket, int Error, const std::string&) {
    for (const ServiceRow& s : services_) {
        tlistener& l = *s.Listener;
        if (!l.SocketOpen || l.Socket != Socket) continue;
        if (Error == kTooManyOpenFiles) {
            // The connection waits in the listen queue; the listener is
            // sound and serves again once descriptors are free.
            ReportDescriptorLimit(s);
            return;
        }
        l.Listening = false;
        l.SocketOpen = false;
        netsockets->KillSession(Socket);
        return;
    }
}

void Tquillnestform::ReportDescriptorLimit(const ServiceRow& s) {
    // One line for each stretch at the limit, not one for each connection.
    const auto now = std::chrono::steady_clock::now();
    const bool quietSince = !descriptor_limit_seen_ || now - descriptor_limit_at_ >= kDescriptorLimitQuiet;
    descriptor_limit_seen_ = true;
    descriptor_limit_at_ = now;
    if (quietSince)
        platform::RunWithSpareDescriptor([&] {
            AddLog(LogLine(s, "Too many open files: new connections wait until descriptors are free."));
            // The log file needs the spare descriptor too: the batch is written now.
            FlushLog();
        });
}

void Tquillnestform::ServiceSwitchClick(int service) {
    const ServiceRow& s = services_[static_cast<size_t>(service)];
    s.MenuItem->SetChecked(s.Switch->Checked());
    tlistener& l = *s.Listener;
    if (!s.Switch->Checked() && l.Listening) {
        netsockets->KillSession(l.Socket);
        l.Listening = false;
        l.SocketOpen = false;
        AddLog(LogLine(s, "Disabled."));
        s.Info->SetCaption(std::string(s.Name) + ": Disabled.");
    }
    if (OnResize) OnResize(this);
}

void Tquillnestform::EnableAll1Click(forms::TObject*) {
    for (int i : {kSvcHttp, kSvcFtp, kSvcSmtp, kSvcPop3, kSvcTelnet}) services_[static_cast<size_t>(i)].Switch->SetChecked(true);
}

void Tquillnestform::DisableAll1Click(forms::TObject*) {
    for (int i : {kSvcHttp, kSvcFtp, kSvcSmtp, kSvcPop3, kSvcTelnet}) services_[static_cast<size_t>(i)].Switch->SetChecked(false);
}

void Tquillnestform::protocoltreeClick(forms::TObject*) {
    bitbtn2->SetEnabled(false);
    forms::TTreeNode* selected = protocoltree->Selected();
    if (selected == nullptr) return;
    for (tsession* session : SessionList)
        if (session->Node == selected) bitbtn2->SetEnabled(true);
}

void Tquillnestform::BitBtn2Click(forms::TObject*) {
    forms::TTreeNode* selected = protocoltree->Selected();
    if (selected == nullptr) return;
    tsession* target = nullptr;
    for (tsession* session : SessionList)
        if (session->Node == selected) target = session;
    if (target == nullptr) return;
    std::string question = "Are you sure you want to kill this connection?\n\n" + selected->Text();
    if (forms::MessageDlg(question, forms::mtWarning, forms::mbYes | forms::mbNo) != forms::mrYes) return;
    // The question ran a nested loop: the session may be gone, or the node deselected.
    if (protocoltree->Selected() != selected) return;
    for (tsession* session : SessionList)
        if (session == target && session->Node == selected) EnterState(session, kStateClosing);
    bitbtn2->SetEnabled(false);
}
