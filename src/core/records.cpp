#include "core/records.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <variant>

#include "core/textcut.h"

namespace core {
namespace {

// What a field holds. Zeroed areas are written as zeros whatever was read;
// bytes no field covers (padding, reserved areas) come from the record's Raw.
struct Zeroed {};

template <class T>
using FieldMember =
    std::variant<Zeroed, std::string T::*, bool T::*, int32_t T::*, double T::*>;

template <class T>
struct Field {
    std::size_t offset;
    std::size_t size;  // a text field is its capacity plus the length byte
    FieldMember<T> member;
};

template <class T>
struct Layout;

template <class T>
Field<T> Text(std::size_t offset, std::size_t capacity, std::string T::*m) {
    return {offset, capacity + 1, m};
}
template <class T>
Field<T> Flag(std::size_t offset, bool T::*m) {
    return {offset, 1, m};
}
template <class T>
Field<T> Int(std::size_t offset, int32_t T::*m) {
    return {offset, 4, m};
}
template <class T>
Field<T> Real(std::size_t offset, double T::*m) {
    return {offset, 8, m};
}
template <class T>
Field<T> Zeros(std::size_t offset, std::size_t size) {
    return {offset, size, Zeroed{}};
}

template <>
struct Layout<tftppath> {
    using T = tftppath;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::LocalDir),
        Text<T>(256, kTextCapacity, &T::Alias),
        Text<T>(512, kTextCapacity, &T::Owner),
        Flag<T>(768, &T::FileRead),
        Flag<T>(769, &T::FileWrite),
        Flag<T>(770, &T::FileDelete),
        Flag<T>(771, &T::FileAppend),
        Flag<T>(772, &T::DirList),
        Flag<T>(773, &T::DirMake),
        Flag<T>(774, &T::DirDelete),
    };
};

template <>
struct Layout<toldftppath> {
    using T = toldftppath;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::LocalDir),
        Text<T>(256, kTextCapacity, &T::Alias),
        Text<T>(512, kTextCapacity, &T::Owner),
        Flag<T>(768, &T::ReadOnly),
    };
};

template <>
struct Layout<tuseraccount> {
    using T = tuseraccount;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kNameCapacity, &T::UserName),
        Text<T>(21, kNameCapacity, &T::Description),
        Text<T>(42, kNameCapacity, &T::Password),
        Flag<T>(63, &T::Superuser),
        Flag<T>(64, &T::QuotaApplies),
        Int<T>(68, &T::Quota),
        Flag<T>(72, &T::EmailAllowed),
        Text<T>(73, kTextCapacity, &T::FtpInitialPath),
        Flag<T>(329, &T::WebAllowed),
        Flag<T>(330, &T::TelnetAllowed),
        Flag<T>(331, &T::FtpAllowed),
        Flag<T>(332, &T::AllAccountsShared),
        Flag<T>(333, &T::ConnectionLimit),
        Flag<T>(334, &T::SpeedLimit),
        Int<T>(336, &T::MaxFtpConnections),
        Real<T>(344, &T::MaxSpeed),
        Text<T>(352, kTextCapacity, &T::EmailAddress),
        Text<T>(608, kTextCapacity, &T::WebSite),
        Text<T>(864, kTextCapacity, &T::Group),
    };
};

template <>
struct Layout<toldaccount> {
    static inline const std::vector<Field<toldaccount>> fields = {};
};

// The access fields stand at the same distances from their first byte in
// web domains and virtual paths.
template <class T>
std::vector<Field<T>> WithAccess(std::vector<Field<T>> fields, std::size_t at) {
    fields.insert(fields.end(), {
        Flag<T>(at, &T::AuthOn),
        Flag<T>(at + 1, &T::GrantSuperusers),
        Flag<T>(at + 2, &T::GrantAllAccounts),
        Flag<T>(at + 3, &T::GrantGroup),
        Text<T>(at + 4, kTextCapacity, &T::Group),
        Flag<T>(at + 260, &T::GrantLogin),
        Text<T>(at + 261, kTextCapacity, &T::LoginUser),
        Text<T>(at + 517, kTextCapacity, &T::LoginPassword),
    });
    return fields;
}

template <>
struct Layout<twebdomain> {
    using T = twebdomain;
    static inline const std::vector<Field<T>> fields = WithAccess<T>(
        {
            Text<T>(0, kTextCapacity, &T::DomainName),
            Text<T>(256, kTextCapacity, &T::LocalRoot),
            Zeros<T>(1288, 12),
        },
        512);
};

template <>
struct Layout<tvirtualpath> {
    using T = tvirtualpath;
    static inline const std::vector<Field<T>> fields = WithAccess<T>(
        {
            Text<T>(0, kTextCapacity, &T::Alias),
            Text<T>(256, kTextCapacity, &T::Domain),
            Text<T>(512, kTextCapacity, &T::LocalPath),
            Zeros<T>(1544, 12),
        },
        768);
};

template <>
struct Layout<tscripttype> {
    using T = tscripttype;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::Extension),
        Text<T>(256, kTextCapacity, &T::Interpreter),
        Text<T>(512, kTextCapacity, &T::SwitchesBefore),
        Text<T>(768, kTextCapacity, &T::SwitchesAfter),
        Flag<T>(1024, &T::OutsideCgiFolder),
        Flag<T>(1025, &T::InUserWebFolders),
    };
};

template <>
struct Layout<tmaildomain> {
    using T = tmaildomain;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::Domain),
        Flag<T>(256, &T::CatchAllOn),
        Text<T>(257, kTextCapacity, &T::CatchAllAddress),
    };
};

template <>
struct Layout<tmailforward> {
    using T = tmailforward;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::Destination),
        Text<T>(256, kTextCapacity, &T::Forwarded),
    };
};

