#include "core/records.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>

namespace core {
namespace {

// Builds a record's bytes field by field from the stored layout: a text is a
// length byte and its characters, a Boolean one byte, integers and times
// little-endian.
class Bytes {
public:
    explicit Bytes(std::size_t size, char fill = '\0') : b_(size, fill) {}
    Bytes& Text(std::size_t at, const std::string& s) {
        b_[at] = static_cast<char>(s.size());
        std::memcpy(&b_[at + 1], s.data(), s.size());
        return *this;
    }
    Bytes& Byte(std::size_t at, unsigned char v) {
        b_[at] = static_cast<char>(v);
        return *this;
    }
    Bytes& Int(std::size_t at, int32_t v) { return Little(at, static_cast<uint32_t>(v), 4); }
    Bytes& Real(std::size_t at, double v) { return Little(at, std::bit_cast<uint64_t>(v), 8); }
    Bytes& Fill(std::size_t at, std::size_t n, char c) {
        b_.replace(at, n, n, c);
        return *this;
    }
    const std::string& str() const { return b_; }

private:
    Bytes& Little(std::size_t at, uint64_t v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i, v >>= 8) b_[at + i] = static_cast<char>(v & 0xFF);
        return *this;
    }
    std::string b_;
};

template <class T>
std::string Encode(const T& record) {
    std::string out;
    AppendRecord(record, out);
    return out;
}

// Names the first differing byte, so that a wrong offset is easy to find.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    std::size_t i = 0;
    while (actual[i] == expected[i]) ++i;
    return ::testing::AssertionFailure()
           << "first difference at offset " << i << ": " << int(static_cast<unsigned char>(actual[i]))
           << ", expected " << int(static_cast<unsigned char>(expected[i]));
}

template <class T>
std::string Reencode(const std::string& bytes) {
    return Encode(DecodeRecord<T>(bytes));
}

// record written gives expected; expected read gives record; expected read
// and written again gives expected.
template <class T>
void ExpectLayout(T record, const std::string& expected) {
    ASSERT_EQ(expected.size(), T::RecordSize);
    EXPECT_TRUE(SameBytes(Encode(record), expected));
    T back = DecodeRecord<T>(expected);
    EXPECT_EQ(back.Raw, expected);
    EXPECT_TRUE(SameBytes(Encode(back), expected));
    back.Raw.clear();
    record.Raw.clear();
    EXPECT_TRUE(back == record);
}

TEST(RecordLayout, FtpPath) {
    tftppath r;
    r.LocalDir = "/srv/files";
    r.Alias = "files";
    r.Owner = "<All Accounts>";
    r.FileRead = true;
    r.FileDelete = true;
    r.DirList = true;
    r.DirDelete = true;
    ExpectLayout(r, Bytes(775)
                        .Text(0, "/srv/files")
                        .Text(256, "files")
                        .Text(512, "<All Accounts>")
                        .Byte(768, 1)
                        .Byte(770, 1)
                        .Byte(772, 1)
                        .Byte(774, 1)
                        .str());
    tftppath w;
    w.FileWrite = w.FileAppend = w.DirMake = true;
    ExpectLayout(w, Bytes(775).Byte(769, 1).Byte(771, 1).Byte(773, 1).str());
}

TEST(RecordLayout, UserAccount) {
    tuseraccount r;
    r.UserName = std::string(20, 'u');
    r.Description = "mail only";
    r.Password = "Secret";
    r.Superuser = true;
    r.QuotaApplies = true;
    r.Quota = 1000;
    r.EmailAllowed = true;
    r.FtpInitialPath = "/pub";
    r.WebAllowed = true;
    r.TelnetAllowed = false;
    r.FtpAllowed = true;
    r.AllAccountsShared = true;
    r.ConnectionLimit = true;
    r.SpeedLimit = true;
    r.MaxFtpConnections = -3;
    r.MaxSpeed = 12.5;
    r.EmailAddress = "u@example.org";
    r.WebSite = "http://example.org/";
    r.Group = "staff";
    ExpectLayout(r, Bytes(1392)
                        .Text(0, std::string(20, 'u'))
                        .Text(21, "mail only")
                        .Text(42, "Secret")
                        .Byte(63, 1)
                        .Byte(64, 1)
                        .Int(68, 1000)
                        .Byte(72, 1)
                        .Text(73, "/pub")
                        .Byte(329, 1)
                        .Byte(331, 1)
                        .Byte(332, 1)
                        .Byte(333, 1)
                        .Byte(334, 1)
                        .Int(336, -3)
                        .Real(344, 12.5)
                        .Text(352, "u@example.org")
                        .Text(608, "http://example.org/")
                        .Text(864, "staff")
                        .str());
    tuseraccount t;
    t.TelnetAllowed = true;
    ExpectLayout(t, Bytes(1392).Byte(330, 1).str());
}

