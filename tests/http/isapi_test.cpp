// The extension cache and the life of a request handed to an extension:
// loading once, unloading by the timer, pending requests keeping their
// library, callbacks after the session has gone, callbacks from other
// threads, and the unload at shutdown. Uses the test extension library and a
// small engine of its own.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "../core/testface.h"
#include "core/session.h"
#include "forms/forms.h"
#include "http/httpstate.h"
#include "http/isapicache.h"
#include "http/isapirequest.h"
#include "platform/library.h"
#include "platform/mainthread.h"
#include "platform/programdir.h"

namespace {

const std::string kExtension = QUILLNEST_TEST_EXTENSION;
const std::string kWebPort = "80";
// A socket handle no session of the engine has.
int g_nextFakeSocket = 900000;

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class IsapiTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::InitMainThread();
        char pattern[] = "/tmp/quillnest-isapi-XXXXXX";
        dir_ = mkdtemp(pattern);
        platform::SetProgramDir(dir_);
        // The server's engine answers the extensions while it runs.
        http::SetExtensionEngine(&face_);
        session_.Socket = ++g_nextFakeSocket;
        session_.Method = "GET";
        session_.PeerAddress = "127.0.0.9";
    }
    void TearDown() override {
        session_.Ecb.reset();
        // As the server's shutdown does.
        http::DropExtensionEngine(&face_);
        http::UnloadExtensions(http_);
        Pump(20);  // records retired by their timers go
        platform::SetProgramDir("");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    int CountLogged(const std::string& text) const {
        int n = 0;
        for (const std::string& line : face_.Log)
            if (line.ends_with(text)) ++n;
        return n;
    }

    // The cache, as the request step loads from it.
    http::tisapi* Load(const std::string& path) { return http::LoadIsapi(http_, face_, path); }
    void FireUnloadTimer(forms::TTimer* timer) { http::UnloadIsapiTimer(http_, face_, timer); }

    // A request of session_ handed to the library, as the request step does.
    std::shared_ptr<http::tisapirequest> HandOver(const http::tisapi* library) {
        auto request = http::NewIsapiRequest(kWebPort, &session_, library->Id);
        session_.Ecb = request;
        http::KeepIsapiRequest(request);
        return request;
    }

    template <class Entry>
    Entry Export(const char* name) {
        platform::tlibrary library = platform::LoadLibrary(kExtension);
        auto entry = reinterpret_cast<Entry>(platform::LibrarySymbol(library, name));
        platform::FreeLibrary(library);  // still loaded by the cache
        return entry;
    }

    std::string dir_;
    TestFace face_;
    http::thttpstate http_;
    tsession session_;
};

TEST_F(IsapiTest, LoadsOnceAndUnloadsWhenItsTimerFires) {
    http::tisapi* first = Load(kExtension);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Load(kExtension), first);
    EXPECT_EQ(CountLogged("[HTTP] Loaded ISAPI: " + kExtension), 1);
    ASSERT_EQ(http_.IsapiCache.size(), 1u);
    forms::TTimer* timer = first->UnloadTimer.get();
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 600000u);

    // The key is the path as written: another spelling is another record.
    const std::string other = netunit::WideExtractPath(kExtension) + "./" + kExtension.substr(kExtension.rfind('/') + 1);
    http::tisapi* second = Load(other);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(http_.IsapiCache.size(), 2u);

    FireUnloadTimer(timer);
    EXPECT_EQ(CountLogged("[HTTP] Unloaded ISAPI: " + kExtension), 1);
    ASSERT_EQ(http_.IsapiCache.size(), 1u);
    EXPECT_EQ(http_.IsapiCache[0].get(), second);
    Pump(20);
    // Loaded anew on the next request.
    ASSERT_NE(Load(kExtension), nullptr);
    EXPECT_EQ(CountLogged("[HTTP] Loaded ISAPI: " + kExtension), 2);
}

TEST_F(IsapiTest, RefusesWhatIsNoExtension) {
    const std::string text = dir_ + "/x.so";
    FILE* f = fopen(text.c_str(), "w");
    fputs("no library", f);
    fclose(f);
    for (const std::string& path : {text, std::string("libm.so.6"), dir_ + "/missing.so", std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Load(path), nullptr);
    }
    EXPECT_TRUE(http_.IsapiCache.empty());
    EXPECT_EQ(CountLogged("[HTTP] Loaded ISAPI: libm.so.6"), 0);
}

TEST_F(IsapiTest, PendingRequestKeepsItsLibraryLoadedUntilDone) {
    http::tisapi* library = Load(kExtension);
    ASSERT_NE(library, nullptr);
    auto request = HandOver(library);
    FireUnloadTimer(library->UnloadTimer.get());
    EXPECT_EQ(http_.IsapiCache.size(), 1u);
    EXPECT_EQ(CountLogged("[HTTP] Unloaded ISAPI: " + kExtension), 0);

    EXTENSION_CONTROL_BLOCK& block = *request;
    EXPECT_EQ(block.ServerSupportFunction(block.ConnID, HSE_REQ_DONE_WITH_SESSION, nullptr, nullptr, nullptr), 1);
    EXPECT_FALSE(http::IsapiRequestsPending(library->Id));
    FireUnloadTimer(library->UnloadTimer.get());
    EXPECT_TRUE(http_.IsapiCache.empty());
    EXPECT_EQ(CountLogged("[HTTP] Unloaded ISAPI: " + kExtension), 1);
}