template <>
struct Layout<tban> {
    using T = tban;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::Description),
        Text<T>(256, kTextCapacity, &T::Pattern),
        Real<T>(512, &T::Time),
        Int<T>(520, &T::DurationIndex),
    };
};

template <>
struct Layout<ttrigger> {
    using T = ttrigger;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::Description),
        Int<T>(256, &T::Service),
        Text<T>(260, kTextCapacity, &T::Pattern),
        Int<T>(516, &T::DurationIndex),
    };
};

template <>
struct Layout<tconsoleprogram> {
    using T = tconsoleprogram;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::Title),
        Text<T>(256, kTextCapacity, &T::ProgramPath),
        Int<T>(512, &T::Access),
    };
};

template <>
struct Layout<ttransferrecord> {
    using T = ttransferrecord;
    static inline const std::vector<Field<T>> fields = {
        Text<T>(0, kTextCapacity, &T::FileName),
        Text<T>(256, kTextCapacity, &T::Folder),
        Int<T>(512, &T::Count),
        Text<T>(516, kTextCapacity, &T::User),
        Real<T>(776, &T::Time),
    };
};

// --- one field's bytes ---

std::string ReadText(std::string_view area) {
    const std::size_t length =
        std::min<std::size_t>(static_cast<unsigned char>(area[0]), area.size() - 1);
    return std::string(area.substr(1, length));
}

uint64_t ReadLittleEndian(std::string_view area) {
    uint64_t value = 0;
    for (std::size_t i = area.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(area[i]);
    return value;
}

void WriteLittleEndian(uint64_t value, char* area, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i, value >>= 8)
        area[i] = static_cast<char>(value & 0xFF);
}

template <class T>
void DecodeField(const Field<T>& f, std::string_view area, T& record) {
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::string T::*>) {
                record.*member = ReadText(area);
            } else if constexpr (std::is_same_v<M, bool T::*>) {
                record.*member = area[0] != 0;
            } else if constexpr (std::is_same_v<M, int32_t T::*>) {
                record.*member = static_cast<int32_t>(static_cast<uint32_t>(ReadLittleEndian(area)));
            } else if constexpr (std::is_same_v<M, double T::*>) {
                // A time or speed that is no finite number (a damaged file) would
                // poison every comparison made with it: it reads as 0.
                const double value = std::bit_cast<double>(ReadLittleEndian(area));
                record.*member = std::isfinite(value) ? value : 0.0;
            }
        },
        f.member);
}

// area holds the bytes the record was read from; a field whose value still
// equals what those bytes say leaves them alone (a Boolean stored as 255 stays
// 255, the bytes behind a text's end stay), anything else is written afresh.
template <class T>
void EncodeField(const Field<T>& f, const T& record, char* area) {
    const std::string_view before(area, f.size);
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, Zeroed>) {
                std::memset(area, 0, f.size);
            } else if constexpr (std::is_same_v<M, std::string T::*>) {
                const std::string text = CutToCapacity(record.*member, f.size - 1);
                if (ReadText(before) == text) return;
                std::memset(area, 0, f.size);
                area[0] = static_cast<char>(text.size());
                std::memcpy(area + 1, text.data(), text.size());
            } else if constexpr (std::is_same_v<M, bool T::*>) {
                if ((before[0] != 0) != record.*member) area[0] = record.*member ? 1 : 0;
            } else if constexpr (std::is_same_v<M, int32_t T::*>) {
                WriteLittleEndian(static_cast<uint32_t>(record.*member), area, f.size);
            } else if constexpr (std::is_same_v<M, double T::*>) {
                WriteLittleEndian(std::bit_cast<uint64_t>(record.*member), area, f.size);
            }
        },
        f.member);
}

}  // namespace

template <class T>
T DecodeRecord(std::string_view bytes) {
    T record;
    record.Raw.assign(bytes.substr(0, T::RecordSize));
    for (const auto& f : Layout<T>::fields) DecodeField(f, bytes.substr(f.offset, f.size), record);
    return record;
}

template <class T>
void AppendRecord(const T& record, std::string& out) {
    std::string bytes = record.Raw;
    bytes.resize(T::RecordSize, '\0');
    for (const auto& f : Layout<T>::fields) EncodeField(f, record, bytes.data() + f.offset);
    out += bytes;
}

template <class T>
std::vector<T> DecodeRecords(std::string_view bytes) {
    std::vector<T> records;
    records.reserve(bytes.size() / T::RecordSize);
    for (std::size_t at = 0; bytes.size() - at >= T::RecordSize; at += T::RecordSize)
        records.push_back(DecodeRecord<T>(bytes.substr(at, T::RecordSize)));
    return records;
}

#define QN_RECORD_CODEC(T)                                        \
    template T DecodeRecord<T>(std::string_view);                 \
    template void AppendRecord<T>(const T&, std::string&);        \
    template std::vector<T> DecodeRecords<T>(std::string_view);

QN_RECORD_CODEC(tftppath)
QN_RECORD_CODEC(toldftppath)
QN_RECORD_CODEC(tuseraccount)
QN_RECORD_CODEC(toldaccount)
QN_RECORD_CODEC(twebdomain)
QN_RECORD_CODEC(tvirtualpath)
QN_RECORD_CODEC(tscripttype)
QN_RECORD_CODEC(tmaildomain)
QN_RECORD_CODEC(tmailforward)
QN_RECORD_CODEC(tban)
QN_RECORD_CODEC(ttrigger)
QN_RECORD_CODEC(tconsoleprogram)
QN_RECORD_CODEC(ttransferrecord)

#undef QN_RECORD_CODEC

}  // namespace core
