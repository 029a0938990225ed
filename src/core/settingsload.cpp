// Start-up reading of the settings: options.ini into the window's controls
// and fields, key by key in a fixed order (a control's change handler may
// read the controls set before it), then mimes.txt and the record files.
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/accounting.h"
#include "core/blacklist.h"
#include "core/recordlookup.h"
#include "core/settingsfiles.h"
#include "core/texthelpers.h"
#include "forms/forms.h"
#include "forms/screen.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/utf16.h"
#include "platform/programdir.h"

namespace {

using netunit::tinifile;

constexpr const char* kDefaultWelcomeFiles = "default.asp;default.php;index.html; index.htm";
constexpr const char* kDefaultWebFolder = "wwwroot/";
constexpr const char* kDefaultCgiFolder = "cgi-bin/";
constexpr const char* kDefaultVirtualDomain = "default";
constexpr int32_t kNoAutoChoice = -1;
// The window's top edge sits this much above the centre position.
constexpr int kCentreLift = 10;

std::string ReadText(const tinifile& ini, const char* section, const char* key, const std::string& fallback) {
    return netunit::WideToUtf8(ini.ReadString(section, key, netunit::Utf8ToWide(fallback)));
}

// A stored integer that does not fit 32 bits counts as missing.
int32_t ReadInt(const tinifile& ini, const char* section, const char* key, int32_t fallback) {
    const int64_t value = ini.ReadInteger(section, key, fallback);
    return value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : fallback;
}

void ReadCheck(const tinifile& ini, const char* section, const char* key, forms::TCheckBox* box, bool fallback) {
    box->SetChecked(ini.ReadBool(section, key, fallback));
}

void ReadEdit(const tinifile& ini, const char* section, const char* key, forms::TEdit* edit,
              const std::string& fallback) {
    edit->SetText(ReadText(ini, section, key, fallback));
}

// A page index the notebook does not have shows the first page.
void ReadPage(const tinifile& ini, const char* key, forms::TTabbedNotebook* notebook) {
    notebook->SetPageIndex(core::ChoiceIndex(ini.ReadInteger("tabs", key, 0), notebook->PageCount(), 0));
}

void ReadPage(const tinifile& ini, const char* key, forms::TPageControl* pages) {
    pages->SetActivePageIndex(core::ChoiceIndex(ini.ReadInteger("tabs", key, 0), pages->PageCount(), 0));
}

void ReadPosition(Tquillnestform& f, const tinifile& ini) {
    f.StartMaximized = ini.ReadBool("pos", "max", false);
    const int width = ReadInt(ini, "pos", "width", f.Width());
    const int height = ReadInt(ini, "pos", "height", f.Height());
    const int left = ReadInt(ini, "pos", "left", forms::ScreenWidth() / 2 - width / 2);
    const int top = ReadInt(ini, "pos", "top", forms::ScreenHeight() / 2 - height / 2 - kCentreLift);
    f.SetBounds(left, top, width, height);
    f.HiddenInTray = ini.ReadBool("pos", "min", false);
    if (f.HiddenInTray) f.Minimize1->SetChecked(true);
}

void ReadTabs(Tquillnestform& f, const tinifile& ini) {
    ReadPage(ini, "main", f.TabbedNotebook1);
    ReadPage(ini, "protocols", f.TabbedNotebook2);
    ReadPage(ini, "status", f.TabbedNotebook4);
    ReadPage(ini, "blacklist", f.TabbedNotebook6);
    ReadPage(ini, "ftp", f.tabbednotebook3);
    ReadPage(ini, "web", f.tabbednotebook5);
    ReadPage(ini, "mail", f.mailtabs);
}

void ReadHttp(Tquillnestform& f, const tinifile& ini) {
    const std::string dir = platform::ProgramDir();
    ReadCheck(ini, "http", "enabled", f.webenabled, true);
    ReadEdit(ini, "http", "port", f.webport, "80");
    ReadEdit(ini, "http", "defaultdir", f.webdir, dir + kDefaultWebFolder);
    ReadEdit(ini, "http", "welcomefile", f.webindex, kDefaultWelcomeFiles);
    ReadCheck(ini, "http", "cgienabled", f.cgienabled, false);
    ReadEdit(ini, "http", "cgialias", f.cgialias, "cgi-bin");
    ReadEdit(ini, "http", "cgidir", f.cgidir, dir + kDefaultCgiFolder);
    ReadCheck(ini, "http", "dircontents", f.dirlistings, false);
    ReadCheck(ini, "http", "ssienabled", f.ssienabled, false);
}

void ReadFtp(Tquillnestform& f, const tinifile& ini) {
    ReadCheck(ini, "ftp", "enabled", f.ftpenabled, true);
    ReadEdit(ini, "ftp", "port", f.ftpport, "21");
    ReadCheck(ini, "ftp", "anonymousaccess", f.anonymousenabled, true);
    ReadCheck(ini, "ftp", "sharedaccess", f.sharedenabled, true);
    ReadCheck(ini, "ftp", "superuseraccess", f.superenabled, true);
    ReadEdit(ini, "ftp", "name", f.ftpname, "");
    ReadCheck(ini, "ftp", "maxconcheck", f.anonmaxconcheck, true);
    ReadCheck(ini, "ftp", "maxbancheck", f.anonmaxbancheck, false);
    ReadEdit(ini, "ftp", "maxcon", f.anonmaxcon, "16");
    ReadEdit(ini, "ftp", "maxban", f.anonmaxban, "");
}

// A settings file without the key clears every account's group once; the
// key is saved as 0 from then on.
void ReadMisc(Tquillnestform& f, const tinifile& ini) {
    f.KillGroups = ini.ReadBool("misc", "killgroups", true);
    if (!f.KillGroups) return;
    for (const auto& account : f.Accounts) account->Group.clear();
    f.KillGroups = false;
}

// Returns the mail domain an older settings file kept under [smtp] emailhost.
std::string ReadSmtp(Tquillnestform& f, const tinifile& ini) {
    std::string dns1, dns2;
    core::DefaultRelayDns(dns1, dns2);
    ReadCheck(ini, "smtp", "enabled", f.emailenabled, true);
    ReadEdit(ini, "smtp", "port", f.emailport, "25");
    ReadCheck(ini, "smtp", "relay", f.relayemail, false);
    ReadEdit(ini, "smtp", "relaydns1", f.relaydns1, dns1);
    ReadEdit(ini, "smtp", "relaydns2", f.relaydns2, dns2);
    ReadCheck(ini, "smtp", "maxrcptcheck", f.maxrcptcheck, false);
    ReadEdit(ini, "smtp", "maxrcpt", f.maxrcpt, "16");
    ReadEdit(ini, "smtp", "helodomain", f.helodomain, f.netsockets->LocalHostName());
    ReadCheck(ini, "smtp", "antispam", f.antispam, false);
    return ReadText(ini, "smtp", "emailhost", "");
}

void ReadPop3AndTelnet(Tquillnestform& f, const tinifile& ini) {
    ReadCheck(ini, "pop3", "enabled", f.popenabled, true);
    ReadEdit(ini, "pop3", "popport", f.popport, "110");
    ReadCheck(ini, "telnet", "enabled", f.TelnetEnabled, false);
    ReadEdit(ini, "telnet", "telnetport", f.telnetport, "23");
    ReadCheck(ini, "telnet", "commandprompt", f.commandprompt, false);
    ReadEdit(ini, "telnet", "telnetsplash", f.telnetsplash, "telnetsplash");
}

void ReadUser(Tquillnestform& f, const tinifile& ini) {
    core::tnewaccountdefaults& d = f.NewAccountDefaults;
    d.Superuser = ini.ReadBool("user", "superuser", false);
    d.Quota = ReadText(ini, "user", "quota", "10");
    d.UnlimitedQuota = ini.ReadBool("user", "unlimitedquota", true);
    d.Email = ini.ReadBool("user", "email", true);
    d.Ftp = ini.ReadBool("user", "ftp", true);
    d.Web = ini.ReadBool("user", "web", true);
    d.Telnet = ini.ReadBool("user", "telnet", true);
    d.CommonDirs = ini.ReadBool("user", "commondirs", true);
}

void ReadLog(Tquillnestform& f, const tinifile& ini) {
    f.LogFileName = ReadText(ini, "log", "logfile", "");
    if (!f.LogFileName.empty()) f.logfilelabel->SetCaption("Log to File: " + f.LogFileName);
    // The switch's handler opens the file without asking about the log so far.
    f.LoadingLogSetting = true;
    ReadCheck(ini, "log", "log", f.logfilelabel, false);
    f.LoadingLogSetting = false;
    ReadCheck(ini, "log", "lockbottom", f.lockbottom, false);
}

void ReadMonitor(Tquillnestform& f, const tinifile& ini) {
    ReadCheck(ini, "monitor", "down", f.monitordownloads, false);
    ReadCheck(ini, "monitor", "up", f.monitoruploads, false);
    ReadCheck(ini, "monitor", "stats", f.monitorstats, false);
    const std::string now = FormatTransferTime(netunit::NowDayNumber());
    f.DownloadsSince = ReadText(ini, "monitor", "downtime", now);
    f.UploadsSince = ReadText(ini, "monitor", "uptime", now);
    f.StatsSince = ReadText(ini, "monitor", "statstime", now);
}

void ReadAutoLogon(Tquillnestform& f, const tinifile& ini) {
    f.AutoLogonSettings.Enabled = ini.ReadBool("autologon", "autologon", false);
    f.AutoLogonSettings.UserName = ReadText(ini, "autologon", "username", "");
    f.AutoLogonSettings.Password = ReadText(ini, "autologon", "password", "");
}

void ReadMailSettingsAndCustom(Tquillnestform& f, const tinifile& ini) {
    f.MasterAddress = ReadText(ini, "mailsettings", "masteraddress", "");
    if (!f.MasterAddress.empty()) {
        f.MasterAddressOn = true;
        f.ShowNotice("Mail Forward CC Feature Enabled... MasterAddress=" + f.MasterAddress);
    }
    const int32_t choice = ReadInt(ini, "custom", "custom_wendmarch", kNoAutoChoice);
    f.Telnet.AutoChoice = choice < kNoAutoChoice ? kNoAutoChoice : choice;
}

// A home root must name a folder: an empty one would put the users' folders
// in whatever folder the program was started from.
void ReadHomeDir(Tquillnestform& f, const tinifile& ini) {
    const std::string home = ReadText(ini, "accounts", "homedir", f.HomeDir);
    if (!home.empty()) f.HomeDir = netunit::AddBackslash(home);
    for (const ServiceRow& s : f.Services()) s.MenuItem->SetChecked(s.Switch->Checked());
}

void ReadRosAndBlacklist(Tquillnestform& f, const tinifile& ini) {
    f.Runonstartup1->SetChecked(ini.ReadBool("ros", "ros", true));
    ReadCheck(ini, "blacklist", "enabled", f.blacklistenabled, false);
    ReadCheck(ini, "blacklist", "logattempts", f.bannedattempts, false);
}

void ReadDynamicDns(Tquillnestform& f, const tinifile& ini) {
    f.Ddns.NoIp.Enabled = ini.ReadBool("noip", "enabled", false);
    if (f.Ddns.NoIp.Enabled) f.noiptimer->SetEnabled(true);
    f.Ddns.NoIp.UserName = ReadText(ini, "noip", "username", "");
    f.Ddns.NoIp.Password = ReadText(ini, "noip", "password", "");
    f.Ddns.NoIp.Hosts = ReadText(ini, "noip", "hosts", "");
    f.Ddns.NoIp.Groups = ReadText(ini, "noip", "groups", "");
    f.Ddns.NoIp.IntervalIndex = core::ChoiceIndex(ini.ReadInteger("noip", "updatetime", 3), core::kUpdateIntervalChoices, 3);
    f.Ddns.NoIp.PortIndex = core::ChoiceIndex(ini.ReadInteger("noip", "updateport", 0), core::kNoIpPortChoices, 0);
    f.Ddns.NoIp.LogIndex = core::ChoiceIndex(ini.ReadInteger("noip", "updatelog", 0), core::kUpdateLogChoices, 0);

    f.Ddns.DynDns.Enabled = ini.ReadBool("dyndns", "enabled", false);
    if (f.Ddns.DynDns.Enabled) f.dyndnstimer->SetEnabled(true);
    f.Ddns.DynDns.Server = ReadText(ini, "dyndns", "server", core::kDefaultDynDnsServer);
    f.Ddns.DynDns.UserName = ReadText(ini, "dyndns", "username", "");
    f.Ddns.DynDns.Password = ReadText(ini, "dyndns", "password", "");
    f.Ddns.DynDns.Hosts = ReadText(ini, "dyndns", "hosts", "");
    f.Ddns.DynDns.IntervalIndex =
        core::ChoiceIndex(ini.ReadInteger("dyndns", "updatetime", 3), core::kUpdateIntervalChoices, 3);
    f.Ddns.DynDns.SystemIndex = core::ChoiceIndex(ini.ReadInteger("dyndns", "dnssystem", 0), core::kDnsSystemChoices, 0);
    f.Ddns.DynDns.LogIndex = core::ChoiceIndex(ini.ReadInteger("dyndns", "updatelog", 0), core::kUpdateLogChoices, 0);
}

// The lines of a text file: LF ends a line and every CR is dropped; a last
// line without a line end still counts.
std::vector<std::string> TextLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : bytes) {
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

void ReadMimeTypes(Tquillnestform& f) {
    const std::string path = ProgramFile(core::kMimeTypesFile);
    std::string bytes;
    if (netunit::ReadWholeFile(path, bytes)) {
        for (const std::string& line : TextLines(bytes)) {
            f.MimeTypes.push_back(line);
            f.mimelist->Items()->Add(NthWord(line, 1));
        }
    } else if (netunit::WideFileExists(path)) {
        NoteUnreadFile(f, path, true);
    }
    if (!f.MimeTypes.empty()) return;
    for (const core::tmimetype& m : core::BuiltInMimeTypes()) {
        f.MimeTypes.push_back(core::MimeLine(m.Extension, m.Type));
        f.mimelist->Items()->Add(m.Extension);
    }
}

// The mail domain an older settings file kept under [smtp] emailhost joins
// the mail domains as a record of its own (unless one has its name), so that
// the list box and the list stay in step and the domain is saved.
void AdoptOlderMailDomain(Tquillnestform& f, const std::string& domain, core::LoadResult read) {
    if (domain.empty() || read == core::LoadResult::Failed) return;
    for (const auto& record : f.MailDomainList)
        if (core::SameTextAscii(record->Domain, domain)) return;
    auto record = std::make_unique<core::tmaildomain>();
    record->Domain = domain;
    f.MailDomainList.insert(f.MailDomainList.begin(), std::move(record));
    f.emaildomains->Items()->Insert(0, domain);
}

void ReadRecordFiles(Tquillnestform& f, const std::string& olderMailDomain) {
    using namespace core;
    ReadRecordList(f, kVirtualPathsFile, f.VirtualPathList, [&](const tvirtualpath& r) {
        if (r.Domain == kDefaultVirtualDomain) f.virtualpathslist->Items()->Add(r.Alias);
        return true;
    });
    ReadRecordList(f, kForwardsFile, f.ForwardList, [&](const tmailforward& r) {
        f.forwards->Items()->Add(r.Forwarded);
        return true;
    });
    ReadRecordList(f, kScriptsFile, f.ScriptTypeList, [&](const tscripttype& r) {
        f.cgitypeslist->Items()->Add(r.Extension);
        return true;
    });
    // A statistic outlives its file only until the next start.
    ReadRecordList(f, kDownloadStatsFile, f.DownloadStatList, [&](const ttransferrecord& r) {
        if (!netunit::WideFileExists(r.Folder + r.FileName)) return false;
        FillStatRow(f.dstats->AddItem(), r);
        return true;
    });
    ReadRecordList(f, kUploadListFile, f.UploadList, [&](const ttransferrecord& r) {
        FillTransferRow(f.uploads->AddItem(), r);
        return true;
    });
    ReadRecordList(f, kConsoleFile, f.ConsoleProgramList, [&](const tconsoleprogram& r) {
        f.consoleapplist->Items()->Add(r.Title);
        return true;
    });
    ReadRecordList(f, kDownloadListFile, f.DownloadList, [&](const ttransferrecord& r) {
        FillTransferRow(f.downloads->AddItem(), r);
        return true;
    });
    ReadRecordList(f, kWebDomainsFile, f.WebDomainList, [&](const twebdomain& r) {
        f.webdomainslist->Items()->Add(r.DomainName);
        f.domaincombo->Items()->Add(r.DomainName);
        return true;
    });
    // The virtual paths shown are those of every domain: the choice says so.
    if (f.domaincombo->Items()->Count() == 0 || f.domaincombo->Items()->Strings(0) != kDefaultVirtualDomain)
        f.domaincombo->Items()->Insert(0, kDefaultVirtualDomain);
    const LoadResult mail = ReadRecordList(f, kMailDomainsFile, f.MailDomainList, [&](const tmaildomain& r) {
        f.emaildomains->Items()->Add(r.Domain);
        return true;
    });
    AdoptOlderMailDomain(f, olderMailDomain, mail);
    ReadRecordList(f, kBansFile, f.BanList, [&](const tban& r) {
        f.blacklist->Items()->Add(BanListLine(r));
        return true;
    });
    ReadRecordList(f, kTriggersFile, f.TriggerList, [&](const ttrigger& r) {
        f.triggerlistbox->Items()->Add(TriggerListLine(r));
        return true;
    });
}

}  // namespace

