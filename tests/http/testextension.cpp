// An extension library for the tests. The request's query string chooses
// what it does:
//   (none) or vars  prints the control block and the server variables
//   pending         answers from a thread of its own, then says it is done
//   keep            keeps the request pending and never answers
//   late            keeps it pending; a thread writes after a pause and
//                   records what the write returned (LateWriteResult)
//   redirect        sends a redirect header
//   headerex        sends its own status and header lines
//   throw           throws out of HttpExtensionProc
//   error           returns an error and sends nothing
// A POST is answered with the body's sizes and the body itself.
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "http/isapi.h"

namespace {

constexpr auto kPendingPause = std::chrono::milliseconds(300);
constexpr auto kLatePause = std::chrono::milliseconds(1500);

std::atomic<int> g_lateWriteResult{-1};

void Write(EXTENSION_CONTROL_BLOCK* ecb, const std::string& text) {
    DWORD bytes = static_cast<DWORD>(text.size());
    ecb->WriteClient(ecb->ConnID, const_cast<char*>(text.data()), &bytes, 0);
}

void SendHeader(EXTENSION_CONTROL_BLOCK* ecb, const char* lines) {
    ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_RESPONSE_HEADER, const_cast<char*>(lines), nullptr,
                               nullptr);
}

std::string Variable(EXTENSION_CONTROL_BLOCK* ecb, const char* name) {
    char buffer[4096];
    DWORD size = sizeof buffer;
    if (!ecb->GetServerVariable(ecb->ConnID, const_cast<char*>(name), buffer, &size)) return "(none)";
    return std::string(buffer, size);
}

std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }

void PrintVariables(EXTENSION_CONTROL_BLOCK* ecb) {
    SendHeader(ecb, "Content-type: text/plain\r\n\r\n");
    std::string out = "cbSize=" + std::to_string(ecb->cbSize) + "\nversion=" + std::to_string(ecb->dwVersion) +
                      "\nmethod=" + Text(ecb->lpszMethod) + "\nquery=" + Text(ecb->lpszQueryString) +
                      "\npathinfo=" + Text(ecb->lpszPathInfo) + "\npathtranslated=" + Text(ecb->lpszPathTranslated) +
                      "\ntotal=" + std::to_string(ecb->cbTotalBytes) + "\n";
    const char* names[] = {"ALL_HTTP",        "HTTPS",       "SCRIPT_NAME",     "CONTENT_LENGTH", "QUERY_STRING",
                           "REQUEST_METHOD",  "SERVER_NAME", "SERVER_PORT",     "SERVER_PROTOCOL", "server_software",
                           "PATH_INFO",       "URL",         "REMOTE_ADDR",     "AUTH_TYPE",      "HTTP_HOST"};
    for (const char* name : names) out += std::string(name) + "=" + Variable(ecb, name) + "\n";

    char small[4];
    DWORD size = sizeof small;
    const BOOL fits = ecb->GetServerVariable(ecb->ConnID, const_cast<char*>("SERVER_PROTOCOL"), small, &size);
    out += "small=" + std::to_string(fits) + " needed=" + std::to_string(size) + "\n";

    char path[4096] = "/";
    DWORD pathSize = sizeof path;
    if (ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_MAP_URL_TO_PATH, path, &pathSize, nullptr))
        out += "root=" + std::string(path, pathSize) + "\n";
    Write(ecb, out);
}

void EchoBody(EXTENSION_CONTROL_BLOCK* ecb) {
    SendHeader(ecb, "Content-type: application/octet-stream\r\n\r\n");
    Write(ecb, "total=" + std::to_string(ecb->cbTotalBytes) + " available=" + std::to_string(ecb->cbAvailable) +
                   " type=" + Text(ecb->lpszContentType) + "\n");
    Write(ecb, std::string(reinterpret_cast<const char*>(ecb->lpbData), ecb->cbAvailable));
}

}  // namespace

extern "C" {

BOOL GetExtensionVersion(HSE_VERSION_INFO* version) {
    version->dwExtensionVersion = (HSE_VERSION_MAJOR << 16) | HSE_VERSION_MINOR;
    std::strncpy(version->lpszExtensionDesc, "Quillnest test extension", HSE_MAX_EXT_DLL_NAME_LEN - 1);
    return 1;
}

DWORD HttpExtensionProc(EXTENSION_CONTROL_BLOCK* ecb) {
    const std::string query = Text(ecb->lpszQueryString);
    if (std::string(ecb->lpszMethod) == "POST") {
        EchoBody(ecb);
        return HSE_STATUS_SUCCESS;
    }
    if (query == "pending") {
        std::thread([ecb] {
            std::this_thread::sleep_for(kPendingPause);
            SendHeader(ecb, "Content-type: text/plain\r\n\r\n");
            Write(ecb, "answered from another thread\n");
            Write(ecb, "host=" + Variable(ecb, "SERVER_NAME") + "\n");
            ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_DONE_WITH_SESSION, nullptr, nullptr, nullptr);
        }).detach();
        return HSE_STATUS_PENDING;
    }
    if (query == "keep") return HSE_STATUS_PENDING;
    if (query == "late") {
        std::thread([ecb] {
            std::this_thread::sleep_for(kLatePause);
            DWORD bytes = 4;
            g_lateWriteResult = ecb->WriteClient(ecb->ConnID, const_cast<char*>("late"), &bytes, 0);
            ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_DONE_WITH_SESSION, nullptr, nullptr, nullptr);
        }).detach();
        return HSE_STATUS_PENDING;
    }
    if (query == "redirect") {
        ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_URL_REDIRECT_RESP, const_cast<char*>("/elsewhere"),
                                   nullptr, nullptr);
        return HSE_STATUS_SUCCESS;
    }
    if (query == "headerex") {
        HSE_SEND_HEADER_EX_INFO info{"201 Created", "Content-type: text/plain\r\n\r\n", 11, 28, 0};
        ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_RESPONSE_HEADER_EX, &info, nullptr, nullptr);
        Write(ecb, "made");
        return HSE_STATUS_SUCCESS;
    }
    if (query == "throw") throw std::runtime_error("extension failed");
    if (query == "error") return HSE_STATUS_ERROR;
    PrintVariables(ecb);
    return HSE_STATUS_SUCCESS;
}

// For the unit tests: what the late write returned (-1 before it ran).
int LateWriteResult() { return g_lateWriteResult; }

}  // extern "C"
