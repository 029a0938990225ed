// Writing the settings back: the window's controls and fields into the INI
// store and options.ini, the MIME list into mimes.txt, and the record lists
// into their files. Called after nearly every change, so the files always
// mirror the window.
#include <string>

#include "core/settingsfiles.h"
#include "forms/forms.h"
#include "netunit/files.h"
#include "netunit/utf16.h"

namespace {

using netunit::tinifile;

void WriteText(tinifile& ini, const char* section, const char* key, const std::string& value) {
    ini.WriteString(section, key, netunit::Utf8ToWide(value));
}

void WriteCheck(tinifile& ini, const char* section, const char* key, const forms::TCheckBox* box) {
    ini.WriteBool(section, key, box->Checked());
}

void WriteEdit(tinifile& ini, const char* section, const char* key, const forms::TEdit* edit) {
    WriteText(ini, section, key, edit->Text());
}

// A maximised window keeps the normal position and size saved last.
void WritePosition(Tquillnestform& f, tinifile& ini) {
    const bool maximized = f.WindowState() == forms::wsMaximized;
    ini.WriteBool("pos", "max", maximized);
    if (maximized) return;
    ini.WriteInteger("pos", "left", f.Left());
    ini.WriteInteger("pos", "top", f.Top());
    ini.WriteInteger("pos", "width", f.Width());
    ini.WriteInteger("pos", "height", f.Height());
}

void WriteTabs(Tquillnestform& f, tinifile& ini) {
    ini.WriteInteger("tabs", "main", f.TabbedNotebook1->PageIndex());
    ini.WriteInteger("tabs", "protocols", f.TabbedNotebook2->PageIndex());
    ini.WriteInteger("tabs", "status", f.TabbedNotebook4->PageIndex());
    ini.WriteInteger("tabs", "blacklist", f.TabbedNotebook6->PageIndex());
    ini.WriteInteger("tabs", "ftp", f.tabbednotebook3->ActivePageIndex());
    ini.WriteInteger("tabs", "web", f.tabbednotebook5->ActivePageIndex());
    ini.WriteInteger("tabs", "mail", f.mailtabs->ActivePageIndex());
}

void WriteServices(Tquillnestform& f, tinifile& ini) {
    WriteCheck(ini, "http", "enabled", f.webenabled);
    WriteEdit(ini, "http", "port", f.webport);
    WriteEdit(ini, "http", "defaultdir", f.webdir);
    WriteEdit(ini, "http", "welcomefile", f.webindex);
    WriteCheck(ini, "http", "cgienabled", f.cgienabled);
    WriteEdit(ini, "http", "cgialias", f.cgialias);
    WriteEdit(ini, "http", "cgidir", f.cgidir);
    WriteCheck(ini, "http", "dircontents", f.dirlistings);
    WriteCheck(ini, "http", "ssienabled", f.ssienabled);

    WriteCheck(ini, "ftp", "enabled", f.ftpenabled);
    WriteEdit(ini, "ftp", "port", f.ftpport);
    WriteCheck(ini, "ftp", "anonymousaccess", f.anonymousenabled);
    WriteCheck(ini, "ftp", "maxconcheck", f.anonmaxconcheck);
    WriteCheck(ini, "ftp", "maxbancheck", f.anonmaxbancheck);
    WriteEdit(ini, "ftp", "maxcon", f.anonmaxcon);
    WriteEdit(ini, "ftp", "maxban", f.anonmaxban);
    WriteCheck(ini, "ftp", "sharedaccess", f.sharedenabled);
    WriteCheck(ini, "ftp", "superuseraccess", f.superenabled);
    WriteEdit(ini, "ftp", "name", f.ftpname);

    WriteCheck(ini, "smtp", "enabled", f.emailenabled);
    WriteEdit(ini, "smtp", "port", f.emailport);
    WriteCheck(ini, "smtp", "relay", f.relayemail);
    WriteEdit(ini, "smtp", "relaydns1", f.relaydns1);
    WriteEdit(ini, "smtp", "relaydns2", f.relaydns2);
    WriteCheck(ini, "smtp", "maxrcptcheck", f.maxrcptcheck);
    WriteEdit(ini, "smtp", "maxrcpt", f.maxrcpt);
    WriteEdit(ini, "smtp", "helodomain", f.helodomain);
    WriteCheck(ini, "smtp", "antispam", f.antispam);
    // The older single mail domain now lives among the mail domain records.
    WriteText(ini, "smtp", "emailhost", "");

    WriteCheck(ini, "pop3", "enabled", f.popenabled);
    WriteEdit(ini, "pop3", "popport", f.popport);

    WriteCheck(ini, "telnet", "enabled", f.TelnetEnabled);
    WriteEdit(ini, "telnet", "telnetport", f.telnetport);
    WriteCheck(ini, "telnet", "commandprompt", f.commandprompt);
    WriteEdit(ini, "telnet", "telnetsplash", f.telnetsplash);
}

void WriteUserDefaults(const core::tnewaccountdefaults& d, tinifile& ini) {
    ini.WriteBool("user", "superuser", d.Superuser);
    WriteText(ini, "user", "quota", d.Quota);
    ini.WriteBool("user", "unlimitedquota", d.UnlimitedQuota);
    ini.WriteBool("user", "email", d.Email);
    ini.WriteBool("user", "ftp", d.Ftp);
    ini.WriteBool("user", "web", d.Web);
    ini.WriteBool("user", "telnet", d.Telnet);
    ini.WriteBool("user", "commondirs", d.CommonDirs);
}

void WriteLogAndMonitors(Tquillnestform& f, tinifile& ini) {
    WriteText(ini, "log", "logfile", f.LogFileName);
    WriteCheck(ini, "log", "log", f.logfilelabel);
    WriteCheck(ini, "log", "lockbottom", f.lockbottom);
    ini.WriteBool("ros", "ros", f.Runonstartup1->Checked());
    ini.WriteBool("misc", "killgroups", false);
    WriteCheck(ini, "monitor", "down", f.monitordownloads);
    WriteCheck(ini, "monitor", "up", f.monitoruploads);
    WriteCheck(ini, "monitor", "stats", f.monitorstats);
    WriteText(ini, "monitor", "downtime", f.DownloadsSince);
    WriteText(ini, "monitor", "uptime", f.UploadsSince);
    WriteText(ini, "monitor", "statstime", f.StatsSince);
}

void WriteDynamicDns(Tquillnestform& f, tinifile& ini) {
    ini.WriteBool("noip", "enabled", f.Ddns.NoIp.Enabled);
    WriteText(ini, "noip", "username", f.Ddns.NoIp.UserName);
    WriteText(ini, "noip", "password", f.Ddns.NoIp.Password);
    WriteText(ini, "noip", "hosts", f.Ddns.NoIp.Hosts);
    WriteText(ini, "noip", "groups", f.Ddns.NoIp.Groups);
    ini.WriteInteger("noip", "updatetime", f.Ddns.NoIp.IntervalIndex);
    ini.WriteInteger("noip", "updateport", f.Ddns.NoIp.PortIndex);
    ini.WriteInteger("noip", "updatelog", f.Ddns.NoIp.LogIndex);

    ini.WriteBool("dyndns", "enabled", f.Ddns.DynDns.Enabled);
    WriteText(ini, "dyndns", "server", f.Ddns.DynDns.Server);
    WriteText(ini, "dyndns", "username", f.Ddns.DynDns.UserName);
    WriteText(ini, "dyndns", "password", f.Ddns.DynDns.Password);
    WriteText(ini, "dyndns", "hosts", f.Ddns.DynDns.Hosts);
    ini.WriteInteger("dyndns", "updatetime", f.Ddns.DynDns.IntervalIndex);
    ini.WriteInteger("dyndns", "dnssystem", f.Ddns.DynDns.SystemIndex);
    ini.WriteInteger("dyndns", "updatelog", f.Ddns.DynDns.LogIndex);
}

void WriteOptions(Tquillnestform& f, tinifile& ini) {
    WritePosition(f, ini);
    ini.WriteBool("detect", "php", f.DetectPhp);
    ini.WriteBool("detect", "perl", f.DetectPerl);
    ini.WriteBool("pos", "min", f.Minimize1->Checked());
    WriteTabs(f, ini);
    WriteServices(f, ini);
    WriteUserDefaults(f.NewAccountDefaults, ini);
    WriteLogAndMonitors(f, ini);
    ini.WriteBool("autologon", "autologon", f.AutoLogonSettings.Enabled);
    WriteText(ini, "autologon", "username", f.AutoLogonSettings.UserName);
    WriteText(ini, "autologon", "password", f.AutoLogonSettings.Password);
    WriteText(ini, "accounts", "homedir", f.HomeDir);
    WriteCheck(ini, "blacklist", "enabled", f.blacklistenabled);
    WriteCheck(ini, "blacklist", "logattempts", f.bannedattempts);
    WriteDynamicDns(f, ini);
}

// Every line of the MIME list followed by CR LF, as the text writer writes it.
void WriteMimeTypes(const Tquillnestform& f) {
    const std::string path = ProgramFile(core::kMimeTypesFile);
    if (f.UnreadFiles.count(path) != 0) return;
    std::string bytes;
    for (const std::string& line : f.MimeTypes) bytes += line + "\r\n";
    netunit::WriteFileAtomic(path, bytes);
}

void WriteRecordFiles(const Tquillnestform& f) {
    using namespace core;
    WriteRecordList(f, kWebDomainsFile, f.WebDomainList);
    WriteRecordList(f, kVirtualPathsFile, f.VirtualPathList);
    WriteRecordList(f, kForwardsFile, f.ForwardList);
    WriteRecordList(f, kScriptsFile, f.ScriptTypeList);
    WriteRecordList(f, kDownloadListFile, f.DownloadList);
    WriteRecordList(f, kUploadListFile, f.UploadList);
    WriteRecordList(f, kConsoleFile, f.ConsoleProgramList);
    WriteRecordList(f, kDownloadStatsFile, f.DownloadStatList);
    WriteRecordList(f, kMailDomainsFile, f.MailDomainList);
    WriteRecordList(f, kBansFile, f.BanList);
    WriteRecordList(f, kTriggersFile, f.TriggerList);
}

}  // namespace

// A file that cannot be written keeps its previous content (every file is
// replaced atomically) and the others are still written; nothing is reported.
void Tquillnestform::SaveSettings() {
    if (!IniFile || !IniFile->IsOpen() || LoadingSettings || ServerShutDown()) return;
    WriteOptions(*this, *IniFile);
    // options.ini that could not be read keeps what it holds: this store
    // knows only the defaults.
    if (UnreadFiles.count(ProgramFile(core::kOptionsFile)) == 0) {
        try {
            IniFile->SaveIni();
        } catch (const netunit::EFileStreamError&) {
        }
    }
    WriteMimeTypes(*this);
    WriteRecordFiles(*this);
}
