// The settings, accounts and record files of a window started in a folder of
// its own: what start-up reads into the controls and lists, what a save writes
// back, and the files it must not overwrite.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/listener.h"
#include "core/settings.h"
#include "ui/settingskeys.h"
#include "forms/forms.h"
#include "netunit/inifile.h"
#include "netunit/tempdir.h"
#include "netunit/utf16.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"

namespace {

using core::AppendRecord;

// options.ini as the program stores it: FF FE, UTF-16LE, CR LF after each line.
std::string Utf16Lines(const std::vector<std::u16string>& lines) {
    std::string bytes = "\xFF\xFE";
    for (const std::u16string& line : lines)
        for (char16_t c : line + u"\r\n") {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
    return bytes;
}

template <class T>
std::string Records(const std::vector<T>& records) {
    std::string bytes;
    for (const T& r : records) AppendRecord(r, bytes);
    return bytes;
}

core::tuseraccount Account(const std::string& name, const std::string& group = "") {
    core::tuseraccount a;
    a.UserName = name;
    a.Password = "pw";
    a.Group = group;
    return a;
}

class Settings : public ::testing::Test {
protected:
    ~Settings() override {
        Stop();
        forms::SetMessageDlgHook(nullptr);
        platform::SetProgramDir("");
    }

    void Start() {
        platform::SetProgramDir(dir_.Path());
        form_ = std::make_unique<Tquillnestform>();
    }
    // Shutdown saves the accounts and the FTP paths; the caller saves the settings first when it wants them.
    void Stop() { form_.reset(); }
    void Restart() {
        form_->SaveSettings();
        Stop();
        Start();
    }

    void WriteIni(const std::vector<std::u16string>& lines) { dir_.Write("options.ini", Utf16Lines(lines)); }
    std::string File(const std::string& name) const { return TempDir::Read(dir_ / name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    // options.ini as read back by a fresh store.
    std::u16string Stored(const char* section, const char* key) const {
        netunit::tinifile ini;
        ini.OpenIni(dir_ / "options.ini");
        return ini.ReadString(section, key, u"<missing>");
    }

    std::vector<std::string> Items(const forms::TStrings* items) const { return items->ToVector(); }
    std::vector<std::string> LogLines() const { return Items(form_->status->Items()); }
    bool Logged(const std::string& text) const {
        for (const std::string& line : LogLines())
            if (line.ends_with(text)) return true;
        return false;
    }

    TempDir dir_;
    std::unique_ptr<Tquillnestform> form_;
};

// ---- first start

TEST_F(Settings, FirstStartInAnEmptyFolderGivesEveryDefault) {
    Start();
    for (const char* folder : {"home", "home/-old-", "mail", "mail/relay"}) {
        SCOPED_TRACE(folder);
        EXPECT_TRUE(std::filesystem::is_directory(dir_ / folder));
    }
    ASSERT_FALSE(LogLines().empty());
    EXPECT_TRUE(LogLines()[0].ends_with("] Quillnest loaded."));

    Tquillnestform& f = *form_;
    EXPECT_TRUE(f.Accounts.empty());
    EXPECT_EQ(f.accountslist->Count(), 0);
    EXPECT_TRUE(f.SuperuserPathList.empty() && f.AnonymousPathList.empty() && f.SharedPathList.empty());
    EXPECT_TRUE(f.BanList.empty() && f.TriggerList.empty() && f.WebDomainList.empty() && f.VirtualPathList.empty());

    struct Row {
        const char* what;
        bool actual, expected;
    };
    const Row switches[] = {
        {"HTTP on", f.webenabled->Checked(), true},
        {"FTP on", f.ftpenabled->Checked(), true},
        {"SMTP on", f.emailenabled->Checked(), true},
        {"POP3 on", f.popenabled->Checked(), true},
        {"Telnet off", f.TelnetEnabled->Checked(), false},
        {"relaying off", f.relayemail->Checked(), false},
        {"relaying needs authentication", f.antispam->Checked(), true},
        {"blacklist off", f.blacklistenabled->Checked(), false},
        {"anonymous connections limited", f.anonmaxconcheck->Checked(), true},
        {"relay recipient limit off", f.maxrcptcheck->Checked(), false},
        {"menu follows the HTTP switch", f.EnabledHTTP1->Checked(), true},
        {"menu follows the Telnet switch", f.EnabledTelnet1->Checked(), false},
        {"start with the desktop", f.Runonstartup1->Checked(), true},
        {"PHP detection", f.DetectPhp, true},
    };
    for (const Row& row : switches) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.actual, row.expected);
    }
    EXPECT_EQ(f.anonmaxcon->Text(), "16");
    EXPECT_EQ(f.maxrcpt->Text(), "16");
    EXPECT_EQ(f.webport->Text(), "80");
    EXPECT_EQ(f.popport->Text(), "110");
    EXPECT_EQ(f.webindex->Text(), "default.asp;default.php;index.html; index.htm");
    EXPECT_EQ(f.webdir->Text(), dir_ / "wwwroot/");
    EXPECT_EQ(f.cgidir->Text(), dir_ / "cgi-bin/");
    EXPECT_EQ(f.helodomain->Text(), f.netsockets->LocalHostName());
    EXPECT_EQ(f.HomeDir, dir_ / "home/");
    EXPECT_EQ(f.Ddns.DynDns.Server, core::kDefaultDynDnsServer);
    EXPECT_EQ(f.Ddns.NoIp.IntervalIndex, 3);
    EXPECT_EQ(f.Telnet.AutoChoice, -1);

    ASSERT_EQ(f.MimeTypes.Lines().size(), 124u);
    EXPECT_EQ(f.MimeTypes.Lines().front(), "ez   application/andrew-inset");
    EXPECT_EQ(f.MimeTypes.Lines().back(), "ice   x-conference/x-cooltalk");
    EXPECT_EQ(f.mimelist->Items()->Count(), 124);
    EXPECT_EQ(f.domaincombo->Text(), "default");
}

TEST(BuiltInMimeTypes, HoldsRtfTwiceInItsTableOrder) {
    const auto& table = core::BuiltInMimeTypes();
    ASSERT_EQ(table.size(), 124u);
    std::vector<std::string> rtf;
    for (const core::tmimetype& m : table)
        if (std::string(m.Extension) == "rtf") rtf.push_back(m.Type);
    EXPECT_EQ(rtf, (std::vector<std::string>{"application/rtf", "text/rtf"}));
    EXPECT_EQ(std::string(table[4].Extension) + " " + table[4].Type, "bin application/octet-stream");
    EXPECT_EQ(core::MimeLine("htm", "text/html"), "htm   text/html");
}

TEST(NameServers, FirstTwoIpv4ServersOfResolvConf) {
    struct Row {
        const char* what;
        std::string text;
        std::vector<std::string> servers;
    };
    const Row rows[] = {
        {"two of three", "nameserver 10.0.0.1\nnameserver 10.0.0.2\nnameserver 10.0.0.3\n",
         {"10.0.0.1", "10.0.0.2"}},
        {"comments, options and tabs", "# nameserver 1.1.1.1\nsearch lan\nnameserver\t192.168.1.1  # home\n",
         {"192.168.1.1"}},
        {"IPv6 skipped", "nameserver ::1\nnameserver 127.0.0.53\r\n", {"127.0.0.53"}},
        {"not an address", "nameserver 300.1.1.1\nnameserver dns.example\nnameserver 1.2.3\n", {}},
        {"none", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(core::NameServersOf(row.text), row.servers);
    }
}

// ---- reading options.ini

TEST_F(Settings, KeysReachTheirControlsAndFields) {
    WriteIni({u"[http]", u"port=8080", u"defaultdir=/srv/www/", u"cgienabled=1", u"[FTP]", u"Port=2121",
              u"maxconcheck=0", u"[smtp]", u"relay=1", u"relaydns1=10.1.1.1", u"helodomain=mail.example",
              u"antispam=0", u"[pop3]", u"popport=1110", u"[telnet]", u"enabled=1", u"[user]", u"quota=25", u"web=0",
              u"[autologon]", u"username=amy", u"[custom]", u"custom_wendmarch=2", u"[noip]", u"hosts=a;b",
              u"updatetime=11", u"[dyndns]", u"server=dyn.example", u"dnssystem=2", u"[blacklist]",
              u"enabled=1", u"[detect]", u"perl=0"});
    Start();
    Tquillnestform& f = *form_;
    EXPECT_EQ(f.webport->Text(), "8080");
    EXPECT_EQ(f.webdir->Text(), "/srv/www/");
    EXPECT_TRUE(f.cgienabled->Checked());
    EXPECT_EQ(f.ftpport->Text(), "2121") << "section and key names ignore case";
    EXPECT_FALSE(f.anonmaxconcheck->Checked());
    EXPECT_TRUE(f.relayemail->Checked());
    EXPECT_EQ(f.relaydns1->Text(), "10.1.1.1");
    EXPECT_EQ(f.helodomain->Text(), "mail.example");
    EXPECT_FALSE(f.antispam->Checked()) << "a stored choice outlives the new default";
    EXPECT_EQ(f.popport->Text(), "1110");
    EXPECT_TRUE(f.TelnetEnabled->Checked());
    EXPECT_TRUE(f.EnabledTelnet1->Checked());
    EXPECT_EQ(f.NewAccountDefaults.Quota, "25");
    EXPECT_FALSE(f.NewAccountDefaults.Web);
    EXPECT_TRUE(f.NewAccountDefaults.Ftp);
    EXPECT_EQ(f.AutoLogonSettings.UserName, "amy");
    EXPECT_EQ(f.Telnet.AutoChoice, 2);
    EXPECT_EQ(f.Ddns.NoIp.Hosts, "a;b");
    EXPECT_EQ(f.Ddns.NoIp.IntervalIndex, 11);
    EXPECT_EQ(f.Ddns.DynDns.Server, "dyn.example");
    EXPECT_EQ(f.Ddns.DynDns.SystemIndex, 2);
    EXPECT_TRUE(f.blacklistenabled->Checked());
    EXPECT_TRUE(f.DetectPhp);
    EXPECT_FALSE(f.DetectPerl);
}

TEST_F(Settings, OutOfRangeIndexesFallBackToTheirDefaults) {
    WriteIni({u"[tabs]", u"main=2", u"protocols=99", u"status=-1", u"ftp=7", u"web=1",
              u"[noip]", u"updatetime=12", u"updateport=1", u"updatelog=5",
              u"[dyndns]", u"updatetime=-3", u"dnssystem=3", u"updatelog=1",
              u"[custom]", u"custom_wendmarch=-7"});
    Start();
    Tquillnestform& f = *form_;
    struct Row {
        const char* what;
        int actual, expected;
    };
    const Row rows[] = {
        {"main page in range", f.TabbedNotebook1->PageIndex(), 2},
        {"protocols page beyond the notebook", f.TabbedNotebook2->PageIndex(), 0},
        {"negative status page", f.TabbedNotebook4->PageIndex(), 0},
        {"FTP sheet beyond the control", f.tabbednotebook3->ActivePageIndex(), 0},
        {"web sheet in range", f.tabbednotebook5->ActivePageIndex(), 1},
        {"No-IP interval 12 of 0..11", f.Ddns.NoIp.IntervalIndex, 3},
        {"No-IP port in range", f.Ddns.NoIp.PortIndex, 1},
        {"No-IP log beyond 0..1", f.Ddns.NoIp.LogIndex, 0},
        {"DynDNS negative interval", f.Ddns.DynDns.IntervalIndex, 3},
        {"DynDNS system 3 of 0..2", f.Ddns.DynDns.SystemIndex, 0},
        {"DynDNS log in range", f.Ddns.DynDns.LogIndex, 1},
        {"automatic choice below -1", f.Telnet.AutoChoice, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.actual, row.expected);
    }
}

TEST_F(Settings, UtfSixteenBigEndianFileIsObeyed) {
    std::string bytes = "\xFE\xFF";
    for (char16_t c : std::u16string(u"[http]\r\nport=8181\r\n")) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    dir_.Write("options.ini", bytes);
    Start();
    EXPECT_EQ(form_->webport->Text(), "8181");
}

TEST_F(Settings, EmptyHomeRootKeepsTheProgramsHomeFolder) {
    WriteIni({u"[accounts]", u"homedir="});
    Start();
    EXPECT_EQ(form_->HomeDir, dir_ / "home/");
    Stop();
    WriteIni({u"[accounts]", u"homedir=/srv/users"});
    Start();
    EXPECT_EQ(form_->HomeDir, "/srv/users/");
}

TEST_F(Settings, MasterAddressShowsItsNoticeAndSurvivesSaves) {
    WriteIni({u"[mailsettings]", u"masteraddress=boss@example.test", u"[custom]", u"custom_wendmarch=1"});
    Start();
    EXPECT_TRUE(form_->MasterAddressOn);
    EXPECT_EQ(form_->MasterAddress, "boss@example.test");
    EXPECT_TRUE(form_->dynlabel->Visible());
    EXPECT_EQ(form_->dynlabel->Caption(), "Mail Forward CC Feature Enabled... MasterAddress=boss@example.test");
    form_->SaveSettings();
    EXPECT_EQ(Stored("mailsettings", "masteraddress"), u"boss@example.test");
    EXPECT_EQ(Stored("custom", "custom_wendmarch"), u"1");
}

// ---- writing options.ini

TEST_F(Settings, SaveKeepsCommentsBlankLinesAndUnknownKeysInPlace) {
    WriteIni({u"# written by hand", u"[http]", u"port=8080", u"", u"# a note", u"colour=blue", u"[other]",
              u"x=1"});
    Start();
    form_->webport->SetText("8181");
    form_->SaveSettings();
    const std::string bytes = File("options.ini");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

    netunit::tinifile ini;
    ASSERT_TRUE(ini.OpenIni(dir_ / "options.ini"));
    std::vector<std::u16string> lines;
    for (int i = 0; i < ini.GetLines()->Count(); ++i) lines.push_back(ini.GetLines()->Get(i));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], u"# written by hand");
    EXPECT_EQ(lines[1], u"[http]");
    // New keys of an existing section go right under its header.
    const auto port = std::find(lines.begin(), lines.end(), u"port=8181");
    ASSERT_NE(port, lines.end());
    EXPECT_EQ(*(port + 1), u"");
    EXPECT_EQ(*(port + 2), u"# a note");
    EXPECT_EQ(*(port + 3), u"colour=blue");
    EXPECT_EQ(*(port + 4), u"[other]");
    EXPECT_EQ(*(port + 5), u"x=1");
    EXPECT_EQ(Stored("misc", "killgroups"), u"0");
    EXPECT_EQ(Stored("smtp", "emailhost"), u"");
}

TEST_F(Settings, WholeRoundTripKeepsEveryValue) {
    Start();
    Tquillnestform& f = *form_;
    f.webport->SetText("8088");
    f.anonmaxban->SetText("12");
    f.commandprompt->SetChecked(true);
    f.relaydns2->SetText("10.9.9.9");
    f.Ddns.NoIp.Password = "p=w";
    f.Ddns.DynDns.LogIndex = 1;
    f.NewAccountDefaults.Telnet = false;
    f.Runonstartup1->SetChecked(false);
    f.Minimize1->SetChecked(true);
    f.TabbedNotebook1->SetPageIndex(3);
    f.mailtabs->SetActivePageIndex(1);
    f.StatsSince = "Tracking since March 5, 2007 at 14:03:09";
    Restart();
    Tquillnestform& g = *form_;
    EXPECT_EQ(g.webport->Text(), "8088");
    EXPECT_EQ(g.anonmaxban->Text(), "12");
    EXPECT_TRUE(g.commandprompt->Checked());
    EXPECT_EQ(g.relaydns2->Text(), "10.9.9.9");
    EXPECT_EQ(g.Ddns.NoIp.Password, "p=w");
    EXPECT_EQ(g.Ddns.DynDns.LogIndex, 1);
    EXPECT_FALSE(g.NewAccountDefaults.Telnet);
    EXPECT_FALSE(g.Runonstartup1->Checked());
    EXPECT_TRUE(g.Minimize1->Checked());
    EXPECT_TRUE(g.HiddenInTray);
    EXPECT_EQ(g.TabbedNotebook1->PageIndex(), 3);
    EXPECT_EQ(g.mailtabs->ActivePageIndex(), 1);
    EXPECT_EQ(g.StatsSince, "Tracking since March 5, 2007 at 14:03:09");
}

// Every key of the key table, each with a value of its own unlike its
// default: read into the window, saved, and read into a fresh window again.
TEST_F(Settings, EveryKeyRoundTripsThroughTheWindow) {
    const std::string log = dir_ / "round.log";
    const std::map<std::string, std::string> chosen = {
        // Numbers within their lists, each unlike its default.
        {"pos.left", "41"}, {"pos.top", "31"}, {"pos.width", "655"}, {"pos.height", "485"},
        {"noip.updatetime", "7"}, {"noip.updateport", "1"}, {"noip.updatelog", "1"},
        {"dyndns.updatetime", "9"}, {"dyndns.dnssystem", "2"}, {"dyndns.updatelog", "1"},
        {"custom.custom_wendmarch", "2"},
        // Texts whose edits take digits only.
        {"ftp.maxcon", "7"}, {"ftp.maxban", "13"},
        // Texts that must name something real.
        {"log.logfile", log}, {"accounts.homedir", dir_ / "homes/"},
        {"smtp.port", "2525"}, {"http.port", "8081"}, {"ftp.port", "2121"}, {"pop3.popport", "1110"},
        {"telnet.telnetport", "2323"}};
    Start();
    std::map<std::string, std::vector<std::u16string>> sections;
    std::vector<std::string> order;
    std::map<std::string, std::string> written;
    for (const twindowkey& k : SettingKeys()) {
        const std::string name = std::string(k.Section) + "." + k.Key;
        const core::tsettingvalue fallback = k.Default(*form_);
        std::string value;
        if (chosen.count(name) != 0)
            value = chosen.at(name);
        else if (const bool* b = std::get_if<bool>(&fallback))
            value = *b ? "0" : "1";
        else if (std::holds_alternative<int64_t>(fallback))
            value = "1";  // a notebook's second page: every notebook has one
        else
            value = "v-" + name;
        ASSERT_TRUE(written.emplace(name, value).second) << name << " is in the table twice";
        if (sections.count(k.Section) == 0) order.push_back(k.Section);
        sections[k.Section].push_back(netunit::Utf8ToWide(std::string(k.Key) + "=" + value));
    }
    std::vector<std::u16string> lines;
    for (const std::string& section : order) {
        lines.push_back(netunit::Utf8ToWide("[" + section + "]"));
        lines.insert(lines.end(), sections[section].begin(), sections[section].end());
    }
    Stop();
    WriteIni(lines);

    // What a save writes when the window read Written; the exceptions are
    // the keys that are saved as constants.
    const std::map<std::string, std::string> constant = {{"misc.killgroups", "0"}, {"smtp.emailhost", ""}};
    Start();
    EXPECT_TRUE(form_->StartMaximized);
    EXPECT_TRUE(form_->HiddenInTray);
    form_->SaveSettings();
    std::vector<std::optional<core::tsettingvalue>> first;
    for (const twindowkey& k : SettingKeys()) {
        const std::string name = std::string(k.Section) + "." + k.Key;
        SCOPED_TRACE(name);
        std::string expected = constant.count(name) != 0 ? constant.at(name) : written.at(name);
        // The window opens maximised only once it is shown.
        if (name == "pos.max") expected = form_->WindowState() == forms::wsMaximized ? "1" : "0";
        EXPECT_EQ(netunit::WideToUtf8(Stored(k.Section, k.Key)), expected);
        first.push_back(k.Save ? k.Save(*form_) : std::nullopt);
    }

    // A fresh window reads what was saved and holds every value again.
    Stop();
    Start();
    size_t i = 0;
    for (const twindowkey& k : SettingKeys()) {
        SCOPED_TRACE(std::string(k.Section) + "." + k.Key);
        EXPECT_EQ(k.Save ? k.Save(*form_) : std::nullopt, first[i++]);
    }
    EXPECT_EQ(form_->MasterAddress, written.at("mailsettings.masteraddress"));
    EXPECT_EQ(form_->Telnet.AutoChoice, 2);
    EXPECT_EQ(form_->LogFileName, log);
    EXPECT_TRUE(form_->LogToFile);
}

TEST_F(Settings, MaximisedWindowKeepsTheLastNormalPlacement) {
    WriteIni({u"[pos]", u"left=40", u"top=30", u"width=700", u"height=500"});
    Start();
    form_->SetWindowState(forms::wsMaximized);
    if (form_->WindowState() != forms::wsMaximized) GTEST_SKIP() << "this platform does not maximise";
    form_->SaveSettings();
    EXPECT_EQ(Stored("pos", "max"), u"1");
    EXPECT_EQ(Stored("pos", "left"), u"40");
    EXPECT_EQ(Stored("pos", "width"), u"700");
}

// Numbers edited by hand with a blank after "=" are numbers all the same.
TEST_F(Settings, BlankAfterTheEqualsSignKeepsNumbersAndPorts) {
    WriteIni({u"[pos]", u"left = 40", u"top = 30", u"width = 900", u"height = 700", u"[http]", u"Port = 8081"});
    Start();
    EXPECT_EQ(form_->Width(), 900);
    EXPECT_EQ(form_->Height(), 700);
    EXPECT_EQ(form_->Left(), 40);
    EXPECT_EQ(form_->Top(), 30);
    int port = 0;
    EXPECT_TRUE(ParsePortText(form_->webport->Text(), port));
    EXPECT_EQ(port, 8081);
    EXPECT_FALSE(ParsePortText("8081 ", port)) << "a trailing blank is no number";
}

// The window shown is as large as the one saved, however often it restarts.
TEST_F(Settings, WindowKeepsItsSizeOverRestarts) {
    WriteIni({u"[pos]", u"left=40", u"top=30", u"width=654", u"height=484"});
    Start();
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        form_->Show();
        forms::Application().ProcessMessages();
        EXPECT_EQ(form_->Width(), 654);
        EXPECT_EQ(form_->Height(), 484);
        Restart();
        EXPECT_EQ(Stored("pos", "width"), u"654");
        EXPECT_EQ(Stored("pos", "height"), u"484");
    }
}

