// The dynamic-DNS clients inside one process: the timers, the dialogs, and
// whole update runs against loopback stand-ins for the two services.
#include <QCoreApplication>
#include <QTimer>
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ddns/fakeservice.h"
#include "netunit/inifile.h"
#include "netunit/shellopen.h"
#include "netunit/utf16.h"
#include "platform/hostsfile.h"
#include "platform/mainthread.h"
#include "platform/programdir.h"
#include "platform/pump.h"
#include "ui/dyndnsform.h"
#include "ui/noipform.h"
#include "ui/quillnestform.h"

namespace {

using ddns::tservice;

using testing_pump::PumpUntil;

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

const char* kCheckPage =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><head><title>Current IP Check</title></head>"
    "<body>Current IP Address: 203.0.113.5</body></html>\r\n";

bool Asks(const std::string& request, const char* start) { return request.rfind(start, 0) == 0; }

// Answers the address check of either service and an update with Update's body.
FakeService::Answer Service(std::function<std::string()> Update) {
    return [Update](const std::string& request) -> std::vector<std::string> {
        if (Asks(request, "GET / ")) return {kCheckPage};
        if (Asks(request, "GET /ip.php ")) return {"HTTP/1.0 200 OK\r\n\r\n203.0.113.5"};
        const std::string body = Update();
        if (body.empty()) return {};
        return {"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", body};
    };
}

FakeService::Answer Fixed(const std::string& body) {
    return Service([body] { return body; });
}

int CountStarting(const std::vector<std::string>& requests, const char* start) {
    int n = 0;
    for (const std::string& r : requests) n += Asks(r, start) ? 1 : 0;
    return n;
}

class DdnsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        platform::InitMainThread();
        char tmpl[] = "/tmp/quillnest-ddns-XXXXXX";
        dir_ = mkdtemp(tmpl);
        platform::SetProgramDir(dir_);
    }
    void TearDown() override {
        if (form_ != nullptr) {
            EXPECT_TRUE(PumpUntil([this] { return !Running(tservice::DynDns) && !Running(tservice::NoIp); }, 5000));
            delete form_;
        }
        hosts_.reset();
        forms::SetMessageDlgHook(nullptr);
        platform::SetProgramDir("");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // The services' names point at DynDnsAddress and NoIpAddress (each test
    // its own, so that tests may run side by side).
    void Open(const char* DynDnsAddress = "127.0.0.250", const char* NoIpAddress = "127.0.0.251") {
        hosts_ = std::make_unique<ScopedHostsFile>(std::string(DynDnsAddress) + " checkip.dyndns.org members.test\n" +
                                                   NoIpAddress + " dynupdate.no-ip.com\n");
        form_ = new Tquillnestform;
        for (const ServiceRow& s : form_->Services()) s.Switch->SetChecked(false);
    }

    void DynDnsOn(int32_t LogIndex = 0) {
        form_->Ddns.DynDns.Enabled = true;
        form_->Ddns.DynDns.Server = "members.test";
        form_->Ddns.DynDns.UserName = "user";
        form_->Ddns.DynDns.Password = "secret";
        form_->Ddns.DynDns.Hosts = "a.example";
        form_->Ddns.DynDns.LogIndex = LogIndex;
        form_->dyndnstimer->SetEnabled(true);
    }
    void NoIpOn(int32_t PortIndex = 0) {
        form_->Ddns.NoIp.Enabled = true;
        form_->Ddns.NoIp.UserName = "user";
        form_->Ddns.NoIp.Password = "pw";
        form_->Ddns.NoIp.Hosts = "home.example";
        form_->Ddns.NoIp.PortIndex = PortIndex;
        form_->noiptimer->SetEnabled(true);
    }

    bool Running(tservice s) const { return form_->Ddns.Link.State()->Running(s); }
    // One tick of the service's timer, then the run to its end.
    void RunOnce(tservice s) {
        if (s == tservice::DynDns)
            form_->dyndnstimerTimer(nullptr);
        else
            form_->noiptimerTimer(nullptr);
        ASSERT_TRUE(PumpUntil([&] { return !Running(s); }, 10000));
    }
    // Runs of both services, one after the other.
    void RunBoth(int Runs) {
        for (int run = 0; run < Runs; ++run) {
            RunOnce(tservice::DynDns);
            RunOnce(tservice::NoIp);
        }
    }

    std::vector<std::string> LogTexts() const {
        std::vector<std::string> lines;
        // Each line starts with its 24-character time stamp.
        for (int i = 0; i < form_->status->Items()->Count(); ++i) {
            const std::string line = form_->status->Items()->Strings(i);
            const size_t stamp = line.find("] ");
            lines.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
        }
        return lines;
    }
    std::vector<std::string> LogTextsWith(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : LogTexts())
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        return lines;
    }

    static void WhileShown(std::function<void()> steps) { QTimer::singleShot(0, std::move(steps)); }

    std::string dir_;
    std::unique_ptr<ScopedHostsFile> hosts_;
    Tquillnestform* form_ = nullptr;
};

