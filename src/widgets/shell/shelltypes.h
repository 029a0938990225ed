// The vocabulary of the shell browsing layer: result codes, item-id lists,
// the attribute, display-name and enumeration flags, the text result record
// and the folder and enumerator objects through which the tree and the
// namespace object see the desktop.
//
// The layer was written against a desktop shell that handed out folders as
// reference-counted objects and named every item by an item-id list. Here the
// namespace is our own (see shellfolder.h): the lists keep the published
// layout (16-bit sizes, a zero terminator), the folders are shared_ptr
// objects, and the numbers keep their values so that the callers' masks and
// tests read as they were written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace shell {

// --- result codes ---

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }
// An errno value as a failure code (facility 7 carries system error numbers).
HRESULT HresultFromErrno(int err);
// The system's text for a code: strerror for errno codes, else a fixed
// text; no trailing blanks, line ends or dots.
std::string HresultText(HRESULT hr);
// A comparison result carried in the low 16 bits of a success code.
inline constexpr HRESULT MakeCompareResult(int order) {
    return static_cast<HRESULT>(static_cast<uint16_t>(static_cast<int16_t>(order < 0 ? -1 : order > 0 ? 1 : 0)));
}
inline constexpr int CompareResultOf(HRESULT hr) { return static_cast<int16_t>(hr & 0xFFFF); }

// --- item-id lists ---

// One item: a 16-bit little-endian byte count that includes itself, then
// count - 2 bytes. A list is items back to back ending in a count of 0.
// Lists are reached through pointers to their first byte; the layer reads
// them byte-wise, so no alignment is assumed.
struct ITEMIDLIST {
    uint8_t cb[2];
};
using PItemIDList = ITEMIDLIST*;
using PCItemIDList = const ITEMIDLIST*;

// The allocator through which lists are made and freed.
class IMalloc {
public:
    virtual ~IMalloc() = default;
    // nullptr when the memory cannot be had.
    virtual void* Alloc(size_t size) = 0;
    virtual void Free(void* p) = 0;
};

// --- shell folder numbers (special folders) ---

enum : int {
    CSIDL_DESKTOP = 0,
    CSIDL_CONTROLS = 3,
    CSIDL_PRINTERS = 4,
    CSIDL_PERSONAL = 5,
    CSIDL_FAVORITES = 6,
    CSIDL_BITBUCKET = 10,
    CSIDL_DESKTOPDIRECTORY = 16,
    CSIDL_DRIVES = 17,
    CSIDL_NETWORK = 18,
    CSIDL_TEMPLATES = 21,
    CSIDL_HISTORY = 34,
    CSIDL_PROFILE = 40,
    CSIDL_NONE = 50,  // what SpecialFolderOfPidl answers for no special folder
};

// --- attribute bits (GetAttributesOf) ---

enum : uint32_t {
    SFGAO_CANCOPY = 0x1,
    SFGAO_CANMOVE = 0x2,
    SFGAO_CANLINK = 0x4,
    SFGAO_CANRENAME = 0x10,
    SFGAO_CANDELETE = 0x20,
    SFGAO_HASPROPSHEET = 0x40,
    SFGAO_DROPTARGET = 0x100,
    SFGAO_LINK = 0x10000,
    SFGAO_SHARE = 0x20000,
    SFGAO_READONLY = 0x40000,
    SFGAO_GHOSTED = 0x80000,  // hidden items: drawn ghosted
    SFGAO_NONENUMERATED = 0x100000,
    SFGAO_NEWCONTENT = 0x200000,
    SFGAO_STREAM = 0x400000,
    SFGAO_VALIDATE = 0x01000000,  // asks for fresh answers
    SFGAO_REMOVABLE = 0x02000000,
    SFGAO_FILESYSANCESTOR = 0x10000000,
    SFGAO_FOLDER = 0x20000000,
    SFGAO_FILESYSTEM = 0x40000000,
    SFGAO_HASSUBFOLDER = 0x80000000,
};

// --- display-name flags (GetDisplayNameOf) ---

enum : uint32_t {
    SHGDN_NORMAL = 0,
    SHGDN_INFOLDER = 0x1,
    SHGDN_FOREDITING = 0x1000,
    SHGDN_FORADDRESSBAR = 0x4000,
    SHGDN_FORPARSING = 0x8000,
};

// --- enumeration flags (EnumObjects) ---

enum : uint32_t {
    SHCONTF_FOLDERS = 0x20,
    SHCONTF_NONFOLDERS = 0x40,
    SHCONTF_INCLUDEHIDDEN = 0x80,
};

// --- text results ---

enum : uint32_t { STRRET_WSTR = 0, STRRET_OFFSET = 1, STRRET_CSTR = 2 };
inline constexpr int MAX_PATH = 260;

// A text handed back by a folder: a wide text allocated through the shell
// allocator (free it with FreeStrRet), an offset into the item's own bytes
// (where a NUL-terminated name lives), or a short narrow text in the record.
struct STRRET {
    uint32_t uType = STRRET_WSTR;
    char16_t* pOleStr = nullptr;
    uint32_t uOffset = 0;
    char cStr[MAX_PATH] = {};
};

// --- folders ---

class IShellFolder;
using ShellFolderPtr = std::shared_ptr<IShellFolder>;

// Hands out the items of one folder, one relative one-item list at a time.
class IEnumIDList {
public:
    virtual ~IEnumIDList() = default;
    // S_OK with a new list (the caller frees it with ShellFree), S_FALSE at
    // the end, a failure code when the folder cannot be read further.
    virtual HRESULT Next(PItemIDList& item) = 0;
};

// One folder of the namespace. The methods take lists relative to this
// folder; they never throw.
class IShellFolder {
public:
    virtual ~IShellFolder() = default;
    // Parses a display name (an absolute path for the desktop, a relative
    // one for other file-system folders) into a list relative to this folder.
    virtual HRESULT ParseDisplayName(const std::string& name, PItemIDList& out) = 0;
    // Starts an enumeration with SHCONTF_ flags. The owner window is only
    // carried for the caller's sake: nothing here asks the user anything.
    virtual HRESULT EnumObjects(uintptr_t owner, uint32_t flags, std::unique_ptr<IEnumIDList>& out) = 0;
    // The folder of a descendant (relative list of one or more items).
    virtual HRESULT BindToObject(PCItemIDList item, ShellFolderPtr& out) = 0;
    // Order of two relative lists by column (0: name). The result's low
    // 16 bits, read signed, are negative, zero or positive; the order is a
    // strict weak order for any pair of lists.
    virtual HRESULT CompareIDs(intptr_t column, PCItemIDList a, PCItemIDList b) = 0;
    // ANDs the attributes of the item into inout (SFGAO_ bits asked for).
    virtual HRESULT GetAttributesOf(PCItemIDList item, uint32_t& inout) = 0;
    virtual HRESULT GetDisplayNameOf(PCItemIDList item, uint32_t flags, STRRET& out) = 0;
    // Renames an item; out receives its new relative list.
    virtual HRESULT SetNameOf(uintptr_t owner, PCItemIDList item, const std::u16string& name, uint32_t flags,
                              PItemIDList& out) = 0;
};

}  // namespace shell