void FillAccess(twebaccess& a) {
    a.AuthOn = true;
    a.GrantSuperusers = false;
    a.GrantAllAccounts = true;
    a.GrantGroup = true;
    a.Group = "<Group: web>";
    a.GrantLogin = true;
    a.LoginUser = "guest";
    a.LoginPassword = "pw";
}

// The access fields as FillAccess sets them, from their first byte at.
Bytes& AccessBytes(Bytes& b, std::size_t at) {
    return b.Byte(at, 1)
        .Byte(at + 2, 1)
        .Byte(at + 3, 1)
        .Text(at + 4, "<Group: web>")
        .Byte(at + 260, 1)
        .Text(at + 261, "guest")
        .Text(at + 517, "pw");
}

TEST(RecordLayout, WebDomain) {
    twebdomain r;
    r.DomainName = "www.example.org";
    r.LocalRoot = "/srv/www";
    FillAccess(r);
    Bytes expected(1312);
    expected.Text(0, "www.example.org").Text(256, "/srv/www");
    // Spelled out once here; the virtual path's are the same at another start.
    expected.Byte(512, 1).Byte(514, 1).Byte(515, 1).Text(516, "<Group: web>").Byte(772, 1)
        .Text(773, "guest").Text(1029, "pw");
    ExpectLayout(r, expected.str());
    Bytes viaHelper(1312);
    EXPECT_EQ(AccessBytes(viaHelper.Text(0, "www.example.org").Text(256, "/srv/www"), 512).str(),
              expected.str());

    twebdomain s;
    s.GrantSuperusers = true;
    ExpectLayout(s, Bytes(1312).Byte(513, 1).str());
}

TEST(RecordLayout, VirtualPath) {
    tvirtualpath r;
    r.Alias = "docs";
    r.Domain = "default";
    r.LocalPath = "/srv/docs";
    FillAccess(r);
    Bytes expected(1568);
    expected.Text(0, "docs").Text(256, "default").Text(512, "/srv/docs");
    ExpectLayout(r, AccessBytes(expected, 768).str());
    tvirtualpath s;
    s.GrantSuperusers = true;
    ExpectLayout(s, Bytes(1568).Byte(769, 1).str());
}

TEST(RecordLayout, ScriptType) {
    tscripttype r;
    r.Extension = "php";
    r.Interpreter = "/usr/bin/php-cgi";
    r.SwitchesBefore = "-q";
    r.SwitchesAfter = "--";
    r.OutsideCgiFolder = true;
    r.InUserWebFolders = true;
    ExpectLayout(r, Bytes(1032)
                        .Text(0, "php")
                        .Text(256, "/usr/bin/php-cgi")
                        .Text(512, "-q")
                        .Text(768, "--")
                        .Byte(1024, 1)
                        .Byte(1025, 1)
                        .str());
}

TEST(RecordLayout, MailDomain) {
    tmaildomain r;
    r.Domain = "example.org";
    r.CatchAllOn = true;
    r.CatchAllAddress = "postmaster";
    ExpectLayout(r, Bytes(776).Text(0, "example.org").Byte(256, 1).Text(257, "postmaster").str());
}

TEST(RecordLayout, MailForward) {
    tmailforward r;
    r.Destination = "bob@example.net";
    r.Forwarded = "info@example.org";
    ExpectLayout(r, Bytes(512).Text(0, "bob@example.net").Text(256, "info@example.org").str());
}

TEST(RecordLayout, Ban) {
    tban r;
    r.Description = "scanner";
    r.Pattern = "10.0.*";
    r.Time = 45000.75;
    r.DurationIndex = 10;
    ExpectLayout(r, Bytes(784).Text(0, "scanner").Text(256, "10.0.*").Real(512, 45000.75).Int(520, 10).str());
}

TEST(RecordLayout, Trigger) {
    ttrigger r;
    r.Description = "cmd";
    r.Service = static_cast<int32_t>(TriggerService::Ftp);
    r.Pattern = "*cmd.exe*";
    r.DurationIndex = 3;
    ExpectLayout(r, Bytes(780).Text(0, "cmd").Int(256, 4).Text(260, "*cmd.exe*").Int(516, 3).str());
}

TEST(RecordLayout, ConsoleProgram) {
    tconsoleprogram r;
    r.Title = "top";
    r.ProgramPath = "/usr/bin/top";
    r.Access = static_cast<int32_t>(ConsoleAccess::AllUsers);
    ExpectLayout(r, Bytes(1036).Text(0, "top").Text(256, "/usr/bin/top").Int(512, 1).str());
}

