// The window's side of the session engine: its step tables, and a run of the
// engine (core/engine.h) every 50 ms.
#include <algorithm>
#include <chrono>

#include "core/accounting.h"
#include "core/engine.h"
#include "ui/transferlists.h"
#include "ui/blacklistwindow.h"
#include "ui/protocols.h"
#include "ftp/ftpsession.h"
#include "http/httpprograms.h"
#include "http/httpsession.h"
#include "mail/mailstates.h"
#include "mail/smtpstep.h"
#include "telnet/telnet.h"
#include "forms/forms.h"
#include "ui/quillnestform.h"

namespace {
// The engine ticks every 50 ms. It is off while it runs, so that a run never
// starts inside another; the next countdown is shortened by the time the run
// took, so that a busy server still gets its ten passes per 50 ms.
constexpr int kTickMs = 50;
constexpr int kShortestWaitMs = 1;
}  // namespace

const Tquillnestform::StepTable Tquillnestform::kProtocolSteps = {
    nullptr, ProcessTelnet, ProcessHttp, ProcessSmtp, ProcessPop3, ProcessFtp,
};

const std::array<Tquillnestform::ReleaseFunction, 6> Tquillnestform::kProtocolReleases = {
    nullptr,
    nullptr,
    http::ReleaseHttpPrograms,
    [](core::tsessionface*, tsession* session) { mail::ReleaseSmtpAtShutdown(session); },
    nullptr,
    nullptr,
};

const std::array<Tquillnestform::StateTextFunction, 6> Tquillnestform::kStateTexts = {
    nullptr, telnet::TelnetStateName, http::HttpStateName, mail::SmtpStateText, mail::Pop3StateText, ftp::FtpStateName,
};

void Tquillnestform::EnterState(tsession* session, int32_t State) {
    const bool known = session->Kind >= kKindTelnet && session->Kind <= kKindFtp;
    if (known)
        core::EnterState(session, State, kStateTexts[static_cast<size_t>(session->Kind)]);
    else
        session->State = State;
}

Tquillnestform::StepFunction Tquillnestform::StepOf(int32_t kind) const {
    return kind >= kKindTelnet && kind <= kKindFtp ? Steps[static_cast<size_t>(kind)] : nullptr;
}

void Tquillnestform::Timer2Timer(forms::TObject*) {
    const auto started = std::chrono::steady_clock::now();
    Timer2->SetEnabled(false);
    OpenLogBatch();
    core::RunEngine(
        *this,
        [this](tsession* session, int index) {
            if (StepFunction step = StepOf(session->Kind)) step(this, session, index);
        },
        EnterState);
    for (tsession* session : dead_sessions_) delete session;
    dead_sessions_.clear();
    CloseLogBatch();
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    Timer2->SetInterval(static_cast<unsigned>(std::max<long long>(kShortestWaitMs, kTickMs - spent.count())));
    Timer2->SetEnabled(true);
}

void Tquillnestform::SessionIdleTimer(forms::TObject* Sender) {
    auto* timer = static_cast<forms::TTimer*>(Sender);
    int index = FindSessionBySocket(static_cast<int>(timer->Tag));
    if (index >= 0) EnterState(SessionList[static_cast<size_t>(index)], kStateClosing);
}

void Tquillnestform::CloseSessionStep(tsession* session, int index) {
    core::LogSession(*this, session, session->PeerAddress + " disconnected.");
    netsockets->CloseSession(session->Socket);
    RemoveSessionNode(session);
    SessionList.erase(SessionList.begin() + index);
    FreeSessionRecord(session);
}

bool Tquillnestform::CheckTriggers(core::TriggerService Service, const std::string& Text, const std::string& Address) {
    return ::CheckTriggers(this, Service, Text, Address);
}

void Tquillnestform::AddDownloadRecord(const std::string& FileName, const std::string& Folder, const std::string& User) {
    ::AddDownloadRecord(this, FileName, Folder, User);
}

void Tquillnestform::CountDownloadStat(const std::string& FileName, const std::string& Folder) {
    ::CountDownloadStat(this, FileName, Folder);
}

void Tquillnestform::FreeSessionRecord(tsession* session) {
    if (session->IdleTimer != nullptr) {
        // Only the engine and shutdown free sessions, never the timer's own handler.
        delete session->IdleTimer;
        session->IdleTimer = nullptr;
    }
    dead_sessions_.push_back(session);
}