// A NUL in the file is dropped: the lines after it are read and saved again.
TEST_F(Settings, NulInTheFileLosesNoLine) {
    const std::u16string nul(1, u'\0');
    WriteIni({u"[http]", u"enabled=0", u"welcomefile=a" + nul + u"b.html", u"port=8080", u"[ftp]", u"enabled=0",
              u"port=2121", u"[custom]", u"colour=blue"});
    Start();
    EXPECT_FALSE(form_->webenabled->Checked());
    EXPECT_EQ(form_->webport->Text(), "8080");
    EXPECT_FALSE(form_->ftpenabled->Checked());
    EXPECT_EQ(form_->ftpport->Text(), "2121");
    form_->SaveSettings();
    EXPECT_EQ(Stored("http", "welcomefile"), u"ab.html");
    EXPECT_EQ(Stored("ftp", "enabled"), u"0");
    EXPECT_EQ(Stored("ftp", "port"), u"2121");
    EXPECT_EQ(Stored("custom", "colour"), u"blue");
}

TEST_F(Settings, NoSettingsFileClearsTheGroupsOnce) {
    dir_.Write("accounts23.dat", Records<core::tuseraccount>({Account("bob", "staff")}));
    Start();
    ASSERT_EQ(form_->Accounts.size(), 1u);
    EXPECT_EQ(form_->Accounts[0]->Group, "");
    EXPECT_FALSE(form_->KillGroups);
    form_->Accounts[0]->Group = "staff";
    Restart();
    EXPECT_EQ(Stored("misc", "killgroups"), u"0");
    ASSERT_EQ(form_->Accounts.size(), 1u);
    EXPECT_EQ(form_->Accounts[0]->Group, "staff");
}

