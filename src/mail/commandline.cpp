#include "mail/commandline.h"

#include <algorithm>

namespace mail {

void AppendReceived(std::string& Buffer, const char* Bytes, size_t Length) {
    std::copy_if(Bytes, Bytes + Length, std::back_inserter(Buffer), [](char c) { return c != '\0'; });
}

void BoundCommandBuffer(std::string& Buffer) {
    const size_t lf = Buffer.find('\n');
    size_t lineLength = 0;
    if (lf == std::string::npos) {
        if (Buffer.size() <= kCommandLineMax + 1) return;
        lineLength = Buffer.size();
    } else {
        lineLength = lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
    }
    if (lineLength > kCommandLineMax) Buffer = Buffer.substr(0, kCommandLineKept) + "\r\n";
}

bool TakeCommandLine(std::string& Buffer, std::string& Line) {
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) return false;
    Line = Buffer.substr(0, lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf);
    Buffer.erase(0, lf + 1);
    return true;
}

}  // namespace mail
