#include "platform/keystore.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <utility>

#include "netunit/files.h"
#include "netunit/names.h"

namespace platform {
namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr const char* kStoreFolder = "/quillnest";
constexpr const char* kStoreFile = "/quillnest/keystore";
constexpr const char* kAutostartFile = "/autostart/quillnest.desktop";

using Store = std::map<std::pair<std::string, std::string>, std::string>;

// One value a line: key, name and value separated by tabs; a backslash
// escapes a tab, a line feed, a carriage return or itself.
std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

bool Load(Store& store) {
    const std::string path = KeyStorePath();
    if (path.empty()) return false;
    std::string bytes;
    if (!netunit::ReadWholeFile(path, bytes)) return !netunit::WideFileExists(path);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        const size_t a = line.find('\t');
        const size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        if (b == std::string::npos) continue;
        store[{Unescape(line.substr(0, a)), Unescape(line.substr(a + 1, b - a - 1))}] = Unescape(line.substr(b + 1));
    }
    return true;
}

// The store exists with mode 0600 before its content is written: the
// atomic write keeps the target's mode for its temporary file.
bool Save(const Store& store) {
    const std::string path = KeyStorePath();
    if (path.empty() || !netunit::WideForceDirectories(ConfigHome() + kStoreFolder)) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kPrivateFile);
    if (fd < 0) return false;
    const bool privateMode = ::fchmod(fd, kPrivateFile) == 0;
    ::close(fd);
    if (!privateMode) return false;
    std::string bytes;
    for (const auto& [key, value] : store)
        bytes += Escape(key.first) + "\t" + Escape(key.second) + "\t" + Escape(value) + "\n";
    return netunit::WriteFileAtomic(path, bytes);
}

}  // namespace

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return std::string(home) + "/.config";
    return "";
}

std::string KeyStorePath() {
    const std::string config = ConfigHome();
    return config.empty() ? "" : config + kStoreFile;
}

bool ReadKeyValue(const std::string& Key, const std::string& Name, std::string& Value) {
    Store store;
    if (!Load(store)) return false;
    const auto it = store.find({Key, Name});
    if (it == store.end()) return false;
    Value = it->second;
    return true;
}

bool WriteKeyValue(const std::string& Key, const std::string& Name, const std::string& Value) {
    Store store;
    if (!Load(store)) return false;
    store[{Key, Name}] = Value;
    return Save(store);
}

bool DeleteKeyValue(const std::string& Key, const std::string& Name) {
    Store store;
    if (!Load(store)) return false;
    if (store.erase({Key, Name}) == 0) return true;
    return Save(store);
}

std::string AutostartPath() {
    const std::string config = ConfigHome();
    return config.empty() ? "" : config + kAutostartFile;
}

std::string AutostartExec(const std::string& Command) {
    std::string out = "\"";
    for (char c : Command) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    // The entry's own escape level: each backslash is written twice, and a
    // "%" (a field code) too; a line feed, a carriage return and a tab as
    // "\n", "\r" and "\t", so that the value stays on its line. The format
    // has no way to write any other control character.
    std::string line;
    for (char c : out) {
        switch (c) {
            case '\n': line += "\\n"; continue;
            case '\r': line += "\\r"; continue;
            case '\t': line += "\\t"; continue;
            case '\\':
            case '%': line += c; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
        }
        line += c;
    }
    return line;
}

bool WriteAutostart(const std::string& Command) {
    const std::string path = AutostartPath();
    const std::string exec = AutostartExec(Command);
    if (path.empty() || exec.empty() || !netunit::WideForceDirectories(ConfigHome() + "/autostart")) return false;
    const std::string entry = "[Desktop Entry]\nType=Application\nName=Quillnest\nExec=" + exec +
                              "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return netunit::WriteFileAtomic(path, entry);
}

bool RemoveAutostart() {
    const std::string path = AutostartPath();
    if (path.empty()) return false;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
