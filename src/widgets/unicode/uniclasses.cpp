#include "widgets/unicode/uniclasses.h"

#include <algorithm>
#include <utility>

#include "netunit/files.h"
#include "netunit/textutil.h"
#include "widgets/unicode/unicollate.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

namespace uni {
namespace {

constexpr char16_t kCR = 0x0D;
constexpr char16_t kLF = 0x0A;
constexpr char16_t kLineSeparator = 0x2028;

std::string ListErrorMessage(EUniListError::Kind kind, int value) {
    uintptr_t id = SUniListIndexError;
    switch (kind) {
        case EUniListError::Kind::Index: id = SUniListIndexError; break;
        case EUniListError::Kind::SortedList: id = SUniSortedListError; break;
        case EUniListError::Kind::Duplicate: id = SUniDuplicateString; break;
        case EUniListError::Kind::Capacity: id = SUniListCapacityError; break;
    }
    const TResStringRec rec{nullptr, id};
    std::string text = WideToUtf8(WideLoadResString(&rec));
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(value));
    return text;
}

std::string Utf16LeBytes(const std::u16string& text) {
    std::string bytes;
    bytes.reserve(2 * text.size());
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::u16string UnitsOf(std::string_view bytes, bool swapped) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = swapped ? static_cast<char16_t>(lo << 8 | hi) : static_cast<char16_t>(hi << 8 | lo);
    }
    return text;
}

std::string RestOf(netunit::TWideFileStream& stream) {
    const int64_t rest = stream.Size() - stream.Position();
    std::string bytes(static_cast<size_t>(rest > 0 ? rest : 0), '\0');
    bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
    return bytes;
}

// The full path a file error names.
std::string ErrorName(const std::u16string& name) { return WideToUtf8(WideExpandFileName(name)); }

void SaveBytesAtomic(const std::u16string& name, const std::string& bytes) {
    if (!netunit::WriteFileAtomic(WideToUtf8(name), bytes))
        throw netunit::EFileStreamError(netunit::EFileStreamError::Kind::Create, ErrorName(name));
}

// Counts an update for the lifetime of a block.
class Updating {
public:
    explicit Updating(TWideStrings& list) : list_(list) { list_.BeginUpdate(); }
    ~Updating() { list_.EndUpdate(); }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

private:
    TWideStrings& list_;
};

}  // namespace

EUniListError::EUniListError(Kind kind, int value)
    : std::runtime_error(ListErrorMessage(kind, value)), kind_(kind), value_(value) {}

TUniFileStream::TUniFileStream(const std::u16string& FileName, unsigned Mode) try
    : netunit::TWideFileStream(WideToUtf8(FileName), Mode) {
} catch (const netunit::EFileStreamError& e) {
    throw netunit::EFileStreamError(e.kind(), ErrorName(FileName));
}

// --- TWideStrings ---

void TWideStrings::Put(int Index, const std::u16string& S) {
    forms::TObject* object = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, object);
}

int TWideStrings::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    return WideCompareText(S1, S2, true);
}

int TWideStrings::Add(const std::u16string& S) { return AddObject(S, nullptr); }

int TWideStrings::AddObject(const std::u16string& S, forms::TObject* Object) {
    const int at = GetCount();
    InsertObject(at, S, Object);
    return at;
}

void TWideStrings::Exchange(int Index1, int Index2) {
    Updating u(*this);
    const std::u16string s1 = Get(Index1), s2 = Get(Index2);
    forms::TObject* o1 = GetObject(Index1);
    forms::TObject* o2 = GetObject(Index2);
    Put(Index1, s2);
    Put(Index2, s1);
    PutObject(Index1, o2);
    PutObject(Index2, o1);
}

int TWideStrings::IndexOf(const std::u16string& S) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

void TWideStrings::InsertObject(int Index, const std::u16string& S, forms::TObject* Object) {
    Insert(Index, S);
    PutObject(Index, Object);
}

void TWideStrings::LoadFromFile(const std::u16string& FileName) {
    TUniFileStream stream(FileName, netunit::TWideFileStream::fmOpenRead | 0x20);
    LoadFromStream(stream);
}

void TWideStrings::LoadFromStream(netunit::TWideFileStream& Stream) {
    Updating u(*this);
    SetTextStr(UnitsOf(RestOf(Stream), false));
}

void TWideStrings::SaveToFile(const std::u16string& FileName) const {
    SaveBytesAtomic(FileName, Utf16LeBytes(GetTextStr()));
}

