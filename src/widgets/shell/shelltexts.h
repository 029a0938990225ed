// Start-up and end work of the shell browsing layer, and the texts it
// shares: column titles, size texts, attribute letters, the names of change
// events and the clipboard formats of shell items.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace shell {

// Runs each unit's start-up once (a counter guards it), in link order.
void InitShellUnits();
// Runs the end work in reverse order once every start-up has been matched.
void FinalizeShellUnits();
bool ShellUnitsInitialized();

// --- shared texts ---
extern const char16_t* const STR_COLUMN_NAMES[10];  // "Name" ... "Custom"
inline constexpr const char16_t* STR_FILESIZE_KB = u"%.0n KB";
inline constexpr const char16_t* STR_ZERO_KB = u"0 KB";
inline constexpr const char16_t* STR_ONE_KB = u"1 KB";
inline constexpr const char16_t* STR_ARCHIVE = u"A";
inline constexpr const char16_t* STR_HIDDEN = u"H";
inline constexpr const char16_t* STR_READONLY = u"R";
inline constexpr const char16_t* STR_SYSTEM = u"S";
inline constexpr const char16_t* STR_COMPRESS = u"C";
inline constexpr const char16_t* STR_SYSTEMFOLDER = u"System Folder";
inline constexpr const char16_t* STR_FILE = u" File";
// A size in kilobytes, the number already formatted.
inline constexpr const char16_t* STR_KB_FORMAT = u"%sKB";
// The keys shown beside the folder tree's menu items.
inline constexpr const char16_t* STR_KEY_SELECTALL = u"Ctrl+A";
inline constexpr const char16_t* STR_KEY_DELETE = u"Del";
inline constexpr const char16_t* STR_KEY_COPY = u"Ctrl+C";
inline constexpr const char16_t* STR_KEY_CUT = u"Ctrl+X";
inline constexpr const char16_t* STR_KEY_PASTE = u"Ctrl+V";
inline constexpr const char16_t* STR_KEY_REFRESH = u"F5";
inline constexpr const char16_t* STR_KEY_RENAME = u"F2";
// The names of the 20 change events, in the order of their numbers.
extern const char16_t* const STR_NOTIFICATION_NAMES[20];

// The names of the desktop's virtual nodes.
inline constexpr const char* STR_DESKTOP = "Desktop";
inline constexpr const char* STR_HOME = "Home";
inline constexpr const char* STR_COMPUTER = "Computer";
inline constexpr const char* STR_TRASH = "Trash";

// --- tree-view globals ---
inline constexpr const char16_t* CRLF = u"\r\n";
// The lock the tree's units share.
std::mutex& TreeViewLock();

// --- platform questions ---
inline constexpr bool IsUnicode() { return true; }
inline constexpr bool IsWin95Original() { return false; }

// --- clipboard formats of shell items ---
// Their numbers, registered at start-up (0 until then).
extern uint16_t CF_SHELLIDLIST, CF_LOGICALPERFORMEDDROPEFFECT, CF_PREFERREDDROPEFFECT, CF_FILECONTENTS,
    CF_FILEDESCRIPTORA, CF_FILEDESCRIPTORW;
// A process-wide number for a format name: the same name always gets the
// same number, from 0xC000 upwards.
uint16_t RegisterClipboardFormat(const std::string& name);

}  // namespace shell