// ---- the MIME list

TEST_F(Settings, MimeFileOfBlankLinesIsNotEmpty) {
    dir_.Write("mimes.txt", "\r\n\r\n");
    Start();
    EXPECT_EQ(form_->MimeTypes.Lines(), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(form_->mimelist->Items()->Count(), 2);
}

TEST_F(Settings, MimeFileIsReadAndWrittenWithCrLf) {
    dir_.Write("mimes.txt", "txt   text/plain\nweird\r\nwasm   application/wasm");
    Start();
    EXPECT_EQ(form_->MimeTypes.Lines(), (std::vector<std::string>{"txt   text/plain", "weird", "wasm   application/wasm"}));
    EXPECT_EQ(Items(form_->mimelist->Items()), (std::vector<std::string>{"txt", "wasm", "weird"}));
    form_->SaveSettings();
    EXPECT_EQ(File("mimes.txt"), "txt   text/plain\r\nweird\r\nwasm   application/wasm\r\n");
}

// ---- record files

TEST_F(Settings, RecordFilesAreShownAndWrittenBackByteForByte) {
    core::tvirtualpath any, other;
    any.Alias = "files";
    any.Domain = "default";
    other.Alias = "hidden";
    other.Domain = "www.example.test";
    core::twebdomain web;
    web.DomainName = "www.example.test";
    core::tban named, bare;
    named.Description = "scanner";
    named.Pattern = "10.0.0.*";
    bare.Pattern = "192.168.*";
    bare.DurationIndex = 10;
    core::ttrigger trigger;
    trigger.Description = "worm";
    trigger.Pattern = "*CMD.EXE*";
    trigger.Service = 1;
    core::tmailforward forward;
    forward.Destination = "bob";
    forward.Forwarded = "info@example.test";
    core::tconsoleprogram console;
    console.Title = "Shell";
    const std::string bans = Records<core::tban>({named, bare});
    const std::string triggers = Records<core::ttrigger>({trigger});
    dir_.Write("virtualpaths23.dat", Records<core::tvirtualpath>({any, other}));
    dir_.Write("webdomains23.dat", Records<core::twebdomain>({web}));
    dir_.Write("bans23.dat", bans);
    dir_.Write("triggers23.dat", triggers);
    dir_.Write("forwards23.dat", Records<core::tmailforward>({forward}));
    dir_.Write("console23.dat", Records<core::tconsoleprogram>({console}));
    Start();
    Tquillnestform& f = *form_;
    EXPECT_EQ(Items(f.virtualpathslist->Items()), (std::vector<std::string>{"files"}));
    EXPECT_EQ(f.VirtualPathList.size(), 2u);
    EXPECT_EQ(Items(f.webdomainslist->Items()), (std::vector<std::string>{"www.example.test"}));
    EXPECT_EQ(Items(f.domaincombo->Items()), (std::vector<std::string>{"default", "www.example.test"}));
    EXPECT_EQ(Items(f.blacklist->Items()), (std::vector<std::string>{"scanner (10.0.0.*)", "192.168.*"}));
    EXPECT_EQ(Items(f.triggerlistbox->Items()), (std::vector<std::string>{"worm (*CMD.EXE*)"}));
    EXPECT_EQ(Items(f.forwards->Items()), (std::vector<std::string>{"info@example.test"}));
    EXPECT_EQ(Items(f.consoleapplist->Items()), (std::vector<std::string>{"Shell"}));
    f.SaveSettings();
    EXPECT_EQ(File("bans23.dat"), bans);
    EXPECT_EQ(File("triggers23.dat"), triggers);
    EXPECT_EQ(File("maildomains23.dat"), "") << "every record file is written, an empty list as an empty file";
}

TEST_F(Settings, StatisticsOfDeletedFilesAreDroppedAndUploadsShowTheCurrentSize) {
    dir_.Write("pub/kept.txt", "12345");
    core::ttransferrecord kept, gone, upload;
    kept.FileName = "kept.txt";
    kept.Folder = dir_ / "pub/";
    kept.Count = 3;
    gone.FileName = "gone.txt";
    gone.Folder = dir_ / "pub/";
    upload = kept;
    upload.User = "bob";
    dir_.Write("dstats23.dat", Records<core::ttransferrecord>({gone, kept}));
    dir_.Write("uplist23.dat", Records<core::ttransferrecord>({upload}));
    dir_.Write("pub/kept.txt", "1234567");
    Start();
    Tquillnestform& f = *form_;
    ASSERT_EQ(f.DownloadStatList.size(), 1u);
    EXPECT_EQ(f.DownloadStatList[0]->FileName, "kept.txt");
    ASSERT_EQ(f.dstats->Count(), 1);
    EXPECT_EQ(f.dstats->Item(0)->Caption(), "kept.txt");
    ASSERT_EQ(f.uploads->Count(), 1);
    EXPECT_EQ(f.uploads->Item(0)->SubItems()->Strings(1), "7");
    f.SaveSettings();
    EXPECT_EQ(File("dstats23.dat").size(), core::ttransferrecord::RecordSize);
}

TEST_F(Settings, OlderSingleMailDomainBecomesARecordOfItsOwn) {
    core::tmaildomain existing;
    existing.Domain = "b.example";
    dir_.Write("maildomains23.dat", Records<core::tmaildomain>({existing}));
    WriteIni({u"[smtp]", u"emailhost=a.example"});
    Start();
    ASSERT_EQ(form_->MailDomainList.size(), 2u);
    EXPECT_EQ(form_->MailDomainList[0]->Domain, "a.example");
    EXPECT_EQ(form_->emaildomains->Items()->Count(), 2);
    Restart();
    EXPECT_EQ(Stored("smtp", "emailhost"), u"");
    ASSERT_EQ(form_->MailDomainList.size(), 2u) << "kept once, not added again";
    EXPECT_EQ(form_->MailDomainList[0]->Domain, "a.example");
}

// ---- files that cannot be read

TEST_F(Settings, UnreadableFilesAreLoggedAndNotOverwritten) {
    // A FIFO cannot be read as a file, even by root.
    for (const char* name : {"options.ini", "bans23.dat", "mimes.txt", "accounts23.dat", "spaths23.dat"})
        ASSERT_EQ(::mkfifo((dir_ / name).c_str(), 0600), 0) << name;
    dir_.Write("acc23.dat", std::string(352, '\0'));
    Start();
    EXPECT_TRUE(LogLines()[0].ends_with("] Quillnest loaded."));
    for (const char* name : {"options.ini", "bans23.dat", "mimes.txt", "accounts23.dat", "spaths23.dat"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Logged("Unable to read " + (dir_ / name)));
    }
    EXPECT_TRUE(form_->Accounts.empty()) << "the older accounts file must not stand in for an unreadable one";
    EXPECT_EQ(form_->MimeTypes.Lines().size(), 124u);
    form_->SaveSettings();
    Stop();
    for (const char* name : {"options.ini", "bans23.dat", "mimes.txt", "accounts23.dat", "spaths23.dat"}) {
        SCOPED_TRACE(name);
        struct stat st {};
        ASSERT_EQ(::stat((dir_ / name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
    EXPECT_EQ(File("triggers23.dat"), "") << "the readable files are still written";
}

// ---- accounts

TEST_F(Settings, AccountsFillTheListAndGetFoldersUnderTheProgramsHome) {
    core::tuseraccount described = Account("amy");
    described.Description = "mail only";
    dir_.Write("accounts23.dat",
               Records<core::tuseraccount>({Account("bob"), described, Account(".."), Account("../escape"),
                                            Account("tab\there"), Account("")}) +
                   std::string(100, 'x'));
    WriteIni({u"[accounts]", u"homedir=/nonexistent/elsewhere/"});
    Start();
    ASSERT_EQ(form_->Accounts.size(), 6u);
    ASSERT_EQ(form_->accountslist->Count(), 6);
    EXPECT_EQ(form_->accountslist->Item(1)->Caption(), "amy");
    EXPECT_EQ(form_->accountslist->Item(1)->SubItems()->Strings(0), "mail only");
    EXPECT_EQ(form_->HomeDir, "/nonexistent/elsewhere/");

    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "home"))
        folders.push_back(entry.path().filename().string());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"-old-", "amy", "bob"}));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "escape"));
    Stop();
    EXPECT_EQ(File("accounts23.dat").size(), 6 * core::tuseraccount::RecordSize);
}