TEST(RecordLayout, TransferRecord) {
    ttransferrecord r;
    r.FileName = "a.zip";
    r.Folder = "/srv/files/";
    r.Count = 7;
    r.User = "bob";
    r.Time = 45123.5;
    ExpectLayout(r, Bytes(784)
                        .Text(0, "a.zip")
                        .Text(256, "/srv/files/")
                        .Int(512, 7)
                        .Text(516, "bob")
                        .Real(776, 45123.5)
                        .str());
}

// --- bytes no field owns, and bytes a field owns but did not change ---

TEST(RecordBytes, PaddingAndReservedAreasComeBackAsRead) {
    const std::string account = Bytes(1392, '\0')
                                    .Text(0, "bob")
                                    .Fill(65, 3, '\x11')
                                    .Fill(335, 1, '\x22')
                                    .Fill(340, 4, '\x33')
                                    .Fill(1120, 272, '\x44')
                                    .str();
    tuseraccount r = DecodeRecord<tuseraccount>(account);
    EXPECT_TRUE(SameBytes(Encode(r), account));
    r.Quota = 5;
    EXPECT_TRUE(SameBytes(Encode(r), Bytes(1392).Text(0, "bob").Int(68, 5).Fill(65, 3, '\x11')
                                         .Fill(335, 1, '\x22').Fill(340, 4, '\x33')
                                         .Fill(1120, 272, '\x44').str()));

    struct Row {
        const char* what;
        std::size_t size, at, n;
        std::string (*reencode)(const std::string&);
    };
    const Row kept[] = {
        {"script type padding", 1032, 1026, 6, Reencode<tscripttype>},
        {"mail domain reserved", 776, 513, 263, Reencode<tmaildomain>},
        {"ban reserved", 784, 524, 260, Reencode<tban>},
        {"trigger reserved", 780, 520, 260, Reencode<ttrigger>},
        {"console reserved", 1036, 516, 520, Reencode<tconsoleprogram>},
        {"transfer padding", 784, 772, 4, Reencode<ttransferrecord>},
        {"web domain padding", 1312, 1285, 3, Reencode<twebdomain>},
        {"web domain second reserved", 1312, 1300, 12, Reencode<twebdomain>},
        {"virtual path padding", 1568, 1541, 3, Reencode<tvirtualpath>},
        {"virtual path second reserved", 1568, 1556, 12, Reencode<tvirtualpath>},
    };
    for (const Row& row : kept) {
        SCOPED_TRACE(row.what);
        const std::string bytes = Bytes(row.size).Fill(row.at, row.n, '\x5A').str();
        EXPECT_TRUE(SameBytes(row.reencode(bytes), bytes));
    }
}

TEST(RecordBytes, FirstReservedAreaOfDomainsAndPathsIsWrittenAsZeros) {
    const std::string domainBytes = Bytes(1312).Text(0, "d").Fill(1288, 12, '\x7F').str();
    const twebdomain domain = DecodeRecord<twebdomain>(domainBytes);
    twebdomain plain = DecodeRecord<twebdomain>(Bytes(1312).Text(0, "d").str());
    plain.Raw = domain.Raw;
    EXPECT_TRUE(domain == plain);  // the area means nothing when read
    EXPECT_TRUE(SameBytes(Encode(domain), Bytes(1312).Text(0, "d").str()));

    const std::string pathBytes = Bytes(1568).Text(0, "a").Fill(1544, 12, '\x7F').str();
    EXPECT_TRUE(SameBytes(Encode(DecodeRecord<tvirtualpath>(pathBytes)), Bytes(1568).Text(0, "a").str()));
}

TEST(RecordBytes, UnchangedFieldsKeepTheirBytes) {
    // A Boolean stored as 255 and the bytes behind a text's end stay as read
    // while the field keeps its value.
    std::string bytes = Bytes(775).Text(0, "/a").Byte(768, 0xFF).str();
    bytes[0 + 1 + 2] = 'X';  // behind the text "/a"
    bytes[256 + 1 + 10] = 'Y';
    tftppath r = DecodeRecord<tftppath>(bytes);
    EXPECT_EQ(r.LocalDir, "/a");
    EXPECT_TRUE(r.FileRead);
    EXPECT_TRUE(SameBytes(Encode(r), bytes));

    // A changed text is written afresh: no trace of the old text behind the new one.
    r.LocalDir = "/b";
    r.FileRead = false;
    std::string changed = bytes;
    changed[1 + 1] = 'b';
    changed[1 + 2] = '\0';
    changed[768] = '\0';
    EXPECT_TRUE(SameBytes(Encode(r), changed));
}