#define NEED_PORT(fake) \
    if (!(fake).Listening()) GTEST_SKIP() << "ports 80 and 8245 must be free to bind (root, no other server on them)"

// ---- schedule

TEST_F(DdnsWindow, TickSetsTheChosenIntervalAndAFailedCheckIsAFailure) {
    Open();
    DynDnsOn();
    NoIpOn();
    const struct {
        int32_t index;
        unsigned ms;
    } rows[] = {{0, 5 * 60000}, {11, 60 * 60000}, {3, 20 * 60000}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        form_->Ddns.DynDns.IntervalIndex = r.index;
        form_->Ddns.NoIp.IntervalIndex = r.index;
        RunOnce(tservice::DynDns);
        RunOnce(tservice::NoIp);
        EXPECT_EQ(form_->dyndnstimer->Interval(), r.ms);
        EXPECT_EQ(form_->noiptimer->Interval(), r.ms);
        EXPECT_TRUE(form_->dyndnstimer->Enabled());
        EXPECT_TRUE(form_->noiptimer->Enabled());
    }
    // Nothing answers the checks: never "IP OK.", though no address is known yet either.
    EXPECT_EQ(LogTextsWith("[DynDNS Client]"),
              std::vector<std::string>(3, "[DynDNS Client] Attempted to update but could not check the current IP address!"));
    EXPECT_EQ(LogTextsWith("[No-IP Client]"),
              std::vector<std::string>(3, "[No-IP Client] Couldn't Connect to No-IP Server."));
}

TEST_F(DdnsWindow, TickWithTheServiceOffStopsTheTimerAndStartsNothing) {
    Open();
    form_->noiptimer->SetEnabled(true);
    form_->dyndnstimer->SetEnabled(true);
    form_->noiptimerTimer(nullptr);
    form_->dyndnstimerTimer(nullptr);
    EXPECT_FALSE(form_->noiptimer->Enabled());
    EXPECT_FALSE(form_->dyndnstimer->Enabled());
    EXPECT_FALSE(Running(tservice::NoIp));
    EXPECT_FALSE(Running(tservice::DynDns));
    QCoreApplication::processEvents();
    EXPECT_TRUE(LogTextsWith("[No-IP Client]").empty());
    EXPECT_TRUE(LogTextsWith("[DynDNS Client]").empty());
}

TEST_F(DdnsWindow, ServicesSwitchedOnInTheSettingsRunFiveSecondsAfterStart) {
    {
        netunit::tinifile ini;
        ini.OpenIni(dir_ + "/options.ini");
        ini.WriteBool("noip", "enabled", true);
        ini.WriteBool("dyndns", "enabled", false);
        ini.SaveIni();
    }
    Open();
    EXPECT_TRUE(form_->noiptimer->Enabled());
    EXPECT_EQ(form_->noiptimer->Interval(), 5000u);
    EXPECT_FALSE(form_->dyndnstimer->Enabled());
}

// ---- dialogs

