// The web server's cache of extension libraries: loading, the unload timers
// and the unload at shutdown.
#include "http/isapicache.h"

#include "core/sessionface.h"
#include "forms/forms.h"
#include "http/httpstate.h"
#include "http/isapirequest.h"
#include "netunit/datetime.h"
#include "platform/mainthread.h"

namespace http {
namespace {

uint64_t g_lastLibraryId = 0;

template <class Entry>
Entry EntryPoint(platform::tlibrary Module, const char* Name) {
    return reinterpret_cast<Entry>(platform::LibrarySymbol(Module, Name));
}

// Whether the library agrees to serve; a library that throws does not.
bool Starts(PFN_GETEXTENSIONVERSION GetExtensionVersion) {
    HSE_VERSION_INFO version{};
    try {
        return GetExtensionVersion(&version) != 0;
    } catch (...) {
        return false;
    }
}

}  // namespace

tisapi::tisapi() = default;
tisapi::~tisapi() = default;

tisapi* LoadIsapi(thttpstate& State, core::tsessionface& Face, const std::string& Path) {
    for (const auto& cached : State.IsapiCache) {
        if (cached->Path != Path) continue;
        cached->UnloadTimer->SetEnabled(false);
        cached->LastUse = netunit::NowDayNumber();
        cached->UnloadTimer->SetEnabled(true);
        return cached.get();
    }
    platform::tlibrary module = platform::LoadLibrary(Path);
    if (module == nullptr) return nullptr;
    auto record = std::make_shared<tisapi>();
    record->GetExtensionVersion = EntryPoint<PFN_GETEXTENSIONVERSION>(module, "GetExtensionVersion");
    record->HttpExtensionProc = EntryPoint<PFN_HTTPEXTENSIONPROC>(module, "HttpExtensionProc");
    if (record->GetExtensionVersion == nullptr || record->HttpExtensionProc == nullptr ||
        !Starts(record->GetExtensionVersion)) {
        platform::FreeLibrary(module);
        return nullptr;
    }
    Face.AddLog("[HTTP] Loaded ISAPI: " + Path);
    record->Path = Path;
    record->Module = module;
    record->LastUse = netunit::NowDayNumber();
    record->Id = ++g_lastLibraryId;
    // Owned by its record, which the state owns: the timer is freed with the
    // record, after its own handler has returned.
    record->UnloadTimer = std::make_unique<forms::TTimer>(nullptr);
    forms::TTimer* timer = record->UnloadTimer.get();
    timer->SetEnabled(false);
    timer->SetInterval(kExtensionCacheMs);
    timer->Tag = static_cast<intptr_t>(record->Id);
    timer->OnTimer = [&State, &Face](forms::TObject* Sender) { UnloadIsapiTimer(State, Face, Sender); };
    timer->SetEnabled(true);
    State.IsapiCache.push_back(record);
    return record.get();
}

void UnloadIsapiTimer(thttpstate& State, core::tsessionface& Face, forms::TObject* Sender) {
    const auto id = static_cast<uint64_t>(static_cast<forms::TTimer*>(Sender)->Tag);
    for (auto it = State.IsapiCache.begin(); it != State.IsapiCache.end(); ++it) {
        if ((*it)->Id != id) continue;
        // A request the extension still owns may yet run the library's code;
        // the timer asks again after another period.
        if (IsapiRequestsPending(id)) return;
        std::shared_ptr<tisapi> retired = *it;
        retired->UnloadTimer->SetEnabled(false);
        Face.AddLog("[HTTP] Unloaded ISAPI: " + retired->Path);
        platform::FreeLibrary(retired->Module);
        retired->Module = nullptr;
        State.IsapiCache.erase(it);
        // The record and its timer go once this handler of the timer has returned.
        platform::PostToMain([retired] {});
        return;
    }
}

void UnloadExtensions(thttpstate& State) {
    for (const auto& cached : State.IsapiCache) {
        cached->UnloadTimer->SetEnabled(false);
        if (IsapiRequestsPending(cached->Id)) {
            // The extension may still be working on them on its own threads:
            // their callbacks fail from now on, and its code stays mapped.
            CloseIsapiRequests(cached->Id);
            continue;
        }
        platform::FreeLibrary(cached->Module);
    }
    State.IsapiCache.clear();
}

}  // namespace http