void TWideStrings::SaveToStream(netunit::TWideFileStream& Stream) const {
    const std::string bytes = Utf16LeBytes(GetTextStr());
    Stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

std::u16string TWideStrings::GetTextStr() const {
    std::u16string text;
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        text += Get(i);
        text += u"\r\n";
    }
    return text;
}

void TWideStrings::SetTextStr(const std::u16string& Text) {
    Updating u(*this);
    Clear();
    const size_t end = std::min(Text.find(u'\0'), Text.size());
    size_t i = 0;
    while (i < end) {
        const size_t start = i;
        while (i < end && Text[i] != kCR && Text[i] != kLF && Text[i] != kLineSeparator) ++i;
        Add(Text.substr(start, i - start));
        if (i < end && Text[i] == kCR) ++i;
        if (i < end && Text[i] == kLF) ++i;
        if (i < end && Text[i] == kLineSeparator) ++i;
    }
}

void TWideStrings::AddStrings(const TWideStrings& Strings) {
    Updating u(*this);
    // Copied first, so that adding a list to itself adds each line once.
    const int n = Strings.GetCount();
    std::vector<std::pair<std::u16string, forms::TObject*>> lines;
    for (int i = 0; i < n; ++i) lines.emplace_back(Strings.Get(i), Strings.GetObject(i));
    for (auto& [text, object] : lines) AddObject(text, object);
}

void TWideStrings::AddStrings(const forms::TStrings& Strings) {
    Updating u(*this);
    for (const std::string& line : Strings.ToVector()) AddObject(AnsiToWide(line), nullptr);
}

void TWideStrings::Assign(const TWideStrings& Source) {
    if (&Source == this) return;
    Updating u(*this);
    Clear();
    AddStrings(Source);
    Delimiter = Source.Delimiter;
    QuoteChar = Source.QuoteChar;
}

void TWideStrings::Assign(const forms::TStrings& Source) {
    Updating u(*this);
    Clear();
    AddStrings(Source);
}

void TWideStrings::AssignTo(forms::TStrings& Dest) const {
    Dest.Clear();
    const int n = GetCount();
    for (int i = 0; i < n; ++i) Dest.Add(WideToAnsi(Get(i)));
}

void TWideStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TWideStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    --updateCount_;
    if (updateCount_ == 0) SetUpdateState(false);
}

int TWideStrings::IndexOfName(const std::u16string& Name) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        const std::u16string line = Get(i);
        const size_t eq = line.find(NameValueSeparator);
        if (eq != std::u16string::npos && CompareStrings(line.substr(0, eq), Name) == 0) return i;
    }
    return -1;
}

int TWideStrings::IndexOfObject(const forms::TObject* Object) const {
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (GetObject(i) == Object) return i;
    return -1;
}

void TWideStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    Updating u(*this);
    const std::u16string s = Get(CurIndex);
    forms::TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, object);
}

char16_t* TWideStrings::GetTextW() const { return WideBufferDup(GetTextStr().c_str()); }

void TWideStrings::SetTextW(const char16_t* Text) {
    SetTextStr(Text ? std::u16string(Text, static_cast<size_t>(WideBufferLen(Text))) : std::u16string());
}

// --- the 8-bit view ---

std::string TAnsiStringsForWideStringsAdapter::Strings(int Index) const {
    return WideToCodePage(wide_.Get(Index), codePage_);
}

void TAnsiStringsForWideStringsAdapter::SetStrings(int Index, const std::string& S) {
    wide_.Put(Index, CodePageToWide(S, codePage_));
}

void TAnsiStringsForWideStringsAdapter::Insert(int Index, const std::string& S) {
    wide_.Insert(Index, CodePageToWide(S, codePage_));
}

// --- TUniStrings ---

TUniStrings::TUniStrings() : ansi_(std::make_unique<TAnsiStringsForWideStringsAdapter>(*this)) {}
TUniStrings::~TUniStrings() = default;

TUniCharSet TUniStrings::DetectCharSet(std::string_view Head, size_t& MarkLength) {
    MarkLength = 0;
    if (Head.size() >= 2 && Head[0] == '\xFF' && Head[1] == '\xFE') {
        MarkLength = 2;
        return TUniCharSet::Utf16;
    }
    if (Head.size() >= 2 && Head[0] == '\xFE' && Head[1] == '\xFF') {
        MarkLength = 2;
        return TUniCharSet::Utf16Swapped;
    }
    if (Head.size() >= 3 && Head.substr(0, 3) == "\xEF\xBB\xBF") {
        MarkLength = 3;
        return TUniCharSet::Utf8;
    }
    return TUniCharSet::Ansi;
}