TEST_F(DdnsWindow, NoIpDialogStoresItsValuesAndStartsARunAtOnce) {
    Open();
    WhileShown([] {
        Tnoipform* d = noipform;
        EXPECT_FALSE(d->enablenoipupdate->Checked());
        EXPECT_EQ(d->password->PasswordChar(), '*');
        EXPECT_EQ(d->updatetime->Items()->Count(), 12);
        EXPECT_EQ(d->updatetime->Items()->Strings(0), "5 Minutes");
        EXPECT_EQ(d->updatetime->Items()->Strings(11), "60 Minutes");
        EXPECT_EQ(d->updateport->Items()->Count(), 2);
        EXPECT_EQ(d->updateport->Items()->Strings(1), "80");
        d->enablenoipupdate->SetChecked(true);
        d->username->SetText("nuser");
        d->password->SetText("npass");
        d->hosts->SetText("home.example;work.example");
        d->groups->SetText("grp");
        d->updatetime->SetItemIndex(11);
        d->updateport->SetItemIndex(1);
        d->updatelog->SetItemIndex(1);
        d->ok->Click();
    });
    form_->NoIpSettings1->Click();
    EXPECT_TRUE(form_->Ddns.NoIp.Enabled);
    EXPECT_EQ(form_->Ddns.NoIp.UserName, "nuser");
    EXPECT_EQ(form_->Ddns.NoIp.Password, "npass");
    EXPECT_EQ(form_->Ddns.NoIp.Hosts, "home.example;work.example");
    EXPECT_EQ(form_->Ddns.NoIp.Groups, "grp");
    EXPECT_EQ(form_->Ddns.NoIp.IntervalIndex, 11);
    EXPECT_EQ(form_->Ddns.NoIp.PortIndex, 1);
    EXPECT_EQ(form_->Ddns.NoIp.LogIndex, 1);
    EXPECT_TRUE(form_->noiptimer->Enabled());
    EXPECT_EQ(form_->noiptimer->Interval(), 10u);
    // The run starts within the 10 ms and then keeps the chosen interval.
    EXPECT_TRUE(PumpUntil([this] { return !LogTextsWith("[No-IP Client]").empty(); }, 5000));
    EXPECT_EQ(form_->noiptimer->Interval(), 60u * 60000u);

    // The values reach options.ini with the next settings save.
    form_->SaveSettings();
    netunit::tinifile ini;
    ASSERT_TRUE(ini.OpenIni(dir_ + "/options.ini"));
    EXPECT_TRUE(ini.ReadBool("noip", "enabled", false));
    EXPECT_EQ(ini.ReadString("noip", "username", u""), u"nuser");
    EXPECT_EQ(ini.ReadString("noip", "hosts", u""), u"home.example;work.example");
    EXPECT_EQ(ini.ReadString("noip", "groups", u""), u"grp");
    EXPECT_EQ(ini.ReadInteger("noip", "updatetime", -1), 11);
    EXPECT_EQ(ini.ReadInteger("noip", "updateport", -1), 1);
    EXPECT_EQ(ini.ReadInteger("noip", "updatelog", -1), 1);
}

TEST_F(DdnsWindow, DynDnsDialogShowsAndStoresItsValues) {
    Open();
    form_->Ddns.DynDns.Server = "members.test";
    form_->Ddns.DynDns.Hosts = "old.example";
    form_->Ddns.DynDns.SystemIndex = 2;
    WhileShown([] {
        Tdyndnsform* d = dyndnsform;
        EXPECT_EQ(d->server->Text(), "members.test");
        EXPECT_EQ(d->hosts->Text(), "old.example");
        EXPECT_EQ(d->dnssystem->ItemIndex(), 2);
        EXPECT_EQ(d->dnssystem->Items()->Count(), 3);
        EXPECT_EQ(d->password->PasswordChar(), '*');
        d->enabledyndnsupdate->SetChecked(true);
        d->server->SetText("update.test");
        d->username->SetText("duser");
        d->password->SetText("dpass");
        d->hosts->SetText("a.example;b.example");
        d->updatetime->SetItemIndex(0);
        d->dnssystem->SetItemIndex(1);
        d->updatelog->SetItemIndex(0);
        d->ok->Click();
    });
    form_->DynDNS1->Click();
    EXPECT_TRUE(form_->Ddns.DynDns.Enabled);
    EXPECT_EQ(form_->Ddns.DynDns.Server, "update.test");
    EXPECT_EQ(form_->Ddns.DynDns.UserName, "duser");
    EXPECT_EQ(form_->Ddns.DynDns.Password, "dpass");
    EXPECT_EQ(form_->Ddns.DynDns.Hosts, "a.example;b.example");
    EXPECT_EQ(form_->Ddns.DynDns.IntervalIndex, 0);
    EXPECT_EQ(form_->Ddns.DynDns.SystemIndex, 1);
    EXPECT_EQ(form_->Ddns.DynDns.LogIndex, 0);
    EXPECT_TRUE(form_->dyndnstimer->Enabled());
    EXPECT_EQ(form_->dyndnstimer->Interval(), 10u);

    form_->SaveSettings();
    netunit::tinifile ini;
    ASSERT_TRUE(ini.OpenIni(dir_ + "/options.ini"));
    EXPECT_TRUE(ini.ReadBool("dyndns", "enabled", false));
    EXPECT_EQ(ini.ReadString("dyndns", "server", u""), u"update.test");
    EXPECT_EQ(ini.ReadString("dyndns", "password", u""), u"dpass");
    EXPECT_EQ(ini.ReadInteger("dyndns", "dnssystem", -1), 1);
    EXPECT_EQ(ini.ReadInteger("dyndns", "updatetime", -1), 0);
}

