// An ordered list of UTF-16 lines, each with an optional object, that loads
// from and saves to UTF-16 text files. The settings file lives in one.
//
// The list behaves like the class library's string list: the same
// operations, the same growth, the same binary search and quicksort, and the
// same error kinds. Comparisons ignore case.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "forms/classes.h"
#include "netunit/fileaccess.h"

namespace netunit {

// The list's errors; Value() is the offending index or capacity where there is one.
class EListError : public std::runtime_error {
public:
    enum class Kind { Index, SortedList, Duplicate, Capacity };
    EListError(Kind kind, int value);
    Kind kind() const { return kind_; }
    int Value() const { return value_; }

private:
    Kind kind_;
    int value_;
};

// A file the list or the stream could not open or create; carries the name.
class EFileStreamError : public std::runtime_error {
public:
    enum class Kind { Open, Create };
    EFileStreamError(Kind kind, const std::string& fileName);
    Kind kind() const { return kind_; }
    const std::string& FileName() const { return fileName_; }

private:
    Kind kind_;
    std::string fileName_;
};

// A file opened by name for the list's streaming. Mode fmCreate creates or
// empties the file for reading and writing; any other mode opens an existing
// file with the access in its low two bits (0 read, 1 write, 2 both). Sharing
// follows the file layer's in-process rules.
class TWideFileStream {
public:
    static constexpr unsigned fmCreate = 0xFFFF;
    static constexpr unsigned fmOpenRead = 0;
    static constexpr unsigned fmOpenWrite = 1;
    static constexpr unsigned fmOpenReadWrite = 2;

    enum class Origin { Beginning, Current, End };

    // Throws EFileStreamError when no file was obtained.
    TWideFileStream(const std::string& FileName, unsigned Mode);
    ~TWideFileStream();
    TWideFileStream(const TWideFileStream&) = delete;
    TWideFileStream& operator=(const TWideFileStream&) = delete;

    // Byte counts actually moved; short only at the end of the file or on an error.
    int64_t Read(void* Buffer, int64_t Count);
    int64_t Write(const void* Buffer, int64_t Count);
    // The new position, -1 on failure.
    int64_t Seek(int64_t Offset, Origin From);
    int64_t Position();
    int64_t Size();
    int Handle() const { return handle_; }

private:
    int handle_ = -1;
};

// The text of a file's bytes: after FF FE UTF-16LE, after FE FF UTF-16BE (an
// odd last byte ignored), else 8-bit text (UTF-8 here). NUL units are dropped.
std::u16string DecodeWideText(std::string_view bytes);

// Cuts a text into lines at CR, LF, VT, FF, U+2028 and U+2029; CR LF is one
// line end. A final line end adds no empty line; an empty text has no line.
std::vector<std::u16string> SplitWideLines(std::u16string_view text);

enum class TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// Sorts the index range L..R with the lists' quicksort (middle pivot,
// followed through exchanges). The scans are bounded by the range, so a
// comparison that is not a consistent order cannot run them off its ends.
void QuickSortIndexes(int L, int R, const std::function<int(int, int)>& Compare,
                      const std::function<void(int, int)>& Exchange);

// Binary search of a sorted list of Count items; CompareAt(i) orders item i
// against the text sought. Index is where it stands or would be inserted;
// unless duplicates are accepted, the first of equal items.
bool FindSorted(int Count, const std::function<int(int)>& CompareAt, TDuplicates Duplicates, int& Index);

class TWideStringList : public forms::TObject {
public:
    using TChangeEvent = std::function<void(TWideStringList* Sender)>;
    // Compares the items at two indexes: negative, zero or positive.
    using TCompare = std::function<int(TWideStringList& List, int Index1, int Index2)>;

    // The most items a list can hold.
    static constexpr int kMaxListSize = 134217727;

    TWideStringList() = default;
    ~TWideStringList() override;
    TWideStringList(const TWideStringList&) = delete;
    TWideStringList& operator=(const TWideStringList&) = delete;

    TChangeEvent OnChange;
    TChangeEvent OnChanging;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);  // switching it on sorts the list
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool Value) { ownsObjects_ = Value; }

    const std::u16string& Get(int Index) const;
    int GetCapacity() const { return capacity_; }
    int GetCount() const { return static_cast<int>(items_.size()); }
    int Count() const { return GetCount(); }
    forms::TObject* GetObject(int Index) const;
    void Put(int Index, const std::u16string& S);
    void PutObject(int Index, forms::TObject* Object);
    void SetCapacity(int NewCapacity);
    void SetUpdateState(bool Updating);

    int Add(const std::u16string& S);
    int AddObject(const std::u16string& S, forms::TObject* Object);
    void AddStrings(const TWideStringList& Strings);
    void AddStrings(const forms::TStrings& Strings);  // 8-bit lines, widened
    void Assign(const TWideStringList& Source);
    void Assign(const forms::TStrings& Source);
    void AssignTo(TWideStringList& Dest) const;
    void AssignTo(forms::TStrings& Dest) const;  // lines narrowed, objects dropped
    void Clear();
    void CustomSort(const TCompare& Compare);
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    bool Find(const std::u16string& S, int& Index) const;
    int IndexOf(const std::u16string& S) const;
    void Insert(int Index, const std::u16string& S);
    void Sort();

    // Every line followed by CR LF.
    std::u16string Text() const;

    // Replaces the lines with the file's text; the lines stay when the file
    // cannot be read (EFileStreamError).
    void LoadFromFile(const std::string& FileName);
    void LoadFromStream(TWideFileStream& Stream);
    // FF FE and the text as UTF-16LE; the file is replaced atomically
    // (EFileStreamError when it cannot be written).
    void SaveToFile(const std::string& FileName, FileAccess Access = FileAccess::Shared) const;
    void SaveToStream(TWideFileStream& Stream) const;

    void Changed();
    void Changing();

private:
    struct Item {
        std::u16string text;
        forms::TObject* object = nullptr;
    };

    void CheckIndex(int Index, int Limit) const;
    void Grow();
    void PlaceItem(int Index, std::u16string S, forms::TObject* Object);
    void InsertItem(int Index, const std::u16string& S, forms::TObject* Object);
    void ReleaseItem(Item& item);
    void ReleaseAll();
    void SetLines(std::vector<std::u16string> lines);
    std::string FileBytes() const;

    std::vector<Item> items_;
    int capacity_ = 0;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
    bool ownsObjects_ = false;
};

// Case-insensitive order of two wide texts: negative, zero or positive.
int CompareWideText(const std::u16string& a, const std::u16string& b);

}  // namespace netunit
