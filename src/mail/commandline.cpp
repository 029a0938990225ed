#include "mail/commandline.h"

#include <algorithm>
#include <iterator>

namespace mail {
namespace {

// An unended line longer than this is over-long whatever follows.
constexpr size_t kUnendedLineKept = kCommandLineMax + 2;

}  // namespace

void AppendReceived(std::string& Buffer, const char* Bytes, size_t Length) {
    std::copy_if(Bytes, Bytes + Length, std::back_inserter(Buffer), [](char c) { return c != '\0'; });
}

void BoundCommandBuffer(std::string& Buffer) {
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) {
        if (Buffer.size() > kUnendedLineKept) Buffer.resize(kUnendedLineKept);
        return;
    }
    const size_t lineLength = lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
    if (lineLength > kCommandLineMax) Buffer.replace(0, lf + 1, Buffer.substr(0, kCommandLineKept) + "\r\n");
}

bool TakeCommandLine(std::string& Buffer, std::string& Line) {
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) return false;
    Line.clear();
    const size_t end = lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
    std::copy_if(Buffer.begin(), Buffer.begin() + static_cast<std::ptrdiff_t>(end), std::back_inserter(Line),
                 [](char c) { return c != '\0'; });
    Buffer.erase(0, lf + 1);
    return true;
}

}  // namespace mail