TEST_F(DdnsWindow, CancelChangesNothingAndSwitchingOffStopsTheTimer) {
    Open();
    NoIpOn();
    form_->noiptimer->SetInterval(300000);
    WhileShown([] {
        noipform->username->SetText("changed");
        noipform->enablenoipupdate->SetChecked(false);
        noipform->cancel->Click();
    });
    form_->NoIpSettings1->Click();
    EXPECT_TRUE(form_->Ddns.NoIp.Enabled);
    EXPECT_EQ(form_->Ddns.NoIp.UserName, "user");
    EXPECT_TRUE(form_->noiptimer->Enabled());
    EXPECT_EQ(form_->noiptimer->Interval(), 300000u);

    WhileShown([] {
        noipform->enablenoipupdate->SetChecked(false);
        noipform->ok->Click();
    });
    form_->NoIpSettings1->Click();
    EXPECT_FALSE(form_->Ddns.NoIp.Enabled);
    EXPECT_FALSE(form_->noiptimer->Enabled());
}

TEST_F(DdnsWindow, SignUpLinksOpenTheServicesPages) {
    Open();
    const std::string out = dir_ + "/opened";
    const std::string script = dir_ + "/opener.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << out << "'\n";
    chmod(script.c_str(), 0755);
    netunit::SetShellOpenProgram(script);
    new Tnoipform(form_);
    new Tdyndnsform(form_);
    noipform->Label3Click(nullptr);
    auto opened = [&] {
        std::ifstream f(out);
        std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        return all;
    };
    EXPECT_TRUE(PumpUntil([&] { return !opened().empty(); }, 5000));
    dyndnsform->Label3Click(nullptr);
    EXPECT_TRUE(PumpUntil([&] { return opened().find('\n') != opened().rfind('\n'); }, 5000));
    netunit::SetShellOpenProgram("xdg-open");
    EXPECT_EQ(opened(), "http://www.no-ip.com/newUser.php\nhttps://www.dyndns.com/account/create.html\n");
}

// ---- whole runs against stand-ins (their ports need root and must be free)

TEST_F(DdnsWindow, DynDnsUpdatesOnceThenFindsTheAddressUnchanged) {
    Open("127.0.0.81");
    FakeService fake("127.0.0.81", 80, Fixed("good 203.0.113.5\r\n"));
    NEED_PORT(fake);
    DynDnsOn();
    RunOnce(tservice::DynDns);
    RunOnce(tservice::DynDns);
    EXPECT_EQ(LogTextsWith("[DynDNS Client]"), (std::vector<std::string>{
                                                   "[DynDNS Client] Update results for 'a.example', respectively:",
                                                   "[DynDNS Client] good 203.0.113.5",
                                                   "[DynDNS Client] IP OK.",
                                               }));
    EXPECT_EQ(CountStarting(fake.Requests(), "GET /nic/update?"), 1);
    EXPECT_EQ(CountStarting(fake.Requests(), "GET / "), 2);
    EXPECT_EQ(form_->Ddns.LastPublicIp, "203.0.113.5");
}