void TUniStrings::SetTextFromBytes(const std::string& bytes, TUniCharSet set) {
    switch (set) {
        case TUniCharSet::Utf16:
        case TUniCharSet::Utf16Swapped: SetTextStr(UnitsOf(bytes, set == TUniCharSet::Utf16Swapped)); break;
        case TUniCharSet::Utf8: SetTextStr(Utf8ToWide(bytes)); break;
        case TUniCharSet::Ansi: SetTextStr(AnsiToWide(bytes)); break;
    }
}

void TUniStrings::LoadFromFile(const std::u16string& FileName) {
    TUniFileStream stream(FileName, netunit::TWideFileStream::fmOpenRead | 0x20);
    const int64_t start = stream.Position();
    std::string head(3, '\0');
    head.resize(static_cast<size_t>(stream.Read(head.data(), 3)));
    size_t mark = 0;
    charSet_ = DetectCharSet(head, mark);
    stream.Seek(start, netunit::TWideFileStream::Origin::Beginning);
    LoadFromStream(stream);
}

void TUniStrings::LoadFromStreamBom(netunit::TWideFileStream& Stream, bool WithBom) {
    Updating u(*this);
    std::string bytes = RestOf(Stream);
    TUniCharSet set = TUniCharSet::Utf16;
    if (WithBom) {
        size_t mark = 0;
        set = DetectCharSet(bytes, mark);
        bytes.erase(0, mark);
    }
    SetTextFromBytes(bytes, set);
}

std::string TUniStrings::SavedBytes(bool WithBom) const {
    return (WithBom ? std::string("\xFF\xFE") : std::string()) + Utf16LeBytes(GetTextStr());
}

void TUniStrings::SaveToFile(const std::u16string& FileName) const { SaveBytesAtomic(FileName, SavedBytes(true)); }

void TUniStrings::SaveToStreamBom(netunit::TWideFileStream& Stream, bool WithBom) const {
    const std::string bytes = SavedBytes(WithBom);
    Stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// --- TUniStringList ---

TUniStringList::~TUniStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TUniStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TUniStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TUniStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

void TUniStringList::CheckIndex(int Index, int Limit) const {
    if (Index < 0 || Index > Limit) throw EUniListError(EUniListError::Kind::Index, Index);
}

std::u16string TUniStringList::Get(int Index) const {
    CheckIndex(Index, GetCount() - 1);
    return items_[static_cast<size_t>(Index)].text;
}

forms::TObject* TUniStringList::GetObject(int Index) const {
    CheckIndex(Index, GetCount() - 1);
    return items_[static_cast<size_t>(Index)].object;
}

void TUniStringList::Put(int Index, const std::u16string& S) {
    if (sorted_) throw EUniListError(EUniListError::Kind::SortedList, 0);
    CheckIndex(Index, GetCount() - 1);
    Changing();
    items_[static_cast<size_t>(Index)].text = S;
    Changed();
}

void TUniStringList::PutObject(int Index, forms::TObject* Object) {
    CheckIndex(Index, GetCount() - 1);
    Changing();
    items_[static_cast<size_t>(Index)].object = Object;
    Changed();
}

void TUniStringList::SetCapacity(int NewCapacity) {
    if (NewCapacity < GetCount() || NewCapacity > kMaxListSize)
        throw EUniListError(EUniListError::Kind::Capacity, NewCapacity);
    capacity_ = NewCapacity;
    items_.reserve(static_cast<size_t>(NewCapacity));
}

int TUniStringList::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    return WideCompareText(S1, S2, !caseSensitive_);
}

int TUniStringList::AddObject(const std::u16string& S, forms::TObject* Object) {
    int index = GetCount();
    if (sorted_ && Find(S, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) return index;
        if (duplicates_ == TDuplicates::dupError) throw EUniListError(EUniListError::Kind::Duplicate, 0);
    }
    InsertItem(index, S, Object);
    return index;
}

