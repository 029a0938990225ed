#include "widgets/shell/shellfolder.h"

#include <cstdlib>

namespace shell {

std::string DesktopDirectory() { return HomeDirectory(); }
std::string HomeDirectory() {
    const char* h = std::getenv("HOME");
    return h && *h ? h : "/";
}
std::string XdgUserDirectory(const std::string&) { return {}; }
std::string TrashDirectory() { return {}; }
ShellFolderPtr DesktopFolder() { return nullptr; }
std::string PathOfIdList(PCItemIDList) { return {}; }
uint32_t FileSystemAttributes(const std::string&, SegmentKind, uint32_t) { return 0; }
bool HasSubfolders(const std::string&, bool) { return false; }

}  // namespace shell