TEST_F(Settings, OlderAccountsFileIsSavedInTheNewLayout) {
    dir_.Write("acc23.dat", Records<core::tuseraccount>({Account("bob")}).substr(0, 352));
    Start();
    ASSERT_EQ(form_->Accounts.size(), 1u);
    EXPECT_EQ(form_->Accounts[0]->UserName, "bob");
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "home/bob"));
    Stop();
    EXPECT_EQ(File("accounts23.dat").size(), core::tuseraccount::RecordSize);
}

TEST_F(Settings, FtpPathsAreShownAndSavedAtShutdown) {
    core::tftppath su, all, own;
    su.Alias = "root";
    all.Alias = "common";
    all.Owner = "<All Accounts>";
    own.Alias = "bobs";
    own.Owner = "bob";
    const std::string shared = Records<core::tftppath>({all, own});
    dir_.Write("supaths23.dat", Records<core::tftppath>({su}));
    dir_.Write("spaths23.dat", shared);
    Start();
    EXPECT_EQ(Items(form_->superuserpathslist->Items()), (std::vector<std::string>{"root"}));
    EXPECT_EQ(Items(form_->sharedpathslist->Items()), (std::vector<std::string>{"common"}));
    EXPECT_EQ(form_->SharedPathList.size(), 2u);
    std::filesystem::remove(dir_ / "spaths23.dat");
    Stop();
    EXPECT_EQ(File("spaths23.dat"), shared);
    EXPECT_EQ(File("apaths23.dat"), "");
}

