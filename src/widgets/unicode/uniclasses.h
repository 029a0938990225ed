// Wide string lists and the support that keeps a component's wide texts
// beside the 8-bit ones its controls use.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/classes.h"
#include "netunit/widelines.h"

namespace uni {

// The list errors, worded by the layer's resource strings; Value() is the
// offending index or capacity where there is one.
class EUniListError : public std::runtime_error {
public:
    enum class Kind { Index, SortedList, Duplicate, Capacity };
    EUniListError(Kind kind, int value);
    Kind kind() const { return kind_; }
    int Value() const { return value_; }

private:
    Kind kind_;
    int value_;
};

// A file opened by wide name. Mode fmCreate creates or empties it; other
// modes open an existing file with the access of the low nibble. Failures
// raise netunit::EFileStreamError naming the full path.
class TUniFileStream : public netunit::TWideFileStream {
public:
    TUniFileStream(const std::u16string& FileName, unsigned Mode);
};

class TUniStrings;

// An abstract list of wide lines with objects.
class TWideStrings : public forms::TObject {
public:
    TWideStrings() = default;
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    char16_t Delimiter = u',';
    char16_t QuoteChar = u'"';
    static constexpr char16_t NameValueSeparator = u'=';

    virtual std::u16string Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual int GetCapacity() const { return GetCount(); }
    virtual forms::TObject* GetObject(int /*Index*/) const { return nullptr; }
    virtual void Put(int Index, const std::u16string& S);
    virtual void PutObject(int /*Index*/, forms::TObject* /*Object*/) {}
    virtual void SetCapacity(int /*NewCapacity*/) {}
    virtual void SetUpdateState(bool /*Updating*/) {}
    virtual int CompareStrings(const std::u16string& S1, const std::u16string& S2) const;
    virtual int Add(const std::u16string& S);
    virtual int AddObject(const std::u16string& S, forms::TObject* Object);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(const std::u16string& S) const;
    virtual void Insert(int Index, const std::u16string& S) = 0;
    virtual void InsertObject(int Index, const std::u16string& S, forms::TObject* Object);
    virtual void LoadFromFile(const std::u16string& FileName);
    virtual void LoadFromStream(netunit::TWideFileStream& Stream);
    virtual void SaveToFile(const std::u16string& FileName) const;
    virtual void SaveToStream(netunit::TWideFileStream& Stream) const;
    virtual std::u16string GetTextStr() const;
    virtual void SetTextStr(const std::u16string& Text);

    int Count() const { return GetCount(); }
    std::u16string operator[](int Index) const { return Get(Index); }
    void Append(const std::u16string& S) { Add(S); }
    void AddStrings(const TWideStrings& Strings);
    void AddStrings(const forms::TStrings& Strings);  // lines widened
    void Assign(const TWideStrings& Source);
    void Assign(const forms::TStrings& Source);
    void AssignTo(TWideStrings& Dest) const { Dest.Assign(*this); }
    void AssignTo(forms::TStrings& Dest) const;  // lines made 8-bit
    void BeginUpdate();
    void EndUpdate();
    int IndexOfName(const std::u16string& Name) const;
    int IndexOfObject(const forms::TObject* Object) const;
    void Move(int CurIndex, int NewIndex);
    // The text as a new wide buffer (release with WideBufferFree).
    char16_t* GetTextW() const;
    void SetTextW(const char16_t* Text);

protected:
    int UpdateCount() const { return updateCount_; }

private:
    int updateCount_ = 0;
};

// The 8-bit view of a wide list: every line converted in CodePage.
class TAnsiStringsForWideStringsAdapter : public forms::TStrings {
public:
    explicit TAnsiStringsForWideStringsAdapter(TWideStrings& Wide, unsigned CodePage = 0)
        : wide_(Wide), codePage_(CodePage) {}
    int Count() const override { return wide_.GetCount(); }
    std::string Strings(int Index) const override;
    void SetStrings(int Index, const std::string& S) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override { wide_.Delete(Index); }
    void Clear() override { wide_.Clear(); }

private:
    TWideStrings& wide_;
    unsigned codePage_;
};

enum class TUniCharSet { Ansi, Utf16, Utf16Swapped, Utf8 };

// A wide list that knows the character set of its files.
class TUniStrings : public TWideStrings {
public:
    TUniStrings();
    ~TUniStrings() override;
    void LoadFromFile(const std::u16string& FileName) override;
    void LoadFromStream(netunit::TWideFileStream& Stream) override { LoadFromStreamBom(Stream, true); }
    // Replaced atomically: the old file or the new one, never half of it.
    void SaveToFile(const std::u16string& FileName) const override;
    void SaveToStream(netunit::TWideFileStream& Stream) const override { SaveToStreamBom(Stream, true); }
    void LoadFromStreamBom(netunit::TWideFileStream& Stream, bool WithBom);
    void SaveToStreamBom(netunit::TWideFileStream& Stream, bool WithBom) const;
    TUniCharSet LastFileCharSet() const { return charSet_; }
    TAnsiStringsForWideStringsAdapter& AnsiStrings() { return *ansi_; }

