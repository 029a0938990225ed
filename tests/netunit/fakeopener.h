// A stand-in for the desktop's opener in tests: a script that writes its
// arguments, one per line, to a file once it has them all, and a wait for it.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

// Writes the opener into Folder; it records its arguments in Out after
// DelaySeconds. The script's path, to give SetShellOpenProgram; "" when it
// could not be made runnable.
inline std::string WriteFakeOpener(const std::string& folder, const std::string& out, int delaySeconds = 0) {
    const std::string script = folder + "/fake-open";
    std::ofstream(script, std::ios::binary) << "#!/bin/sh\nsleep " << delaySeconds
                                            << "\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << out
                                            << ".part'\nmv '" << out << ".part' '" << out << "'\n";
    return ::chmod(script.c_str(), 0755) == 0 ? script : std::string();
}

// What the opener recorded in Out, once it has (within 5 s); "" if it never did.
inline std::string OpenerRecord(const std::string& out) {
    for (int i = 0; i < 100 && !std::filesystem::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(out, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
