#include "platform/hostlookup.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <netdb.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>

#include "platform/mainthread.h"
#include "platform/sockethandles.h"
#include "platform/winsockerrors.h"

namespace platform {
namespace {

constexpr const char* kHostsVariable = "QUILLNEST_HOSTS";
// A hosts file for tests is small; anything larger is not one.
constexpr std::streamsize kMaxHostsFile = 1 << 20;

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

int LookupInHostsFile(const char* path, const std::string& name, in_addr& out) {
    std::ifstream file(path, std::ios::binary);
    std::string text(kMaxHostsFile, '\0');
    file.read(text.data(), kMaxHostsFile);
    text.resize(static_cast<size_t>(file.gcount()));
    return FindInHostsText(text, name, out) ? 0 : WSAHOST_NOT_FOUND;
}

int LookupWithResolver(const std::string& name, in_addr& out) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (rc != 0) return WinsockErrorFromLookup(rc);
    int result = WSAHOST_NOT_FOUND;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET) continue;
        out = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr;
        result = 0;
        break;
    }
    freeaddrinfo(found);
    return result;
}

}  // namespace

bool FindInHostsText(const std::string& text, const std::string& name, in_addr& out) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string address;
        if (!(words >> address)) continue;
        in_addr parsed{};
        if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) continue;
        for (std::string alias; words >> alias;) {
            if (SameName(alias, name)) {
                out = parsed;
                return true;
            }
        }
    }
    return false;
}

int LookupHostIPv4(const std::string& name, in_addr& out) {
    if (name.empty()) return WSAHOST_NOT_FOUND;
    if (inet_aton(name.c_str(), &out) != 0) return 0;
    if (const char* hosts = std::getenv(kHostsVariable); hosts != nullptr && *hosts != '\0')
        return LookupInHostsFile(hosts, name, out);
    return LookupWithResolver(name, out);
}

void LookupHostAsync(int socket, const std::string& name, std::function<void(int error, in_addr address)> done) {
    std::thread([socket, name, done = std::move(done)] {
        in_addr address{};
        const int error = LookupHostIPv4(name, address);
        PostToMain([socket, error, address, done] {
            if (SocketOpen(socket)) done(error, address);
        });
    }).detach();
}

}  // namespace platform
