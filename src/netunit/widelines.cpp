#include "netunit/widelines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "netunit/files.h"
#include "netunit/sharing.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"

namespace netunit {
namespace {

constexpr char16_t kCR = 0x0D;
constexpr char16_t kLF = 0x0A;

bool IsLineBreak(char16_t c) {
    return c == kCR || c == kLF || c == 0x0B || c == 0x0C || c == 0x2028 || c == 0x2029;
}

std::string ListErrorMessage(EListError::Kind kind, int value) {
    switch (kind) {
        case EListError::Kind::Index:
            return "List index out of bounds (" + std::to_string(value) + ")";
        case EListError::Kind::SortedList:
            return "Operation not allowed on sorted list";
        case EListError::Kind::Duplicate:
            return "String list does not allow duplicates";
        case EListError::Kind::Capacity:
            return "List capacity out of bounds (" + std::to_string(value) + ")";
    }
    return "List error";
}

std::string FileErrorMessage(EFileStreamError::Kind kind, const std::string& name) {
    return (kind == EFileStreamError::Kind::Open ? "Cannot open file \"" : "Cannot create file \"") +
           name + "\"";
}

std::u16string UnitsFrom(std::string_view bytes, bool bigEndian) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = bigEndian ? static_cast<char16_t>(first << 8 | second)
                            : static_cast<char16_t>(second << 8 | first);
    }
    return text;
}

}  // namespace

EListError::EListError(Kind kind, int value)
    : std::runtime_error(ListErrorMessage(kind, value)), kind_(kind), value_(value) {}

EFileStreamError::EFileStreamError(Kind kind, const std::string& fileName)
    : std::runtime_error(FileErrorMessage(kind, fileName)), kind_(kind), fileName_(fileName) {}

// --- TWideFileStream ---

TWideFileStream::TWideFileStream(const std::string& FileName, unsigned Mode) {
    if (Mode == fmCreate) {
        handle_ = OpenShared(FileName, O_RDWR | O_CREAT, ShareMode::Write, true);
    } else {
        const unsigned access = Mode & 3;
        const int flags = access == fmOpenWrite ? O_WRONLY
                          : access == fmOpenReadWrite ? O_RDWR
                                                      : O_RDONLY;
        handle_ = OpenShared(FileName, flags, access == fmOpenRead ? ShareMode::Read : ShareMode::Write);
    }
    if (handle_ < 0)
        throw EFileStreamError(Mode == fmCreate ? EFileStreamError::Kind::Create
                                                : EFileStreamError::Kind::Open,
                               FileName);
}

TWideFileStream::~TWideFileStream() {
    if (handle_ >= 0) CloseShared(handle_);
}

int64_t TWideFileStream::Read(void* Buffer, int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::read(handle_, static_cast<char*>(Buffer) + done,
                                 static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TWideFileStream::Write(const void* Buffer, int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::write(handle_, static_cast<const char*>(Buffer) + done,
                                  static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TWideFileStream::Seek(int64_t Offset, Origin From) {
    const int whence = From == Origin::Beginning ? SEEK_SET
                       : From == Origin::Current ? SEEK_CUR
                                                 : SEEK_END;
    return ::lseek(handle_, Offset, whence);
}

int64_t TWideFileStream::Position() { return Seek(0, Origin::Current); }

int64_t TWideFileStream::Size() {
    const int64_t here = Position();
    const int64_t end = Seek(0, Origin::End);
    Seek(here, Origin::Beginning);
    return end;
}

// --- text of a file ---

std::u16string DecodeWideText(std::string_view bytes) {
    std::u16string text;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        text = UnitsFrom(bytes.substr(2), false);
    else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF')
        text = UnitsFrom(bytes.substr(2), true);
    else
        text = Utf8ToWide(std::string(bytes));
    // A stray NUL (a hand edit, a damaged save) is dropped rather than taken
    // as the end: the lines after it must survive the next save.
    std::erase(text, u'\0');
    return text;
}

std::vector<std::u16string> SplitWideLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == kCR && i + 1 < text.size() && text[i + 1] == kLF) ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

// The system's own comparison ordered by the locale's rules; the order here is
// that of the upper-cased UTF-16 units, the same on every machine.
int CompareWideText(const std::u16string& a, const std::u16string& b) {
    return WideUpper(a).compare(WideUpper(b));
}

// --- TWideStringList ---

void QuickSortIndexes(int L, int R, const std::function<int(int, int)>& Compare,
                      const std::function<void(int, int)>& Exchange) {
    if (L >= R) return;
    int I;
    do {
        I = L;
        int J = R;
        int P = (L + R) / 2;
        do {
            while (I < R && Compare(I, P) < 0) ++I;
            while (J > L && Compare(J, P) > 0) --J;
            if (I <= J) {
                if (I != J) Exchange(I, J);
                if (P == I)
                    P = J;
                else if (P == J)
                    P = I;
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) QuickSortIndexes(L, J, Compare, Exchange);
        L = I;
    } while (I < R);
}

bool FindSorted(int Count, const std::function<int(int)>& CompareAt, TDuplicates Duplicates, int& Index) {
    bool found = false;
    int low = 0;
    int high = Count - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = CompareAt(middle);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) {
                found = true;
                if (Duplicates != TDuplicates::dupAccept) low = middle;
            }
        }
    }
    Index = low;
    return found;
}

TWideStringList::~TWideStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    Clear();
}

