// The configuration records the server keeps in its lists and stores beside
// the program as files of fixed-size records, back to back, with no header.
//
// Each record keeps the bytes it was read from (Raw). Fields are written over
// those bytes when the record is stored, so padding, reserved areas and any
// byte a field does not change come back exactly as they were read, and a file
// the program wrote reads back and rewrites byte for byte. A new record has an
// empty Raw, which stands for all zeros.
//
// Texts are 8-bit (UTF-8) with a capacity of 20 or 255 bytes; a longer text is
// cut to the capacity at a character boundary when it is stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

inline constexpr std::size_t kNameCapacity = 20;   // user name, description, password
inline constexpr std::size_t kTextCapacity = 255;  // every other text field

// An FTP folder of the superuser, anonymous or shared list.
struct tftppath {
    static constexpr std::size_t RecordSize = 775;
    std::string LocalDir;
    std::string Alias;
    std::string Owner;  // "<All Accounts>", "<Group: name>" or a user name (shared list only)
    bool FileRead = false;
    bool FileWrite = false;
    bool FileDelete = false;
    bool FileAppend = false;
    bool DirList = false;
    bool DirMake = false;
    bool DirDelete = false;
    std::string Raw;

    bool operator==(const tftppath&) const = default;
};

// The layout of the older FTP path files: the first 768 bytes of tftppath and
// one read-only flag.
struct toldftppath {
    static constexpr std::size_t RecordSize = 769;
    std::string LocalDir;
    std::string Alias;
    std::string Owner;
    bool ReadOnly = false;
    std::string Raw;

    bool operator==(const toldftppath&) const = default;
};

struct tuseraccount {
    static constexpr std::size_t RecordSize = 1392;
    std::string UserName;
    std::string Description;
    std::string Password;  // as typed; compared exactly
    bool Superuser = false;
    bool QuotaApplies = false;
    int32_t Quota = 0;  // megabytes
    bool EmailAllowed = false;
    std::string FtpInitialPath;
    bool WebAllowed = false;
    bool TelnetAllowed = false;
    bool FtpAllowed = false;
    bool AllAccountsShared = false;  // may use the shared paths owned by "<All Accounts>"
    bool ConnectionLimit = false;
    bool SpeedLimit = false;
    int32_t MaxFtpConnections = 0;
    double MaxSpeed = 0;  // kB/s
    std::string EmailAddress;
    std::string WebSite;
    std::string Group;
    std::string Raw;

    bool operator==(const tuseraccount&) const = default;
};

// The older account layout (acc23.dat): the first 333 bytes of tuseraccount in
// a 352-byte record.
struct toldaccount {
    static constexpr std::size_t RecordSize = 352;
    static constexpr std::size_t SharedBytes = 333;
    std::string Raw;

    bool operator==(const toldaccount&) const = default;
};

// Who may read a web domain or a virtual path when authentication is on.
struct twebaccess {
    bool AuthOn = false;
    bool GrantSuperusers = false;
    bool GrantAllAccounts = false;
    bool GrantGroup = false;
    std::string Group;
    bool GrantLogin = false;  // one specific login, below
    std::string LoginUser;
    std::string LoginPassword;

    bool operator==(const twebaccess&) const = default;
};

struct twebdomain : twebaccess {
    static constexpr std::size_t RecordSize = 1312;
    std::string DomainName;
    std::string LocalRoot;
    std::string Raw;

    bool operator==(const twebdomain&) const = default;
};

struct tvirtualpath : twebaccess {
    static constexpr std::size_t RecordSize = 1568;
    std::string Alias;   // the URL prefix
    std::string Domain;  // "default" for every domain
    std::string LocalPath;
    std::string Raw;

    bool operator==(const tvirtualpath&) const = default;
};

struct tscripttype {
    static constexpr std::size_t RecordSize = 1032;
    std::string Extension;  // without the dot
    std::string Interpreter;
    std::string SwitchesBefore;
    std::string SwitchesAfter;
    bool OutsideCgiFolder = false;
    bool InUserWebFolders = false;
    std::string Raw;

    bool operator==(const tscripttype&) const = default;
};

struct tmaildomain {
    static constexpr std::size_t RecordSize = 776;
    std::string Domain;
    bool CatchAllOn = false;
    std::string CatchAllAddress;
    std::string Raw;

    bool operator==(const tmaildomain&) const = default;
};

struct tmailforward {
    static constexpr std::size_t RecordSize = 512;
    std::string Destination;  // the address the mail goes to
    std::string Forwarded;    // the address being forwarded
    std::string Raw;

    bool operator==(const tmailforward&) const = default;
};

struct tban {
    static constexpr std::size_t RecordSize = 784;
    std::string Description;
    std::string Pattern;
    double Time = 0;  // days since 1899-12-30, local time
    int32_t DurationIndex = 0;
    std::string Raw;

    bool operator==(const tban&) const = default;
};

enum class TriggerService : int32_t { Telnet = 0, Http = 1, Smtp = 2, Pop3 = 3, Ftp = 4 };

struct ttrigger {
    static constexpr std::size_t RecordSize = 780;
    std::string Description;
    int32_t Service = 0;  // a TriggerService value
    std::string Pattern;
    int32_t DurationIndex = 0;
    std::string Raw;

    bool operator==(const ttrigger&) const = default;
};

enum class ConsoleAccess : int32_t { SuperusersOnly = 0, AllUsers = 1 };

struct tconsoleprogram {
    static constexpr std::size_t RecordSize = 1036;
    std::string Title;
    std::string ProgramPath;
    int32_t Access = 0;  // a ConsoleAccess value
    std::string Raw;

    bool operator==(const tconsoleprogram&) const = default;
};

// A download, an upload or a download statistic.
struct ttransferrecord {
    static constexpr std::size_t RecordSize = 784;
    std::string FileName;
    std::string Folder;  // ends with the separator
    int32_t Count = 0;   // downloads (statistics only)
    std::string User;
    double Time = 0;  // days since 1899-12-30, local time
    std::string Raw;

    bool operator==(const ttransferrecord&) const = default;
};

// The codec, driven by one field table per record type. Decoding needs at
// least T::RecordSize bytes; a text whose length byte exceeds the field's
// capacity is read up to the capacity.
template <class T>
T DecodeRecord(std::string_view bytes);

template <class T>
void AppendRecord(const T& record, std::string& out);

// Whole records of a file's bytes, in order; a trailing partial record is ignored.
template <class T>
std::vector<T> DecodeRecords(std::string_view bytes);

}  // namespace core
