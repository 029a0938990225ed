// The extension libraries the server has loaded (thttpstate::IsapiCache). A library stays loaded
// while requests come for it and is unloaded by its own timer once none has
// come for kExtensionCacheMs; one that still owns a pending request stays
// until that request is done.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "http/isapi.h"
#include "platform/library.h"

namespace core {
class tsessionface;
}
namespace forms {
class TObject;
class TTimer;
}

namespace http {

struct thttpstate;

constexpr unsigned kExtensionCacheMs = 600000;

struct tisapi {
    tisapi();
    ~tisapi();
    tisapi(const tisapi&) = delete;
    tisapi& operator=(const tisapi&) = delete;

    std::string Path;  // as loaded; the cache key, compared exactly
    std::unique_ptr<forms::TTimer> UnloadTimer;
    platform::tlibrary Module = nullptr;
    PFN_GETEXTENSIONVERSION GetExtensionVersion = nullptr;
    PFN_HTTPEXTENSIONPROC HttpExtensionProc = nullptr;
    double LastUse = 0;  // day number of the last load or use
    uint64_t Id = 0;     // never reused in a run; the timer's Tag and the requests' LibraryId
};

// The cached library, or the library loaded and started; nullptr when it
// cannot be loaded or refuses to start. Loads and unloads are told to Face's
// log; State and Face outlive the library's timer.
tisapi* LoadIsapi(thttpstate& State, core::tsessionface& Face, const std::string& Path);
// A library's unload timer has fired (Sender is the timer).
void UnloadIsapiTimer(thttpstate& State, core::tsessionface& Face, forms::TObject* Sender);
// At shutdown: every library goes, but the code of one whose requests an
// extension still holds stays mapped.
void UnloadExtensions(thttpstate& State);

}  // namespace http