// ---- shutdown

TEST_F(Settings, CloseSavesSettingsAccountsAndPathsAndClosesTheStore) {
    Start();
    form_->webport->SetText("8099");
    auto account = std::make_unique<core::tuseraccount>(Account("carol"));
    form_->Accounts.push_back(std::move(account));
    form_->ShutdownServer();
    EXPECT_EQ(form_->IniFile, nullptr);
    EXPECT_TRUE(form_->Accounts.empty());
    EXPECT_EQ(File("accounts23.dat").size(), core::tuseraccount::RecordSize);
    EXPECT_TRUE(Exists("supaths23.dat"));
    form_->SaveSettings();  // after shutdown: nothing happens
    form_->SaveAccounts();
    EXPECT_EQ(File("accounts23.dat").size(), core::tuseraccount::RecordSize);
}

// ---- the log file

TEST_F(Settings, LogFileNamedInTheSettingsIsOpenedWithoutAQuestion) {
    const std::string log = dir_ / "server.log";
    WriteIni({u"[log]", u"logfile=" + netunit::Utf8ToWide(log), u"log=1"});
    bool asked = false;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest&) {
        asked = true;
        return forms::mrYes;
    });
    Start();
    EXPECT_FALSE(asked);
    EXPECT_TRUE(form_->LogToFile);
    EXPECT_FALSE(form_->LoadingLogSetting);
    EXPECT_EQ(form_->logfilelabel->Caption(), "Log to File: " + log);
    EXPECT_TRUE(Logged("Logging to " + log));
    form_->AddLog("a line");
    const std::string text = File("server.log");
    EXPECT_NE(text.find("] a line\r\n"), std::string::npos);

    form_->logfilelabel->SetChecked(false);
    EXPECT_FALSE(form_->LogToFile);
    EXPECT_TRUE(Logged("Stopped logging to file."));
}

TEST_F(Settings, LogFileThatCannotBeOpenedIsReported) {
    const std::string log = dir_ / "no/such/folder/server.log";
    std::filesystem::create_directories(dir_ / "no");
    dir_.Write("no/such", "a file where a folder should be");
    WriteIni({u"[log]", u"logfile=" + netunit::Utf8ToWide(log), u"log=1"});
    Start();
    EXPECT_FALSE(form_->LogToFile);
    EXPECT_TRUE(Logged("Unabled to open " + log));
}

}  // namespace
