// Opening a web page or a file with the desktop's handler for it.
#pragma once

#include <string>

namespace forms {
class TComponent;
}

namespace netunit {

// Hands the target to xdg-open as its only argument (no shell between) and
// returns at once; the result is not reported. The child is reaped when it
// ends. window is the owner on whose behalf the target is opened.
void ShellOpen(forms::TComponent* window, const std::string& target);
// The same start, for callers that report a failure: true when the program
// started. A path goes over as its bytes, whatever they are.
bool StartShellOpen(const std::string& target);

// The program ShellOpen starts; tests point it elsewhere.
void SetShellOpenProgram(const std::string& program);

}  // namespace netunit