TEST_F(IsapiTest, CallbacksForAClosedSessionFailButDoneStillLetsGo) {
    http::tisapi* library = Load(kExtension);
    ASSERT_NE(library, nullptr);
    std::weak_ptr<http::tisapirequest> watch;
    EXTENSION_CONTROL_BLOCK* block = nullptr;
    {
        auto request = HandOver(library);
        watch = request;
        block = request.get();
    }
    char buffer[64];
    DWORD size = sizeof buffer;
    ASSERT_EQ(block->GetServerVariable(block->ConnID, const_cast<char*>("REMOTE_ADDR"), buffer, &size), 1);
    EXPECT_STREQ(buffer, "127.0.0.9");

    http::ReleaseExtensionRequest(&face_, &session_);
    EXPECT_EQ(session_.Ecb, nullptr);
    // The extension still owns the block: it stays valid.
    ASSERT_FALSE(watch.expired());
    EXPECT_STREQ(block->lpszMethod, "GET");
    size = sizeof buffer;
    EXPECT_EQ(block->GetServerVariable(block->ConnID, const_cast<char*>("REMOTE_ADDR"), buffer, &size), 0);
    DWORD bytes = 3;
    EXPECT_EQ(block->WriteClient(block->ConnID, const_cast<char*>("abc"), &bytes, 0), 0);
    EXPECT_EQ(block->ServerSupportFunction(block->ConnID, HSE_REQ_SEND_RESPONSE_HEADER,
                                           const_cast<char*>("X: 1\r\n\r\n"), nullptr, nullptr),
              0);
    EXPECT_EQ(block->ServerSupportFunction(block->ConnID, HSE_REQ_DONE_WITH_SESSION, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(http::IsapiRequestsPending(library->Id));
}

TEST_F(IsapiTest, ExtensionFinishingAfterItsSessionClosedIsRefusedCleanly) {
    http::tisapi* library = Load(kExtension);
    ASSERT_NE(library, nullptr);
    session_.QueryString = "late";
    std::weak_ptr<http::tisapirequest> watch;
    {
        auto request = HandOver(library);
        watch = request;
        ASSERT_EQ(library->HttpExtensionProc(request.get()), static_cast<DWORD>(HSE_STATUS_PENDING));
    }
    // The idle timer ends the session while the extension's thread still works.
    http::ReleaseExtensionRequest(&face_, &session_);
    auto lateWriteResult = Export<int (*)()>("LateWriteResult");
    ASSERT_NE(lateWriteResult, nullptr);
    QElapsedTimer t;
    t.start();
    while (lateWriteResult() == -1 && t.elapsed() < 5000) Pump(20);
    EXPECT_EQ(lateWriteResult(), 0);
    QElapsedTimer u;
    u.start();
    while (!watch.expired() && u.elapsed() < 2000) Pump(20);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(http::IsapiRequestsPending(library->Id));
    Pump(100);  // the extension's thread returns before its library may go
}

TEST_F(IsapiTest, CallbacksFromAnotherThreadNeverWaitForTheWindow) {
    http::tisapi* library = Load(kExtension);
    ASSERT_NE(library, nullptr);
    auto request = HandOver(library);
    EXTENSION_CONTROL_BLOCK* block = request.get();
    constexpr int kWrites = 200;
    // The window's thread waits for the worker without running its loop: a
    // callback that waited for the window would never return.
    auto worker = std::async(std::launch::async, [block] {
        int ok = 0;
        for (int i = 0; i < kWrites; ++i) {
            DWORD bytes = 5;
            ok += block->WriteClient(block->ConnID, const_cast<char*>("chunk"), &bytes, 0);
            char buffer[32];
            DWORD size = sizeof buffer;
            ok += block->GetServerVariable(block->ConnID, const_cast<char*>("REQUEST_METHOD"), buffer, &size);
        }
        return ok;
    });
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(worker.get(), 2 * kWrites);
    {
        std::lock_guard<std::mutex> lock(request->Lock);
        EXPECT_EQ(request->Output.size(), 5u * kWrites);
        EXPECT_TRUE(request->FlushPosted);
    }
    Pump(50);
    std::lock_guard<std::mutex> lock(request->Lock);
    EXPECT_TRUE(request->Output.empty());
    EXPECT_FALSE(request->FlushPosted);
}

TEST_F(IsapiTest, ShutdownUnloadsEveryLibraryAndClosesPendingRequests) {
    http::tisapi* library = Load(kExtension);
    ASSERT_NE(library, nullptr);
    const uint64_t id = library->Id;
    std::weak_ptr<http::tisapirequest> watch;
    EXTENSION_CONTROL_BLOCK* block = nullptr;
    {
        auto request = HandOver(library);
        watch = request;
        block = request.get();
    }
    session_.Ecb.reset();  // the session ends first
    http::UnloadExtensions(http_);
    EXPECT_TRUE(http_.IsapiCache.empty());
    // No unload line at shutdown.
    EXPECT_EQ(CountLogged("[HTTP] Unloaded ISAPI: " + kExtension), 0);
    // The extension still holds the request: it stays valid, but answers nothing.
    ASSERT_FALSE(watch.expired());
    DWORD bytes = 1;
    EXPECT_EQ(block->WriteClient(block->ConnID, const_cast<char*>("x"), &bytes, 0), 0);
    EXPECT_EQ(block->ServerSupportFunction(block->ConnID, HSE_REQ_DONE_WITH_SESSION, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(http::IsapiRequestsPending(id));
}

}  // namespace
