#include "netunit/inifile.h"

#include "netunit/names.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"

namespace netunit {
namespace {

// A value never breaks its line: a line break in it (or a NUL, which ends the
// text when the file is read again) would turn the rest of the value into
// lines of its own, a forged key among them, or cut the rest of the file off.
// Each such character becomes a blank, so the whole value still reads back.
std::u16string SingleLineValue(std::u16string value) {
    for (char16_t& c : value)
        if (c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\u2028' ||
            c == u'\u2029' || c == u'\0')
            c = u' ';
    return value;
}

std::u16string AsciiUpper(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return s;
}

bool TrimmedStartsWith(const std::u16string& line, char16_t c) {
    const std::u16string trimmed = TrimSpacesCR(line);
    return !trimmed.empty() && trimmed[0] == c;
}

}  // namespace

bool tinifile::OpenIni(const std::string& Name) {
    FileName = Name;
    Lines = std::make_unique<TWideStringList>();
    loadFailed_ = false;
    if (!WideFileExists(FileName)) return false;
    try {
        Lines->LoadFromFile(FileName);
    } catch (const std::exception&) {
        loadFailed_ = true;
        return false;
    }
    return Lines->Count() > 0;
}

void tinifile::SaveIni() {
    // The settings hold passwords (dynamic DNS, automatic logon).
    if (Lines) Lines->SaveToFile(FileName, FileAccess::Private);
}

void tinifile::CloseIni() { Lines.reset(); }

bool tinifile::FindSection(const std::string& Section, int& Index) const {
    Index = -1;
    if (!Lines) return false;
    const std::u16string wanted = WideUpper(u"[" + Utf8ToWide(Section) + u"]");
    for (int i = 0; i < Lines->Count(); ++i) {
        const std::u16string& line = Lines->Get(i);
        if (!line.empty() && line[0] == u'#') continue;
        if (WideUpper(TrimSpacesCR(line)) == wanted) {
            Index = i;
            return true;
        }
    }
    return false;
}

bool tinifile::FindKey(const std::string& Section, const std::string& Key, int& Index) const {
    int header = -1;
    Index = -1;
    if (!FindSection(Section, header)) return false;
    const std::u16string wanted = AsciiUpper(Utf8ToWide(Key));
    for (int i = header + 1; i < Lines->Count(); ++i) {
        const std::u16string& line = Lines->Get(i);
        if (TrimmedStartsWith(line, u'[')) break;
        if (TrimmedStartsWith(line, u'#')) continue;
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string::npos) continue;
        if (AsciiUpper(TrimSpacesCR(line.substr(0, equals))) == wanted) {
            Index = i;
            return true;
        }
    }
    return false;
}

bool tinifile::FindValue(const std::string& Section, const std::string& Key,
                         std::u16string& Value) const {
    int index = -1;
    if (!FindKey(Section, Key, index)) return false;
    const std::u16string& line = Lines->Get(index);
    Value = line.substr(line.find(u'=') + 1);
    return true;
}

std::u16string tinifile::ReadString(const std::string& Section, const std::string& Key,
                                    const std::u16string& Default) const {
    std::u16string value;
    return FindValue(Section, Key, value) ? value : Default;
}

int64_t tinifile::ReadInteger(const std::string& Section, const std::string& Key,
                              int32_t Default) const {
    std::u16string value;
    int64_t number = Default;
    if (FindValue(Section, Key, value) && TryStrToInt64(WideToUtf8(value), number)) return number;
    return Default;
}

bool tinifile::ReadBool(const std::string& Section, const std::string& Key, bool Default) const {
    std::u16string value;
    if (!FindValue(Section, Key, value)) return Default;
    // Blanks and control characters around the value do not count.
    std::size_t first = 0;
    std::size_t last = value.size();
    while (first < last && value[first] <= u' ') ++first;
    while (last > first && value[last - 1] <= u' ') --last;
    return value.compare(first, last - first, u"1") == 0;
}

void tinifile::WriteString(const std::string& Section, const std::string& Key,
                           const std::u16string& Value) {
    if (!Lines) return;
    const std::u16string line = Utf8ToWide(Key) + u"=" + SingleLineValue(Value);
    int index = -1;
    if (FindKey(Section, Key, index)) {
        Lines->Put(index, line);
    } else if (FindSection(Section, index)) {
        // New keys go right under the header, so a section's keys end up in
        // the reverse order of their first writing.
        if (index == Lines->Count() - 1)
            Lines->Add(line);
        else
            Lines->Insert(index + 1, line);
    } else {
        Lines->Add(u"[" + Utf8ToWide(Section) + u"]");
        Lines->Add(line);
    }
}

void tinifile::WriteInteger(const std::string& Section, const std::string& Key, int64_t Value) {
    WriteString(Section, Key, Utf8ToWide(Int64ToStr(Value)));
}

void tinifile::WriteBool(const std::string& Section, const std::string& Key, bool Value) {
    WriteString(Section, Key, Value ? u"1" : u"0");
}

}  // namespace netunit
