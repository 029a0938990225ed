// No exception may leave an event handler: Qt would terminate the process.
// Every handler, timer slot and queued call runs through RunGuarded, which
// reports the error the way the desktop class library does and goes on.
#pragma once

#include <functional>
#include <string>

namespace platform {

// Runs fn; an exception is reported through the error reporter and swallowed.
// Returns false when fn threw.
bool RunGuarded(const std::function<void()>& fn) noexcept;

// Where caught errors go. The default writes to stderr; the program sets one
// that shows the message the way the window does.
void SetErrorReporter(std::function<void(const std::string&)> reporter);
void ReportError(const std::string& message) noexcept;

}  // namespace platform
