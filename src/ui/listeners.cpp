// The window's side of the listeners: the service rows and switches, the
// listener timer, the Info page's lines and killing a connection.
#include <string>

#include "core/listener.h"
#include "forms/forms.h"
#include "ui/quillnestform.h"

namespace {
constexpr unsigned kListenerRetryMs = 2000;
}  // namespace

void Tquillnestform::BuildServiceRows() {
    const auto& table = core::ServiceTable();
    services_ = {
        {table[kSvcTelnet].Name, TelnetEnabled, telnetport, EnabledTelnet1, infotelnet, &TelnetRoot},
        {table[kSvcHttp].Name, webenabled, webport, EnabledHTTP1, infoweb, &HttpRoot},
        {table[kSvcSmtp].Name, emailenabled, emailport, EnabledSMTP1, infoemail, &SmtpRoot},
        {table[kSvcPop3].Name, popenabled, popport, EnabledPOP31, infopop, &Pop3Root},
        {table[kSvcFtp].Name, ftpenabled, ftpport, EnabledFTP1, infoftp, &FtpRoot},
    };
}

void Tquillnestform::Timer1Timer(forms::TObject*) {
    Timer1->SetEnabled(false);
    Listeners.ListenPass();
    Timer1->SetInterval(kListenerRetryMs);
    Timer1->SetEnabled(true);
}

bool Tquillnestform::ServiceOn(int Service) const { return services_[static_cast<size_t>(Service)].Switch->Checked(); }

std::string Tquillnestform::ServicePort(int Service) const {
    return services_[static_cast<size_t>(Service)].Port->Text();
}

void Tquillnestform::ShowServiceState(int Service, const char* State) {
    const ServiceRow& s = services_[static_cast<size_t>(Service)];
    if (*s.Root != nullptr) (*s.Root)->SetText(std::string(s.Name) + " (" + State + ")");
}

bool Tquillnestform::LogRefusedAttempts() const { return bannedattempts->Checked(); }

void Tquillnestform::SessionAccepted(tsession* Session, const core::tservice& Service) {
    Session->IdleTimer = new forms::TTimer(this);
    Session->IdleTimer->SetEnabled(false);
    Session->IdleTimer->SetInterval(Service.IdleMs);
    Session->IdleTimer->Tag = Session->Socket;
    Session->IdleTimer->OnTimer = [this](forms::TObject* sender) { SessionIdleTimer(sender); };
    Session->IdleTimer->SetEnabled(Service.IdleEnabled);
    AddSessionNode(Session);
}

void Tquillnestform::UpdateServiceInfo() {
    // The Info tab lists the services in its own order.
    for (int i : {kSvcTelnet, kSvcHttp, kSvcFtp, kSvcSmtp, kSvcPop3}) {
        const ServiceRow& s = services_[static_cast<size_t>(i)];
        if (!s.Switch->Checked())
            s.Info->SetCaption(std::string(s.Name) + ": Disabled.");
        else if (Listeners.State[static_cast<size_t>(i)].Listening)
            s.Info->SetCaption(std::string(s.Name) + ": Listening on port " + s.Port->Text() + ".");
        else if (!Listeners.Starting)
            s.Info->SetCaption(std::string(s.Name) + ": Unable to listen on port " + s.Port->Text() + ".");
    }
}

void Tquillnestform::netsocketsSessionAvailable(Tnetsockets*, int Socket) { Listeners.SessionAvailable(Socket); }

void Tquillnestform::netsocketsErrorOccurred(Tnetsockets*, int Socket, int Error, const std::string&) {
    Listeners.ErrorOccurred(Socket, Error);
}

void Tquillnestform::ServiceSwitchClick(int service) {
    const ServiceRow& s = services_[static_cast<size_t>(service)];
    s.MenuItem->SetChecked(s.Switch->Checked());
    if (!s.Switch->Checked() && Listeners.Disable(service)) s.Info->SetCaption(std::string(s.Name) + ": Disabled.");
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
