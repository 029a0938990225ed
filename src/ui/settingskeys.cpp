#include "ui/settingskeys.h"

#include <climits>
#include <utility>

#include "core/accounting.h"
#include "core/settings.h"
#include "forms/forms.h"
#include "netunit/datetime.h"
#include "netunit/paths.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"

namespace {

using F = Tquillnestform;
using namespace core;
using tsettingkey = twindowkey;

constexpr const char* kDefaultWelcomeFiles = "default.asp;default.php;index.html; index.htm";
constexpr int32_t kNoAutoChoice = -1;

tsettingvalue Text(const char* text) { return std::string(text); }
tsettingvalue Number(int64_t number) { return number; }

std::function<tsettingvalue(const F&)> Fixed(tsettingvalue value) {
    return [value = std::move(value)](const F&) { return value; };
}

// A check box of the window.
tsettingkey Check(const char* section, const char* key, forms::TCheckBox* F::*box, bool fallback) {
    return {section, key, Fixed(fallback),
            [box](const F& f) -> std::optional<tsettingvalue> { return (f.*box)->Checked(); },
            [box](F& f, const tsettingvalue& v) { (f.*box)->SetChecked(std::get<bool>(v)); }};
}

// An edit of the window; its fallback may depend on the machine.
tsettingkey Edit(const char* section, const char* key, forms::TEdit* F::*edit,
                 std::function<tsettingvalue(const F&)> fallback) {
    return {section, key, std::move(fallback),
            [edit](const F& f) -> std::optional<tsettingvalue> { return (f.*edit)->Text(); },
            [edit](F& f, const tsettingvalue& v) { (f.*edit)->SetText(std::get<std::string>(v)); }};
}

tsettingkey Edit(const char* section, const char* key, forms::TEdit* F::*edit, const char* fallback) {
    return Edit(section, key, edit, Fixed(Text(fallback)));
}

// A switch or text field of the window, reached by Field (for a const
// window and a changeable one alike).
template <class Value, class Access>
tsettingkey Field(const char* section, const char* key, Access field, std::function<tsettingvalue(const F&)> fallback) {
    return {section, key, std::move(fallback),
            [field](const F& f) -> std::optional<tsettingvalue> { return field(f); },
            [field](F& f, const tsettingvalue& v) { field(f) = std::get<Value>(v); }};
}

template <class Value, class Access>
tsettingkey Field(const char* section, const char* key, Access field, tsettingvalue fallback) {
    return Field<Value>(section, key, field, Fixed(std::move(fallback)));
}

// A list choice kept as its index: a stored index the list does not have
// gives the default.
template <class Access>
tsettingkey Choice(const char* section, const char* key, Access field, int32_t count, int32_t fallback) {
    return {section, key, Fixed(Number(fallback)),
            [field](const F& f) -> std::optional<tsettingvalue> { return int64_t{field(f)}; },
            [field, count, fallback](F& f, const tsettingvalue& v) {
                field(f) = ChoiceIndex(std::get<int64_t>(v), count, fallback);
            }};
}

// A notebook's page; an index the notebook does not have shows the first.
template <class Notebook, class Owner>
tsettingkey Page(const char* key, Notebook* Owner::*notebook) {
    return {"tabs", key, Fixed(Number(0)),
            [notebook](const F& f) -> std::optional<tsettingvalue> {
                if constexpr (requires { (f.*notebook)->PageIndex(); })
                    return int64_t{(f.*notebook)->PageIndex()};
                else
                    return int64_t{(f.*notebook)->ActivePageIndex()};
            },
            [notebook](F& f, const tsettingvalue& v) {
                Notebook* n = f.*notebook;
                const int32_t index = ChoiceIndex(std::get<int64_t>(v), n->PageCount(), 0);
                if constexpr (requires { n->SetPageIndex(0); })
                    n->SetPageIndex(index);
                else
                    n->SetActivePageIndex(index);
            }};
}

// Read by a step of its own (Load unset); saved as the window has it unless
// the window is maximised, which keeps the normal placement saved last.
tsettingkey Placement(const char* key, int (F::*get)() const) {
    return {"pos", key, Fixed(Number(0)), [get](const F& f) -> std::optional<tsettingvalue> {
                if (f.WindowState() == forms::wsMaximized) return std::nullopt;
                return int64_t{(f.*get)()};
            },
            nullptr};
}

std::string RelayDns(int which) {
    std::string primary, secondary;
    DefaultRelayDns(primary, secondary);
    return which == 1 ? primary : secondary;
}

tsettingvalue Now(const F&) { return FormatTransferTime(netunit::NowDayNumber()); }

std::vector<tsettingkey> MakeTable() {
    const auto inProgramDir = [](const char* folder) {
        return [folder](const F&) -> tsettingvalue { return platform::ProgramDir() + folder; };
    };
    const auto logSwitch = [](F& f, const tsettingvalue& v) {
        // The switch's handler opens the file without asking about the log so far.
        f.LoadingLogSetting = true;
        f.logfilelabel->SetChecked(std::get<bool>(v));
        f.LoadingLogSetting = false;
    };
    std::vector<tsettingkey> t = {
        // The window's placement is read by a step of its own.
        {"pos", "max", Fixed(false),
         [](const F& f) -> std::optional<tsettingvalue> { return f.WindowState() == forms::wsMaximized; }, nullptr},
        Placement("left", &F::Left),
        Placement("top", &F::Top),
        Placement("width", &F::Width),
        Placement("height", &F::Height),
        Field<bool>("detect", "php", [](auto& f) -> auto& { return f.DetectPhp; }, true),
        Field<bool>("detect", "perl", [](auto& f) -> auto& { return f.DetectPerl; }, true),
        {"pos", "min", Fixed(false),
         [](const F& f) -> std::optional<tsettingvalue> { return f.Minimize1->Checked(); }, nullptr},

        Page("main", &F::TabbedNotebook1),
        Page("protocols", &F::TabbedNotebook2),
        Page("status", &F::TabbedNotebook4),
        Page("blacklist", &F::TabbedNotebook6),
        Page("ftp", &F::tabbednotebook3),
        Page("web", &F::tabbednotebook5),
        Page("mail", &F::mailtabs),

        Check("http", "enabled", &F::webenabled, true),
        Edit("http", "port", &F::webport, "80"),
        Edit("http", "defaultdir", &F::webdir, inProgramDir(kDefaultWebFolder)),
        Edit("http", "welcomefile", &F::webindex, kDefaultWelcomeFiles),
        Check("http", "cgienabled", &F::cgienabled, false),
        Edit("http", "cgialias", &F::cgialias, "cgi-bin"),
        Edit("http", "cgidir", &F::cgidir, inProgramDir(kDefaultCgiFolder)),
        Check("http", "dircontents", &F::dirlistings, false),
        Check("http", "ssienabled", &F::ssienabled, false),

        Check("ftp", "enabled", &F::ftpenabled, true),
        Edit("ftp", "port", &F::ftpport, "21"),
        Check("ftp", "anonymousaccess", &F::anonymousenabled, true),
        Check("ftp", "maxconcheck", &F::anonmaxconcheck, true),
        Check("ftp", "maxbancheck", &F::anonmaxbancheck, false),
        Edit("ftp", "maxcon", &F::anonmaxcon, "16"),
        Edit("ftp", "maxban", &F::anonmaxban, ""),
        Check("ftp", "sharedaccess", &F::sharedenabled, true),
        Check("ftp", "superuseraccess", &F::superenabled, true),
        Edit("ftp", "name", &F::ftpname, ""),

        Check("smtp", "enabled", &F::emailenabled, true),
        Edit("smtp", "port", &F::emailport, "25"),
        Check("smtp", "relay", &F::relayemail, false),
        Edit("smtp", "relaydns1", &F::relaydns1, [](const F&) -> tsettingvalue { return RelayDns(1); }),
        Edit("smtp", "relaydns2", &F::relaydns2, [](const F&) -> tsettingvalue { return RelayDns(2); }),
        Check("smtp", "maxrcptcheck", &F::maxrcptcheck, false),
        Edit("smtp", "maxrcpt", &F::maxrcpt, "16"),
        Edit("smtp", "helodomain", &F::helodomain,
             [](const F& f) -> tsettingvalue { return f.netsockets->LocalHostName(); }),
        // Relaying needs authentication unless a stored file says otherwise: a new
        // server must not relay for anyone who reaches its port.
        Check("smtp", "antispam", &F::antispam, true),
        // The older single mail domain, read by a step of its own; it now
        // lives among the mail domain records.
        {"smtp", "emailhost", Fixed(Text("")), [](const F&) -> std::optional<tsettingvalue> { return Text(""); },
         nullptr},

        Check("pop3", "enabled", &F::popenabled, true),
        Edit("pop3", "popport", &F::popport, "110"),

        Check("telnet", "enabled", &F::TelnetEnabled, false),
        Edit("telnet", "telnetport", &F::telnetport, "23"),
        Check("telnet", "commandprompt", &F::commandprompt, false),
        Edit("telnet", "telnetsplash", &F::telnetsplash, "telnetsplash"),

        Field<bool>("user", "superuser", [](auto& f) -> auto& { return f.NewAccountDefaults.Superuser; }, false),
        Field<std::string>("user", "quota", [](auto& f) -> auto& { return f.NewAccountDefaults.Quota; }, Text("10")),
        Field<bool>("user", "unlimitedquota", [](auto& f) -> auto& { return f.NewAccountDefaults.UnlimitedQuota; },
                    true),
        Field<bool>("user", "email", [](auto& f) -> auto& { return f.NewAccountDefaults.Email; }, true),
        Field<bool>("user", "ftp", [](auto& f) -> auto& { return f.NewAccountDefaults.Ftp; }, true),
        Field<bool>("user", "web", [](auto& f) -> auto& { return f.NewAccountDefaults.Web; }, true),
        Field<bool>("user", "telnet", [](auto& f) -> auto& { return f.NewAccountDefaults.Telnet; }, true),
        Field<bool>("user", "commondirs", [](auto& f) -> auto& { return f.NewAccountDefaults.CommonDirs; }, true),

        {"log", "logfile", Fixed(Text("")),
         [](const F& f) -> std::optional<tsettingvalue> { return f.LogFileName; },
         [](F& f, const tsettingvalue& v) {
             f.LogFileName = std::get<std::string>(v);
             if (!f.LogFileName.empty()) f.logfilelabel->SetCaption("Log to File: " + f.LogFileName);
         }},
        {"log", "log", Fixed(false),
         [](const F& f) -> std::optional<tsettingvalue> { return f.logfilelabel->Checked(); }, logSwitch},
        Check("log", "lockbottom", &F::lockbottom, false),
        {"ros", "ros", Fixed(true),
         [](const F& f) -> std::optional<tsettingvalue> { return f.Runonstartup1->Checked(); },
         [](F& f, const tsettingvalue& v) { f.Runonstartup1->SetChecked(std::get<bool>(v)); }},
        // Read by a step of its own: a file without it clears every
        // account's group once, and from then on it is saved as 0.
        {"misc", "killgroups", Fixed(true), [](const F&) -> std::optional<tsettingvalue> { return false; }, nullptr},
        Check("monitor", "down", &F::monitordownloads, false),
        Check("monitor", "up", &F::monitoruploads, false),
        Check("monitor", "stats", &F::monitorstats, false),
        Field<std::string>("monitor", "downtime", [](auto& f) -> auto& { return f.DownloadsSince; }, Now),
        Field<std::string>("monitor", "uptime", [](auto& f) -> auto& { return f.UploadsSince; }, Now),
        Field<std::string>("monitor", "statstime", [](auto& f) -> auto& { return f.StatsSince; }, Now),

        Field<bool>("autologon", "autologon", [](auto& f) -> auto& { return f.AutoLogonSettings.Enabled; }, false),
        Field<std::string>("autologon", "username", [](auto& f) -> auto& { return f.AutoLogonSettings.UserName; },
                           Text("")),
        Field<std::string>("autologon", "password", [](auto& f) -> auto& { return f.AutoLogonSettings.Password; },
                           Text("")),
        // A home root must name a folder: an empty one would put the users'
        // folders in whatever folder the program was started from.
        {"accounts", "homedir", [](const F& f) -> tsettingvalue { return f.HomeDir; },
         [](const F& f) -> std::optional<tsettingvalue> { return f.HomeDir; },
         [](F& f, const tsettingvalue& v) {
             const std::string& home = std::get<std::string>(v);
             if (!home.empty()) f.HomeDir = netunit::AddBackslash(platform::InProgramDir(home));
         }},
        Check("blacklist", "enabled", &F::blacklistenabled, false),
        Check("blacklist", "logattempts", &F::bannedattempts, false),

        {"noip", "enabled", Fixed(false), [](const F& f) -> std::optional<tsettingvalue> { return f.Ddns.NoIp.Enabled; },
         [](F& f, const tsettingvalue& v) {
             f.Ddns.NoIp.Enabled = std::get<bool>(v);
             if (f.Ddns.NoIp.Enabled) f.noiptimer->SetEnabled(true);
         }},
        Field<std::string>("noip", "username", [](auto& f) -> auto& { return f.Ddns.NoIp.UserName; }, Text("")),
        Field<std::string>("noip", "password", [](auto& f) -> auto& { return f.Ddns.NoIp.Password; }, Text("")),
        Field<std::string>("noip", "hosts", [](auto& f) -> auto& { return f.Ddns.NoIp.Hosts; }, Text("")),
        Field<std::string>("noip", "groups", [](auto& f) -> auto& { return f.Ddns.NoIp.Groups; }, Text("")),
        Choice("noip", "updatetime", [](auto& f) -> auto& { return f.Ddns.NoIp.IntervalIndex; }, kUpdateIntervalChoices, 3),
        Choice("noip", "updateport", [](auto& f) -> auto& { return f.Ddns.NoIp.PortIndex; }, kNoIpPortChoices, 0),
        Choice("noip", "updatelog", [](auto& f) -> auto& { return f.Ddns.NoIp.LogIndex; }, kUpdateLogChoices, 0),

        {"dyndns", "enabled", Fixed(false), [](const F& f) -> std::optional<tsettingvalue> { return f.Ddns.DynDns.Enabled; },
         [](F& f, const tsettingvalue& v) {
             f.Ddns.DynDns.Enabled = std::get<bool>(v);
             if (f.Ddns.DynDns.Enabled) f.dyndnstimer->SetEnabled(true);
         }},
        Field<std::string>("dyndns", "server", [](auto& f) -> auto& { return f.Ddns.DynDns.Server; },
                           Text(kDefaultDynDnsServer)),
        Field<std::string>("dyndns", "username", [](auto& f) -> auto& { return f.Ddns.DynDns.UserName; }, Text("")),
        Field<std::string>("dyndns", "password", [](auto& f) -> auto& { return f.Ddns.DynDns.Password; }, Text("")),
        Field<std::string>("dyndns", "hosts", [](auto& f) -> auto& { return f.Ddns.DynDns.Hosts; }, Text("")),
        Choice("dyndns", "updatetime", [](auto& f) -> auto& { return f.Ddns.DynDns.IntervalIndex; },
               kUpdateIntervalChoices, 3),
        Choice("dyndns", "dnssystem", [](auto& f) -> auto& { return f.Ddns.DynDns.SystemIndex; }, kDnsSystemChoices, 0),
        Choice("dyndns", "updatelog", [](auto& f) -> auto& { return f.Ddns.DynDns.LogIndex; }, kUpdateLogChoices, 0),

        // Read only: they are never written, so a save keeps what the file holds.
        {"mailsettings", "masteraddress", Fixed(Text("")), nullptr,
         [](F& f, const tsettingvalue& v) {
             f.MasterAddress = std::get<std::string>(v);
             if (f.MasterAddress.empty()) return;
             f.MasterAddressOn = true;
             f.ShowNotice("Mail Forward CC Feature Enabled... MasterAddress=" + f.MasterAddress);
         }},
        // A stored number that does not fit 32 bits counts as missing.
        {"custom", "custom_wendmarch", Fixed(Number(kNoAutoChoice)), nullptr,
         [](F& f, const tsettingvalue& v) {
             const int64_t choice = std::get<int64_t>(v);
             f.Telnet.AutoChoice = choice < kNoAutoChoice || choice > INT32_MAX ? kNoAutoChoice
                                                                                : static_cast<int32_t>(choice);
         }},
    };
    return t;
}

}  // namespace

const std::vector<twindowkey>& SettingKeys() {
    static const std::vector<twindowkey> table = MakeTable();
    return table;
}
