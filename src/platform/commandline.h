// A command line as an administrator writes it, cut into the argument vector
// a program is started with. No shell ever sees it: nothing is expanded.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Words are separated by blanks and tabs. Double or single quotes group
// blanks into a word and are removed; a backslash outside single quotes takes
// the next character as it is. An unclosed quote runs to the end.
std::vector<std::string> SplitCommandLine(const std::string& CommandLine);

}  // namespace platform