    // The bytes a save writes.
    std::string SavedBytes(bool WithBom) const;
    // The character set a file's first bytes announce, and the mark's length.
    static TUniCharSet DetectCharSet(std::string_view Head, size_t& MarkLength);

private:
    void SetTextFromBytes(const std::string& bytes, TUniCharSet set);
    TUniCharSet charSet_ = TUniCharSet::Ansi;
    std::unique_ptr<TAnsiStringsForWideStringsAdapter> ansi_;
};

using netunit::TDuplicates;

// The wide string list: growth, binary search, quicksort and errors as the
// settings file's line list, with a case-sensitive switch.
class TUniStringList : public TUniStrings {
public:
    using TChangeEvent = std::function<void(TUniStringList* Sender)>;
    using TCompare = std::function<int(TUniStringList& List, int Index1, int Index2)>;
    static constexpr int kMaxListSize = 134217727;

    ~TUniStringList() override;

    std::u16string Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    int GetCapacity() const override { return capacity_; }
    forms::TObject* GetObject(int Index) const override;
    void Put(int Index, const std::u16string& S) override;
    void PutObject(int Index, forms::TObject* Object) override;
    void SetCapacity(int NewCapacity) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const std::u16string& S1, const std::u16string& S2) const override;
    int Add(const std::u16string& S) override { return AddObject(S, nullptr); }
    int AddObject(const std::u16string& S, forms::TObject* Object) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const std::u16string& S) const override;
    void Insert(int Index, const std::u16string& S) override { InsertObject(Index, S, nullptr); }
    void InsertObject(int Index, const std::u16string& S, forms::TObject* Object) override;

    virtual void Changed();
    virtual void Changing();
    bool Find(const std::u16string& S, int& Index) const;
    void Sort();
    void CustomSort(const TCompare& Compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool Value);
    TChangeEvent OnChange;
    TChangeEvent OnChanging;

protected:
    virtual void InsertItem(int Index, const std::u16string& S, forms::TObject* Object);

private:
    struct Item {
        std::u16string text;
        forms::TObject* object = nullptr;
    };
    void CheckIndex(int Index, int Limit) const;
    std::vector<Item> items_;
    int capacity_ = 0;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

using netunit::QuickSortIndexes;

// --- paired wide texts ---

// The wide copy of a text, first brought in step with the 8-bit copy when
// that was changed on its own.
std::u16string PairedWideTextGet(std::u16string& WideField, const std::string& Narrow);
// Stores Value in the wide copy and its 8-bit form through the setter.
void PairedWideTextSet(const std::u16string& Value, std::u16string& WideField, const std::string& Narrow,
                       const std::function<void(const std::string&)>& NarrowSetter);

// --- wide companions of components ---

// A hidden companion that holds wide values for one component, owned by it
// and so gone with it. The companions of one kind are kept sorted by the
// address of the component they serve.
class TWideComponentHelper : public forms::TComponent {
public:
    using TList = std::vector<TWideComponentHelper*>;
    // A companion is always made for a component and a list; this form only
    // reports the mistake.
    explicit TWideComponentHelper(forms::TComponent* AOwner);
    TWideComponentHelper(forms::TComponent* AComponent, TList& List);
    ~TWideComponentHelper() override;
    forms::TComponent* Component() const { return component_; }
    static TWideComponentHelper* Find(const TList& List, const forms::TComponent* Component);

private:
    forms::TComponent* component_ = nullptr;
    TList* list_ = nullptr;
};

}  // namespace uni