TEST(RecordBytes, ChangedPasswordLeavesNoTraceOfTheOldOne) {
    tuseraccount r;
    r.Password = "longoldpassword";
    const tuseraccount stored = DecodeRecord<tuseraccount>(Encode(r));
    tuseraccount changed = stored;
    changed.Password = "new";
    EXPECT_TRUE(SameBytes(Encode(changed), Bytes(1392).Text(42, "new").str()));
}

TEST(RecordBytes, TextsAreCutToCapacityAtACharacterBoundary) {
    struct Row {
        const char* what;
        std::string text, stored;
    };
    const Row rows[] = {
        {"fits", std::string(20, 'a'), std::string(20, 'a')},
        {"one byte too long", std::string(21, 'a'), std::string(20, 'a')},
        {"two-byte character across the end", std::string(19, 'a') + "\xC3\xA9",
         std::string(19, 'a')},
        {"two-byte character at the end", std::string(18, 'a') + "\xC3\xA9" + "b",
         std::string(18, 'a') + "\xC3\xA9"},
        {"four-byte character across the end", std::string(18, 'a') + "\xF0\x9F\x98\x80",
         std::string(18, 'a')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tuseraccount r;
        r.UserName = row.text;
        const std::string bytes = Encode(r);
        EXPECT_TRUE(SameBytes(bytes, Bytes(1392).Text(0, row.stored).str()));
        EXPECT_EQ(DecodeRecord<tuseraccount>(bytes).UserName, row.stored);
    }
    tmailforward f;
    f.Forwarded = std::string(300, 'x');
    EXPECT_EQ(DecodeRecord<tmailforward>(Encode(f)).Forwarded, std::string(255, 'x'));
}

TEST(RecordBytes, LengthByteBeyondCapacityReadsOnlyTheField) {
    std::string bytes = Bytes(1392).Text(21, "desc").str();
    bytes.replace(1, 20, std::string(20, 'n'));
    bytes[0] = static_cast<char>(200);  // claims more than the field holds
    const tuseraccount r = DecodeRecord<tuseraccount>(bytes);
    EXPECT_EQ(r.UserName, std::string(20, 'n'));
    EXPECT_EQ(r.Description, "desc");
    EXPECT_TRUE(SameBytes(Encode(r), bytes));
}

TEST(RecordBytes, WholeRecordsOfAFileTrailingPartIgnored) {
    const std::string one = Bytes(512).Text(0, "a").str();
    const std::string two = Bytes(512).Text(0, "b").str();
    struct Row {
        const char* what;
        std::string bytes;
        std::vector<std::string> destinations;
    };
    const Row rows[] = {
        {"empty", "", {}},
        {"partial only", std::string(511, 'z'), {}},
        {"two", one + two, {"a", "b"}},
        {"two and a partial", one + two + std::string(100, 'z'), {"a", "b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> got;
        for (const tmailforward& f : DecodeRecords<tmailforward>(row.bytes)) got.push_back(f.Destination);
        EXPECT_EQ(got, row.destinations);
    }
}

TEST(RecordBytes, TimesAndIntegersKeepEveryBit) {
    struct Row {
        const char* what;
        double time;
        int32_t index;
    };
    const Row rows[] = {
        {"zero", 0.0, 0},
        {"negative day", -1.25, -1},
        {"large", 2958465.99999, 2147483647},
        {"smallest int", 1e-300, -2147483647 - 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tban b;
        b.Time = row.time;
        b.DurationIndex = row.index;
        const std::string bytes = Bytes(784).Real(512, row.time).Int(520, row.index).str();
        EXPECT_TRUE(SameBytes(Encode(b), bytes));
        const tban back = DecodeRecord<tban>(bytes);
        EXPECT_EQ(std::bit_cast<uint64_t>(back.Time), std::bit_cast<uint64_t>(row.time));
        EXPECT_EQ(back.DurationIndex, row.index);
    }
}

TEST(RecordBytes, TimeThatIsNoFiniteNumberReadsAsZero) {
    struct Row {
        const char* what;
        double stored;
    };
    const Row rows[] = {
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
        {"infinity", std::numeric_limits<double>::infinity()},
        {"minus infinity", -std::numeric_limits<double>::infinity()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const tban ban = DecodeRecord<tban>(Bytes(784).Real(512, row.stored).str());
        EXPECT_EQ(ban.Time, 0.0);
        const ttransferrecord transfer = DecodeRecord<ttransferrecord>(Bytes(784).Real(776, row.stored).str());
        EXPECT_EQ(transfer.Time, 0.0);
        const tuseraccount account = DecodeRecord<tuseraccount>(Bytes(1392).Real(344, row.stored).str());
        EXPECT_EQ(account.MaxSpeed, 0.0);
        // Written back, the field holds the 0 that was read.
        EXPECT_TRUE(SameBytes(Encode(ban), Bytes(784).str()));
    }
}

}  // namespace
}  // namespace core