void TWideStringList::Changed() {
    if (OnChange) OnChange(this);
}

void TWideStringList::Changing() {
    if (OnChanging) OnChanging(this);
}

void TWideStringList::CheckIndex(int Index, int Limit) const {
    if (Index < 0 || Index > Limit) throw EListError(EListError::Kind::Index, Index);
}

const std::u16string& TWideStringList::Get(int Index) const {
    CheckIndex(Index, GetCount() - 1);
    return items_[static_cast<std::size_t>(Index)].text;
}

forms::TObject* TWideStringList::GetObject(int Index) const {
    CheckIndex(Index, GetCount() - 1);
    return items_[static_cast<std::size_t>(Index)].object;
}

void TWideStringList::Put(int Index, const std::u16string& S) {
    if (sorted_) throw EListError(EListError::Kind::SortedList, 0);
    CheckIndex(Index, GetCount() - 1);
    Changing();
    items_[static_cast<std::size_t>(Index)].text = S;
    Changed();
}

void TWideStringList::PutObject(int Index, forms::TObject* Object) {
    CheckIndex(Index, GetCount() - 1);
    Changing();
    items_[static_cast<std::size_t>(Index)].object = Object;
    Changed();
}

void TWideStringList::SetCapacity(int NewCapacity) {
    if (NewCapacity < GetCount() || NewCapacity > kMaxListSize)
        throw EListError(EListError::Kind::Capacity, NewCapacity);
    capacity_ = NewCapacity;
    if (static_cast<std::size_t>(NewCapacity) < items_.capacity())
        items_.shrink_to_fit();
    items_.reserve(static_cast<std::size_t>(NewCapacity));
}

void TWideStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

void TWideStringList::SetSorted(bool Value) {
    if (sorted_ == Value) return;
    if (Value) Sort();
    sorted_ = Value;
}

void TWideStringList::Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    SetCapacity(capacity_ + delta);
}

void TWideStringList::PlaceItem(int Index, std::u16string S, forms::TObject* Object) {
    if (GetCount() == capacity_) Grow();
    items_.insert(items_.begin() + Index, Item{std::move(S), Object});
}

void TWideStringList::InsertItem(int Index, const std::u16string& S, forms::TObject* Object) {
    Changing();
    PlaceItem(Index, S, Object);
    Changed();
}

int TWideStringList::Add(const std::u16string& S) { return AddObject(S, nullptr); }

int TWideStringList::AddObject(const std::u16string& S, forms::TObject* Object) {
    int index = GetCount();
    if (sorted_ && Find(S, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) return index;
        if (duplicates_ == TDuplicates::dupError) throw EListError(EListError::Kind::Duplicate, 0);
    }
    InsertItem(index, S, Object);
    return index;
}

void TWideStringList::AddStrings(const TWideStringList& Strings) {
    // Copied first, so that adding a list to itself adds each line once.
    const std::vector<Item> source = Strings.items_;
    for (const Item& item : source) AddObject(item.text, item.object);
}

void TWideStringList::AddStrings(const forms::TStrings& Strings) {
    const std::vector<std::string> source = Strings.ToVector();
    for (const std::string& line : source) AddObject(Utf8ToWide(line), nullptr);
}

