// Start-up reading of the settings: options.ini into the window's controls
// and fields, section by section in a fixed order (a control's change handler
// may read the controls set before it), then mimes.txt and the record files.
// What each key is and where it goes is in the key table (settingskeys).
#include <climits>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/accounting.h"
#include "core/blacklist.h"
#include "core/recordlookup.h"
#include "ui/settingsfiles.h"
#include "ui/settingskeys.h"
#include "netunit/textutil.h"
#include "forms/forms.h"
#include "forms/screen.h"
#include "netunit/files.h"
#include "netunit/names.h"
#include "platform/programdir.h"

namespace {

using netunit::tinifile;

constexpr const char* kDefaultVirtualDomain = "default";
// The window's top edge sits this much above the centre position.
constexpr int kCentreLift = 10;

// Reads every key of Section that the window's table loads.
void ReadSection(Tquillnestform& f, const tinifile& ini, const char* section) {
    core::ReadSettingSection(SettingKeys(), f, ini, section);
}

// A stored integer that does not fit 32 bits counts as missing.
int32_t ReadInt(const tinifile& ini, const char* section, const char* key, int32_t fallback) {
    const int64_t value = ini.ReadInteger(section, key, fallback);
    return value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : fallback;
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

// A settings file without the key clears every account's group once; the
// key is saved as 0 from then on.
void ReadMisc(Tquillnestform& f, const tinifile& ini) {
    f.KillGroups = ini.ReadBool("misc", "killgroups", true);
    if (!f.KillGroups) return;
    for (const auto& account : f.Accounts) account->Group.clear();
    f.KillGroups = false;
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
            f.MimeTypes.Edit().push_back(line);
            f.mimelist->Items()->Add(netunit::NthWord(line, 1));
        }
    } else if (netunit::WideFileExists(path)) {
        NoteUnreadFile(f, path, true);
    }
    if (!f.MimeTypes.Lines().empty()) return;
    for (const core::tmimetype& m : core::BuiltInMimeTypes()) {
        f.MimeTypes.Edit().push_back(core::MimeLine(m.Extension, m.Type));
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

    // Section by section in this order: a control's change handler may read
    // the controls set before it.
    ReadPosition(*this, ini);
    for (const char* section : {"detect", "tabs", "http", "ftp"}) ReadSection(*this, ini, section);
    ReadMisc(*this, ini);
    ReadSection(*this, ini, "smtp");
    const std::string olderMailDomain =
        std::get<std::string>(core::ReadSettingValue(ini, "smtp", "emailhost", std::string()));
    for (const char* section :
         {"pop3", "telnet", "user", "log", "monitor", "autologon", "mailsettings", "custom", "accounts"})
        ReadSection(*this, ini, section);
    for (const ServiceRow& s : Services()) s.MenuItem->SetChecked(s.Switch->Checked());
    for (const char* section : {"ros", "blacklist", "noip", "dyndns"}) ReadSection(*this, ini, section);

    ReadMimeTypes(*this);
    ReadRecordFiles(*this, olderMailDomain);
    LoadingSettings = false;
}
