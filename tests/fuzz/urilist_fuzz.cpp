// Feeds arbitrary bytes, as another program may put them on the clipboard
// or into a drop, to the uri-list reader. Every path read is absolute and
// holds no NUL; written again as a uri-list it reads back byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzzsupport.h"
#include "widgets/shell/fileuri.h"

using fuzz::Check;
using namespace shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> paths = PathsOfUriList(text);
    for (const std::string& p : paths) {
        Check(!p.empty() && p[0] == '/' && p.find('\0') == std::string::npos);
        std::string back;
        Check(PathOfFileUri(FileUriOf(p), back) && back == p);
    }
    Check(PathsOfUriList(UriListText(paths)) == paths);
    // A single URI reads as the list of that one line does.
    std::string one;
    if (PathOfFileUri(text, one)) Check(text.find('\n') != std::string::npos || PathsOfUriList(text).size() == 1);
    std::string decoded;
    if (PercentDecode(text, decoded)) {
        std::string again;
        Check(PercentDecode(PercentEncodePath(decoded), again) && again == decoded);
    }
    return 0;
}
