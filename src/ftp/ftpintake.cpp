#include "ftp/ftpintake.h"

namespace ftp {

// Both rule sets bound a line alike; they differ only in what a take removes.
void CutOverlongLine(std::string& buffer) { core::BoundLine(buffer, kCommandLineRules); }

std::string TakeLine(std::string& buffer, bool loggedIn) {
    std::string line;
    core::TakeLine(buffer, loggedIn ? kCommandLineRules : kLoginLineRules, line);
    return line;
}

}  // namespace ftp