void Tquillnestform::ShowNotice(const std::string& Text) {
    dynlabel->SetCaption(Text);
    dynlabel->SetVisible(true);
}

void Tquillnestform::LoadSettings() {
    AddLog("Quillnest loaded.");
    // Files the accounts and FTP paths could not be read from, before the log began.
    for (const std::string& path : UnreadFiles) AddLog("Unable to read " + path);

    // Change handlers fired while the controls are filled must not save a
    // half-loaded state over the files.
    LoadingSettings = true;
    IniFile = std::make_unique<tinifile>();
    const std::string options = ProgramFile(core::kOptionsFile);
    IniFile->OpenIni(options);
    if (IniFile->LoadFailed()) NoteUnreadFile(*this, options, true);
    const tinifile& ini = *IniFile;

    ReadPosition(*this, ini);
    DetectPhp = ini.ReadBool("detect", "php", true);
    DetectPerl = ini.ReadBool("detect", "perl", true);
    ReadTabs(*this, ini);
    ReadHttp(*this, ini);
    ReadFtp(*this, ini);
    ReadMisc(*this, ini);
    const std::string olderMailDomain = ReadSmtp(*this, ini);
    ReadPop3AndTelnet(*this, ini);
    ReadUser(*this, ini);
    ReadLog(*this, ini);
    ReadMonitor(*this, ini);
    ReadAutoLogon(*this, ini);
    ReadMailSettingsAndCustom(*this, ini);
    ReadHomeDir(*this, ini);
    ReadRosAndBlacklist(*this, ini);
    ReadDynamicDns(*this, ini);

    ReadMimeTypes(*this);
    ReadRecordFiles(*this, olderMailDomain);
    LoadingSettings = false;
}
