// The window's cache of extension libraries: loading, the unload timers and
// the unload at shutdown.
#include "http/isapicache.h"

#include "forms/forms.h"
#include "http/isapirequest.h"
#include "netunit/datetime.h"
#include "platform/mainthread.h"
#include "ui/quillnestform.h"

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

}  // namespace http

http::tisapi* Tquillnestform::LoadIsapi(const std::string& Path) {
    for (const auto& cached : Http.IsapiCache) {
        if (cached->Path != Path) continue;
        cached->UnloadTimer->SetEnabled(false);
        cached->LastUse = netunit::NowDayNumber();
        cached->UnloadTimer->SetEnabled(true);
        return cached.get();
    }
    platform::tlibrary module = platform::LoadLibrary(Path);
    if (module == nullptr) return nullptr;
    auto record = std::make_shared<http::tisapi>();
    record->GetExtensionVersion = http::EntryPoint<PFN_GETEXTENSIONVERSION>(module, "GetExtensionVersion");
    record->HttpExtensionProc = http::EntryPoint<PFN_HTTPEXTENSIONPROC>(module, "HttpExtensionProc");
    if (record->GetExtensionVersion == nullptr || record->HttpExtensionProc == nullptr ||
        !http::Starts(record->GetExtensionVersion)) {
        platform::FreeLibrary(module);
        return nullptr;
    }
    AddLog("[HTTP] Loaded ISAPI: " + Path);
    record->Path = Path;
    record->Module = module;
    record->LastUse = netunit::NowDayNumber();
    record->Id = ++http::g_lastLibraryId;
    // Owned by its record, which the window owns: the timer is freed with the
    // record, after its own handler has returned.
    record->UnloadTimer = std::make_unique<forms::TTimer>(nullptr);
    forms::TTimer* timer = record->UnloadTimer.get();
    timer->SetEnabled(false);
    timer->SetInterval(http::kExtensionCacheMs);
    timer->Tag = static_cast<intptr_t>(record->Id);
    timer->OnTimer = [this](forms::TObject* Sender) { UnloadIsapiTimer(Sender); };
    timer->SetEnabled(true);
    Http.IsapiCache.push_back(record);
    return record.get();
}

void Tquillnestform::UnloadIsapiTimer(forms::TObject* Sender) {
    const auto id = static_cast<uint64_t>(static_cast<forms::TTimer*>(Sender)->Tag);
    for (auto it = Http.IsapiCache.begin(); it != Http.IsapiCache.end(); ++it) {
        if ((*it)->Id != id) continue;
        // A request the extension still owns may yet run the library's code;
        // the timer asks again after another period.
        if (http::IsapiRequestsPending(id)) return;
        std::shared_ptr<http::tisapi> retired = *it;
        retired->UnloadTimer->SetEnabled(false);
        AddLog("[HTTP] Unloaded ISAPI: " + retired->Path);
        platform::FreeLibrary(retired->Module);
        retired->Module = nullptr;
        Http.IsapiCache.erase(it);
        // The record and its timer go once this handler of the timer has returned.
        platform::PostToMain([retired] {});
        return;
    }
}

void Tquillnestform::UnloadExtensions() {
    for (const auto& cached : Http.IsapiCache) {
        cached->UnloadTimer->SetEnabled(false);
        if (http::IsapiRequestsPending(cached->Id)) {
            // The extension may still be working on them on its own threads:
            // their callbacks fail from now on, and its code stays mapped.
            http::CloseIsapiRequests(cached->Id);
            continue;
        }
        platform::FreeLibrary(cached->Module);
    }
    Http.IsapiCache.clear();
}
