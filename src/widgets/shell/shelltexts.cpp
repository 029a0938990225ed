#include "widgets/shell/shelltexts.h"

#include <map>

#include "widgets/shell/devicechange.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/namespaceobj.h"

namespace shell {

const char16_t* const STR_COLUMN_NAMES[10] = {u"Name",       u"Size",    u"Type",     u"Modified", u"Attributes",
                                              u"Created",    u"Accessed", u"Path",    u"DOS Name", u"Custom"};

const char16_t* const STR_NOTIFICATION_NAMES[20] = {
    u"Assocciation Changed", u"Attributes",      u"Item Create",    u"Item Delete",    u"Drive Add",
    u"Drive Add GUI",        u"Drive Removed",   u"Free Space",     u"Media Inserted", u"Media Removed",
    u"Make Directory",       u"Network Share",   u"Network Unshare", u"Folder Rename", u"Item Rename",
    u"Remove Directory",     u"Server Disconnect", u"Update Directory", u"Update Image", u"Update Item"};

uint16_t CF_SHELLIDLIST = 0, CF_LOGICALPERFORMEDDROPEFFECT = 0, CF_PREFERREDDROPEFFECT = 0, CF_FILECONTENTS = 0,
         CF_FILEDESCRIPTORA = 0, CF_FILEDESCRIPTORW = 0;

std::mutex& TreeViewLock() {
    static std::mutex lock;
    return lock;
}

uint16_t RegisterClipboardFormat(const std::string& name) {
    static std::mutex lock;
    static std::map<std::string, uint16_t> formats;
    std::lock_guard<std::mutex> hold(lock);
    auto it = formats.find(name);
    if (it != formats.end()) return it->second;
    if (formats.size() >= 0x3FFF) return 0;
    const uint16_t n = static_cast<uint16_t>(0xC000 + formats.size());
    formats.emplace(name, n);
    return n;
}

namespace {
int initCount = 0;
}

void InitNamespaceUnit();
void FinalizeNamespaceUnit();

void InitShellUnits() {
    if (initCount++ > 0) return;
    CF_SHELLIDLIST = RegisterClipboardFormat("Shell IDList Array");
    CF_LOGICALPERFORMEDDROPEFFECT = RegisterClipboardFormat("Logical Performed DropEffect");
    CF_PREFERREDDROPEFFECT = RegisterClipboardFormat("Preferred DropEffect");
    CF_FILECONTENTS = RegisterClipboardFormat("FileContents");
    CF_FILEDESCRIPTORA = RegisterClipboardFormat("FileGroupDescriptor");
    CF_FILEDESCRIPTORW = RegisterClipboardFormat("FileGroupDescriptorW");
    InitNamespaceUnit();
}

void FinalizeShellUnits() {
    if (initCount == 0 || --initCount > 0) return;
    FinalizeNamespaceUnit();
    FreeDeviceChangeHandler();
}

bool ShellUnitsInitialized() { return initCount > 0; }

}  // namespace shell