void TWideStringList::Assign(const TWideStringList& Source) {
    if (&Source == this) return;
    Clear();
    AddStrings(Source);
}

void TWideStringList::Assign(const forms::TStrings& Source) {
    Clear();
    AddStrings(Source);
}

void TWideStringList::AssignTo(TWideStringList& Dest) const { Dest.Assign(*this); }

void TWideStringList::AssignTo(forms::TStrings& Dest) const {
    Dest.Clear();
    for (const Item& item : items_) Dest.Add(WideToUtf8(item.text));
}

void TWideStringList::ReleaseItem(Item& item) {
    if (ownsObjects_ && item.object != nullptr) {
        forms::TObject* object = std::exchange(item.object, nullptr);
        delete object;
    }
}

void TWideStringList::ReleaseAll() {
    for (Item& item : items_) ReleaseItem(item);
    items_.clear();
    SetCapacity(0);
}

void TWideStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    ReleaseAll();
    Changed();
}

void TWideStringList::Delete(int Index) {
    CheckIndex(Index, GetCount() - 1);
    Changing();
    ReleaseItem(items_[static_cast<std::size_t>(Index)]);
    items_.erase(items_.begin() + Index);
    Changed();
}

void TWideStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1, GetCount() - 1);
    CheckIndex(Index2, GetCount() - 1);
    Changing();
    std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
    Changed();
}

bool TWideStringList::Find(const std::u16string& S, int& Index) const {
    return FindSorted(
        GetCount(), [&](int i) { return CompareWideText(items_[static_cast<std::size_t>(i)].text, S); },
        duplicates_, Index);
}

int TWideStringList::IndexOf(const std::u16string& S) const {
    if (sorted_) {
        int index = -1;
        return Find(S, index) ? index : -1;
    }
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (CompareWideText(items_[i].text, S) == 0) return static_cast<int>(i);
    return -1;
}

void TWideStringList::Insert(int Index, const std::u16string& S) {
    if (sorted_) throw EListError(EListError::Kind::SortedList, 0);
    CheckIndex(Index, GetCount());
    InsertItem(Index, S, nullptr);
}

void TWideStringList::CustomSort(const TCompare& Compare) {
    if (sorted_ || GetCount() < 2) return;
    Changing();
    QuickSortIndexes(
        0, GetCount() - 1, [&](int a, int b) { return Compare(*this, a, b); },
        [&](int a, int b) { std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]); });
    Changed();
}

void TWideStringList::Sort() {
    CustomSort([](TWideStringList& list, int a, int b) {
        return CompareWideText(list.items_[static_cast<std::size_t>(a)].text,
                               list.items_[static_cast<std::size_t>(b)].text);
    });
}

std::u16string TWideStringList::Text() const {
    std::u16string text;
    for (const Item& item : items_) {
        text += item.text;
        text += u"\r\n";
    }
    return text;
}

void TWideStringList::SetLines(std::vector<std::u16string> lines) {
    Changing();
    ReleaseAll();
    for (std::u16string& line : lines) PlaceItem(GetCount(), std::move(line), nullptr);
    Changed();
}

void TWideStringList::LoadFromFile(const std::string& FileName) {
    std::string bytes;
    if (!ReadWholeFile(FileName, bytes)) throw EFileStreamError(EFileStreamError::Kind::Open, FileName);
    SetLines(SplitWideLines(DecodeWideText(bytes)));
}

void TWideStringList::LoadFromStream(TWideFileStream& Stream) {
    const int64_t rest = Stream.Size() - Stream.Position();
    std::string bytes(static_cast<std::size_t>(rest > 0 ? rest : 0), '\0');
    bytes.resize(static_cast<std::size_t>(Stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
    SetLines(SplitWideLines(DecodeWideText(bytes)));
}

std::string TWideStringList::FileBytes() const {
    const std::u16string text = Text();
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + 2 * text.size());
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

void TWideStringList::SaveToFile(const std::string& FileName, FileAccess Access) const {
    if (!WriteFileAtomic(FileName, FileBytes(), Access))
        throw EFileStreamError(EFileStreamError::Kind::Create, FileName);
}

void TWideStringList::SaveToStream(TWideFileStream& Stream) const {
    const std::string bytes = FileBytes();
    Stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace netunit