TEST_F(DdnsWindow, WithLoggingOffTheAnswerIsNotLoggedButTheAddressIsKept) {
    Open("127.0.0.82", "127.0.0.82");
    FakeService fake("127.0.0.82", 80, Service([] { return "good 203.0.113.5"; }));
    FakeService noip("127.0.0.82", 8245, Fixed("home.example:1"));
    NEED_PORT(fake);
    DynDnsOn(1);
    NoIpOn();
    form_->Ddns.NoIp.LogIndex = 1;
    RunOnce(tservice::DynDns);
    RunOnce(tservice::NoIp);
    EXPECT_TRUE(LogTextsWith("[DynDNS Client]").empty());
    EXPECT_TRUE(LogTextsWith("[No-IP Client]").empty());
    RunOnce(tservice::DynDns);
    RunOnce(tservice::NoIp);
    EXPECT_EQ(LogTextsWith("[DynDNS Client]"), std::vector<std::string>{"[DynDNS Client] IP OK."});
    EXPECT_EQ(LogTextsWith("[No-IP Client]"),
              std::vector<std::string>{"[No-IP Client] IP OK. 203.0.113.5=203.0.113.5"});
}

TEST_F(DdnsWindow, ARefusedUpdateIsTriedAgainAtTheNextRun) {
    Open("127.0.0.83", "127.0.0.83");
    FakeService web("127.0.0.83", 80, Fixed("dnserr\r\n"));
    FakeService noip("127.0.0.83", 8245, Fixed("home.example:2\r\n"));
    NEED_PORT(web);
    DynDnsOn();
    NoIpOn();
    RunBoth(2);
    EXPECT_EQ(CountStarting(web.Requests(), "GET /nic/update?"), 2);
    EXPECT_EQ(CountStarting(noip.Requests(), "GET /ducupdate.php?"), 2);
    EXPECT_EQ(LogTextsWith("[No-IP Client]"),
              std::vector<std::string>(2, "[No-IP Client] home.example - Host does not exist!"));
    EXPECT_EQ(form_->Ddns.LastPublicIp, "");
}

// After a refused account the service is left alone until its settings change.
TEST_F(DdnsWindow, ARefusedAccountStopsUpdatesUntilTheSettingsChange) {
    Open("127.0.0.87", "127.0.0.87");
    FakeService web("127.0.0.87", 80, Fixed("badauth\r\n"));
    FakeService noip("127.0.0.87", 8245, Fixed("home.example:3\r\n"));
    NEED_PORT(web);
    DynDnsOn();
    NoIpOn();
    RunBoth(3);
    EXPECT_EQ(CountStarting(web.Requests(), "GET /nic/update?"), 1);
    EXPECT_EQ(CountStarting(web.Requests(), "GET / "), 1);
    EXPECT_EQ(CountStarting(noip.Requests(), "GET /ducupdate.php?"), 1);
    EXPECT_EQ(LogTextsWith("[DynDNS Client] Updates stopped"),
              std::vector<std::string>{"[DynDNS Client] Updates stopped: the service answered \"badauth\". "
                                       "They start again once the settings are changed."});
    EXPECT_EQ(LogTextsWith("[No-IP Client] Updates stopped"),
              std::vector<std::string>{"[No-IP Client] Updates stopped: the service answered \"Invalid username or "
                                       "password.\". They start again once the settings are changed."});
    // Changed settings update again; a change of interval alone does not count.
    form_->Ddns.DynDns.IntervalIndex = 5;
    RunOnce(tservice::DynDns);
    EXPECT_EQ(CountStarting(web.Requests(), "GET /nic/update?"), 1);
    form_->Ddns.DynDns.Password = "corrected";
    form_->Ddns.NoIp.UserName = "corrected";
    RunOnce(tservice::DynDns);
    RunOnce(tservice::NoIp);
    EXPECT_EQ(CountStarting(web.Requests(), "GET /nic/update?"), 2);
    EXPECT_EQ(CountStarting(noip.Requests(), "GET /ducupdate.php?"), 2);
}

