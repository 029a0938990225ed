#include "mail/commandline.h"

#include <algorithm>
#include <iterator>

namespace mail {

void AppendReceived(std::string& Buffer, const char* Bytes, size_t Length) {
    std::copy_if(Bytes, Bytes + Length, std::back_inserter(Buffer), [](char c) { return c != '\0'; });
}

void BoundCommandBuffer(std::string& Buffer) { core::BoundLine(Buffer, kCommandLineRules); }

bool TakeCommandLine(std::string& Buffer, std::string& Line) { return core::TakeLine(Buffer, kCommandLineRules, Line); }

}  // namespace mail