void TUniStringList::InsertItem(int Index, const std::u16string& S, forms::TObject* Object) {
    Changing();
    if (GetCount() == capacity_) {
        const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
        SetCapacity(capacity_ + delta);
    }
    items_.insert(items_.begin() + Index, Item{S, Object});
    Changed();
}

void TUniStringList::InsertObject(int Index, const std::u16string& S, forms::TObject* Object) {
    if (sorted_) throw EUniListError(EUniListError::Kind::SortedList, 0);
    CheckIndex(Index, GetCount());
    InsertItem(Index, S, Object);
}

void TUniStringList::Clear() {
    if (items_.empty() && capacity_ == 0) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
    Changed();
}

void TUniStringList::Delete(int Index) {
    CheckIndex(Index, GetCount() - 1);
    Changing();
    items_.erase(items_.begin() + Index);
    Changed();
}

void TUniStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1, GetCount() - 1);
    CheckIndex(Index2, GetCount() - 1);
    Changing();
    std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
    Changed();
}

bool TUniStringList::Find(const std::u16string& S, int& Index) const {
    return netunit::FindSorted(
        GetCount(), [&](int i) { return CompareStrings(items_[static_cast<size_t>(i)].text, S); }, duplicates_,
        Index);
}

int TUniStringList::IndexOf(const std::u16string& S) const {
    if (!sorted_) return TWideStrings::IndexOf(S);
    int index = -1;
    return Find(S, index) ? index : -1;
}

void TUniStringList::CustomSort(const TCompare& Compare) {
    if (sorted_ || GetCount() < 2) return;
    Changing();
    QuickSortIndexes(
        0, GetCount() - 1, [&](int a, int b) { return Compare(*this, a, b); },
        [&](int a, int b) { std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]); });
    Changed();
}

void TUniStringList::Sort() {
    CustomSort([](TUniStringList& list, int a, int b) {
        return list.CompareStrings(list.items_[static_cast<size_t>(a)].text, list.items_[static_cast<size_t>(b)].text);
    });
}

void TUniStringList::SetSorted(bool Value) {
    if (sorted_ == Value) return;
    if (Value) Sort();
    sorted_ = Value;
}

void TUniStringList::SetCaseSensitive(bool Value) {
    if (caseSensitive_ == Value) return;
    caseSensitive_ = Value;
    if (sorted_) {
        sorted_ = false;
        Sort();
        sorted_ = true;
    }
}

// --- paired wide texts ---

std::u16string PairedWideTextGet(std::u16string& WideField, const std::string& Narrow) {
    if (WideToAnsi(WideField) != Narrow) WideField = AnsiToWide(Narrow);
    return WideField;
}

void PairedWideTextSet(const std::u16string& Value, std::u16string& WideField, const std::string& Narrow,
                       const std::function<void(const std::string&)>& NarrowSetter) {
    if (Value == PairedWideTextGet(WideField, Narrow)) return;
    const std::string narrow = WideToAnsi(Value);
    // A value the 8-bit form cannot hold whose 8-bit form is already set:
    // the control must still see a change.
    if (AnsiToWide(narrow) != Value && Narrow == narrow) NarrowSetter(std::string());
    WideField = Value;
    NarrowSetter(narrow);
}

// --- companions ---

TWideComponentHelper::TWideComponentHelper(forms::TComponent* AOwner) : forms::TComponent(AOwner) {
    throw EUniInternalError("UNI Internal Error: TWideComponentHelper.Create should never be encountered.");
}

TWideComponentHelper::TWideComponentHelper(forms::TComponent* AComponent, TList& List)
    : forms::TComponent(AComponent), component_(AComponent), list_(&List) {
    const auto at = std::lower_bound(List.begin(), List.end(), AComponent,
                                     [](const TWideComponentHelper* h, const forms::TComponent* c) {
                                         return std::less<const forms::TComponent*>()(h->component_, c);
                                     });
    List.insert(at, this);
}

TWideComponentHelper::~TWideComponentHelper() {
    if (list_) list_->erase(std::remove(list_->begin(), list_->end(), this), list_->end());
}

TWideComponentHelper* TWideComponentHelper::Find(const TList& List, const forms::TComponent* Component) {
    const auto at = std::lower_bound(List.begin(), List.end(), Component,
                                     [](const TWideComponentHelper* h, const forms::TComponent* c) {
                                         return std::less<const forms::TComponent*>()(h->component_, c);
                                     });
    return at != List.end() && (*at)->component_ == Component ? *at : nullptr;
}

}  // namespace uni