// An error page is no answer: its "good" is not believed, so the next run
// updates again.
TEST_F(DdnsWindow, AnErrorPageIsNoAnswer) {
    Open("127.0.0.88", "127.0.0.88");
    const auto failing = [](const std::string& request) -> std::vector<std::string> {
        if (Asks(request, "GET / ")) return {kCheckPage};
        if (Asks(request, "GET /ip.php ")) return {"HTTP/1.0 200 OK\r\n\r\n203.0.113.5"};
        if (Asks(request, "GET /nic/")) return {"HTTP/1.0 500 Internal Server Error\r\n\r\ngood 203.0.113.5\r\n"};
        return {"HTTP/1.1 503 Busy\r\n\r\nhome.example:1\r\n"};
    };
    FakeService web("127.0.0.88", 80, failing);
    FakeService noip("127.0.0.88", 8245, failing);
    NEED_PORT(web);
    DynDnsOn();
    NoIpOn();
    RunBoth(2);
    EXPECT_EQ(CountStarting(web.Requests(), "GET /nic/update?"), 2);
    EXPECT_EQ(CountStarting(noip.Requests(), "GET /ducupdate.php?"), 2);
    EXPECT_EQ(LogTextsWith("[No-IP Client]"),
              std::vector<std::string>(2, "[No-IP Client] Attempted to update but the server answered HTTP/1.1 503 Busy!"));
    EXPECT_EQ(form_->Ddns.LastPublicIp, "");
}

TEST_F(DdnsWindow, EachServiceKeepsItsOwnLastAddress) {
    Open("127.0.0.84", "127.0.0.84");
    FakeService web("127.0.0.84", 80, Fixed("good 203.0.113.5"));
    FakeService noip("127.0.0.84", 8245, Fixed("home.example:1"));
    NEED_PORT(web);
    DynDnsOn();
    NoIpOn();
    RunOnce(tservice::DynDns);
    RunOnce(tservice::NoIp);
    EXPECT_EQ(CountStarting(noip.Requests(), "GET /ducupdate.php?"), 1)
        << "DynDNS taking the address first must not make No-IP skip its update";
    EXPECT_EQ(LogTextsWith("[No-IP Client]"),
              std::vector<std::string>{"[No-IP Client] home.example - IP was updated successfully."});
}

TEST_F(DdnsWindow, NoIpPortChoiceLabelledEightyUpdatesOnPortEighty) {
    Open("127.0.0.250", "127.0.0.85");
    FakeService web("127.0.0.85", 80, Fixed("home.example:1\r\n"));
    NEED_PORT(web);
    NoIpOn(1);
    RunOnce(tservice::NoIp);
    const std::vector<std::string> requests = web.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(Asks(requests[0], "GET /ip.php HTTP/1.0\r\n"));
    EXPECT_TRUE(Asks(requests[1], "GET /ducupdate.php?username=user&pass=pw&h[]=home.example HTTP/1.0\r\n"));
    EXPECT_EQ(LogTextsWith("[No-IP Client]"),
              std::vector<std::string>{"[No-IP Client] home.example - IP was updated successfully."});
}

TEST_F(DdnsWindow, RunsDoNotPileUpBehindAServiceThatNeverAnswers) {
    Open("127.0.0.86");
    const int before = ThreadCount();
    {
        FakeService web("127.0.0.86", 80, Service([] { return std::string(); }));
        NEED_PORT(web);
        DynDnsOn();
        form_->dyndnstimerTimer(nullptr);
        ASSERT_TRUE(PumpUntil([&] { return CountStarting(web.Requests(), "GET /nic/update?") == 1; }, 5000));
        for (int tick = 0; tick < 50; ++tick) {
            form_->dyndnstimerTimer(nullptr);
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(Running(tservice::DynDns));
        EXPECT_LE(ThreadCount(), before + 2) << "one worker, and the stand-in's own thread";
        EXPECT_EQ(web.Requests().size(), 2u) << "one check and one update: no second run started";
    }
    // The stand-in drops the held connection: the waiting run ends as unanswered.
    ASSERT_TRUE(PumpUntil([&] { return !Running(tservice::DynDns); }, 5000));
    EXPECT_EQ(LogTextsWith("[DynDNS Client]"),
              std::vector<std::string>{"[DynDNS Client] Attempted to update but received no response from server!"});
}

}  // namespace
