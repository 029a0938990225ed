// The request step's call of an extension library: the library is taken from
// the cache (or loaded), the request handed over in its control block, and
// the library's HttpExtensionProc called on the window's thread. What the
// extension sent through its callbacks during the call has reached the socket
// when the call returns; one that keeps the request pending answers later,
// from any thread, while the session waits in its own state.
#include <string>

#include "core/session.h"
#include "http/cgienv.h"
#include "http/httpprograms.h"
#include "http/httpsession.h"
#include "http/isapicache.h"
#include "http/isapirequest.h"
#include "http/urlpath.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"

namespace http {
namespace {

// The library itself, or the interpreter library of the script's type.
std::string LibraryFor(const core::RecordList<core::tscripttype>& ScriptTypes, const std::string& LocalPath) {
    const std::string extension = LowerExtension(LocalPath);
    if (extension == ".dll" || extension == ".so") return LocalPath;
    const core::tscripttype* type = FindScriptType(ScriptTypes, LocalPath);
    return type != nullptr ? netunit::TrimSpacesCR(type->Interpreter) : std::string();
}

DWORD RunExtension(PFN_HTTPEXTENSIONPROC HttpExtensionProc, tisapirequest& Request) {
    try {
        return HttpExtensionProc(&Request);
    } catch (...) {
        return HSE_STATUS_ERROR;
    }
}

}  // namespace

void CallExtension(HttpStep& Step, tsession* Session, const std::string& LocalPath) {
    const HttpSettings& settings = Step.Settings();
    const bool post = Session->Method == "POST";
    const std::string library = LibraryFor(*settings.Map.ScriptTypes, LocalPath);
    LogHttp(&Step.Face, Session, (post ? "ISAPI (POST): " : "ISAPI (GET): ") + library);
    SetHttpCaption(Session, "Running ISAPI Interpretor: " + netunit::WideToUtf8(Session->Target));

    tisapi* loaded = LoadIsapi(Step.Http, Step.Face, library);
    if (loaded == nullptr) {
        Step.Face.AddLog("Unable to load ISAPI.");
        SendFinalReply(&Step.Face, Session, IsapiFailurePage(post));
        core::tsessionface::RestartIdleTimer(Session);
        return;
    }
    if (!post) Session->ContentLength = "0";
    const std::shared_ptr<tisapirequest> request = NewIsapiRequest(settings.WebPort, Session, loaded->Id);
    Session->Ecb = request;
    KeepIsapiRequest(request);
    const DWORD result = RunExtension(loaded->HttpExtensionProc, *request);
    if (result == HSE_STATUS_PENDING && !IsapiRequestDone(*request)) {
        EnterState(Session, kHttpExtensionPending);
        return;
    }
    // Not kept pending: the extension is done with the request.
    ForgetIsapiRequest(*request);
    EnterState(Session, kHttpClosing);
}

}  // namespace http
