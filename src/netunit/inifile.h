// The settings store: an INI file (sections of key=value lines) held whole in
// memory as its lines, read and changed there, and written back only when the
// owner saves. Lines it does not understand (comments, blank lines, unknown
// keys) are kept as they are.
//
// Section and key names are 8-bit and ignore case (sections in every script,
// keys in ASCII only); values are wide text, taken exactly as they stand after
// the first "=".
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "netunit/widelines.h"

namespace netunit {

class tinifile {
public:
    // Loads the file when it exists. True when it holds at least one line;
    // false for a missing, empty or unreadable file, which opens as an empty store.
    bool OpenIni(const std::string& Name);
    // True after OpenIni found the file but could not read it: saving the
    // store over it would replace settings nobody has seen.
    bool LoadFailed() const { return loadFailed_; }
    // Writes every line back to the file opened (UTF-16LE with FF FE, CR LF);
    // throws EFileStreamError when the file cannot be written.
    void SaveIni();
    void CloseIni();
    bool IsOpen() const { return Lines != nullptr; }

    bool FindSection(const std::string& Section, int& Index) const;
    bool FindKey(const std::string& Section, const std::string& Key, int& Index) const;

    std::u16string ReadString(const std::string& Section, const std::string& Key,
                              const std::u16string& Default) const;
    int64_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default) const;
    bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;

    // Replaces the key's line, or adds it right after the section's header, or
    // adds the section and the key at the end of the file.
    void WriteString(const std::string& Section, const std::string& Key, const std::u16string& Value);
    void WriteInteger(const std::string& Section, const std::string& Key, int64_t Value);
    void WriteBool(const std::string& Section, const std::string& Key, bool Value);

    // The lines in file order, for inspection.
    const TWideStringList* GetLines() const { return Lines.get(); }

private:
    bool FindValue(const std::string& Section, const std::string& Key, std::u16string& Value) const;

    std::string FileName;
    std::unique_ptr<TWideStringList> Lines;
    bool loadFailed_ = false;
};

}  // namespace netunit
