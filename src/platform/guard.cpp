#include "platform/guard.h"

#include <cstdio>
#include <exception>
#include <utility>

namespace platform {
namespace {
std::function<void(const std::string&)>& Reporter() {
    static std::function<void(const std::string&)> reporter;
    return reporter;
}
}  // namespace

void SetErrorReporter(std::function<void(const std::string&)> reporter) {
    Reporter() = std::move(reporter);
}

void ReportError(const std::string& message) noexcept {
    try {
        if (Reporter()) {
            Reporter()(message);
            return;
        }
    } catch (...) {
    }
    std::fprintf(stderr, "quillnest: %s\n", message.c_str());
}

bool RunGuarded(const std::function<void()>& fn) noexcept {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
    return false;
}

}  // namespace platform
