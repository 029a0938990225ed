// The window's blacklist: the ban test, trigger matching and expiry over the
// window's lists, and the ban and trigger dialogs driven as the owner drives them.
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/bans.h"
#include "core/recordfiles.h"
#include "forms/forms.h"
#include "forms/forms_test_util.h"
#include "netunit/datetime.h"
#include "platform/programdir.h"
#include "ui/banpropertiesform.h"
#include "ui/blacklistwindow.h"
#include "ui/quillnestform.h"
#include "ui/triggerpropertiesform.h"

namespace {

// A main window in a folder of its own, with bans and triggers added in code.
class BlacklistWindow : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/quillnest-blacklist-XXXXXX";
        dir_ = mkdtemp(tmpl);
        dir_ += "/";
        platform::SetProgramDir(dir_);
        form_ = new Tquillnestform;
        for (const ServiceRow& s : form_->Services()) s.Switch->SetChecked(false);
        form_->blacklistenabled->SetChecked(true);
        forms::SetMessageDlgHook([this](const forms::TMessageDlgRequest& r) {
            boxes_.push_back(r);
            return answer_;
        });
    }
    void TearDown() override {
        delete form_;
        forms::SetMessageDlgHook(nullptr);
        platform::SetProgramDir("");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    void AddBan(const core::tban& b) {
        form_->BanList.push_back(std::make_unique<core::tban>(b));
        form_->blacklist->Items()->Add(BanListLine(b));
    }
    void AddTrigger(const std::string& pattern, core::TriggerService service, int32_t duration,
                    const std::string& description = "trigger") {
        auto t = std::make_unique<core::ttrigger>();
        t->Description = description;
        t->Service = static_cast<int32_t>(service);
        t->Pattern = pattern;
        t->DurationIndex = duration;
        form_->triggerlistbox->Items()->Add(TriggerListLine(*t));
        form_->TriggerList.push_back(std::move(t));
    }
    std::vector<std::string> BanLines() const { return form_->blacklist->Items()->ToVector(); }
    // The dialog is modal: the steps run inside its loop.
    static void WhileShown(std::function<void()> steps) { QTimer::singleShot(0, std::move(steps)); }

    std::string dir_;
    Tquillnestform* form_ = nullptr;
    std::vector<forms::TMessageDlgRequest> boxes_;
    forms::TModalResult answer_ = forms::mrOk;
};

TEST_F(BlacklistWindow, BanTestFollowsPatternsAndTheSwitch) {
    AddBan(Ban("192.168.*", 0, kBanForever));
    AddBan(Ban("10.1.2.3", 0, kBanForever));
    AddBan(Ban("127.0.0.1*1", 0, kBanForever));
    struct Row {
        const char* address;
        bool banned;
        const char* what;
    } rows[] = {
        {"192.168.0.7", true, "prefix pattern"},
        {"192.168.255.255", true, "prefix pattern, other end"},
        {"192.169.0.7", false, "outside the prefix"},
        {"10.1.2.3", true, "exact address"},
        {"10.1.2.30", false, "exact pattern does not cover a longer address"},
        {"110.1.2.3", false, "exact pattern does not cover a longer front"},
        {"127.0.0.11", true, "fixed beginning and end"},
        {"127.0.0.101", true, "fixed beginning and end, text between"},
        {"127.0.0.1", false, "beginning and end need their own characters"},
        {"", false, "no address"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(form_->IsBlacklisted(r.address), r.banned);
    }
    form_->blacklistenabled->SetChecked(false);
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("switched off: ") + r.what);
        EXPECT_FALSE(form_->IsBlacklisted(r.address));
    }
}

TEST_F(BlacklistWindow, TriggerBansItsSenderWithItsDescriptionAndDuration) {
    AddTrigger("*CMD.EXE*", core::TriggerService::Http, 5, "worm probe");
    const double before = netunit::NowDayNumber();
    EXPECT_TRUE(CheckTriggers(form_, core::TriggerService::Http, "GET /scripts/..%c1%1c../winnt/system32/cmd.exe?/c+dir HTTP/1.0",
                              "10.9.8.7"));
    ASSERT_EQ(form_->BanList.size(), 1u);
    const core::tban& b = *form_->BanList[0];
    EXPECT_EQ(b.Description, "worm probe");
    EXPECT_EQ(b.Pattern, "10.9.8.7");
    EXPECT_EQ(b.DurationIndex, 5);
    EXPECT_GE(b.Time, before);
    EXPECT_LE(b.Time, netunit::NowDayNumber());
    EXPECT_EQ(BanLines(), std::vector<std::string>{"worm probe (10.9.8.7)"});
    EXPECT_TRUE(form_->IsBlacklisted("10.9.8.7"));
}

TEST_F(BlacklistWindow, TriggerMatching) {
    AddTrigger("*CMD.EXE*", core::TriggerService::Http, 3, "first");
    AddTrigger("*cmd*", core::TriggerService::Http, 7, "second");
    AddTrigger("*ROOT*", core::TriggerService::Telnet, 3, "telnet");
    struct Row {
        core::TriggerService service;
        const char* text;
        bool match;
        const char* description;  // of the ban made
        const char* what;
    } rows[] = {
        {core::TriggerService::Http, "GET /x/CMD.EXE HTTP/1.1", true, "first", "upper case"},
        {core::TriggerService::Http, "get /x/Cmd.Exe http/1.1", true, "first", "mixed case"},
        {core::TriggerService::Http, "GET /cmdline HTTP/1.1", true, "second", "only the second matches"},
        {core::TriggerService::Http, "GET /index.html HTTP/1.1", false, "", "no trigger matches"},
        {core::TriggerService::Http, "", false, "", "empty text never bans"},
        {core::TriggerService::Http, "GET /root HTTP/1.1", false, "", "a Telnet trigger is not asked by HTTP"},
        {core::TriggerService::Telnet, "GET /cmd.exe", false, "", "an HTTP trigger is not asked for Telnet"},
        {core::TriggerService::Telnet, "ROOT", true, "telnet", "same service"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        form_->BanList.clear();
        form_->blacklist->Items()->Clear();
        EXPECT_EQ(CheckTriggers(form_, r.service, r.text, "127.0.0.1"), r.match);
        ASSERT_EQ(form_->BanList.size(), r.match ? 1u : 0u) << "one ban per match: the first trigger wins";
        if (r.match) {
            EXPECT_EQ(form_->BanList[0]->Description, r.description);
        }
    }
}

TEST_F(BlacklistWindow, TriggerAddsNoSecondBanForAnAddressWhileTheBlacklistIsOff) {
    AddTrigger("*cmd.exe*", core::TriggerService::Http, 3);
    form_->blacklistenabled->SetChecked(false);
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(CheckTriggers(form_, core::TriggerService::Http, "GET /cmd.exe", "10.0.0.1"));
    }
    EXPECT_EQ(form_->BanList.size(), 1u);
    EXPECT_TRUE(CheckTriggers(form_, core::TriggerService::Http, "GET /cmd.exe", "10.0.0.2"));
    EXPECT_EQ(BanLines(), (std::vector<std::string>{"trigger (10.0.0.1)", "trigger (10.0.0.2)"}));
    // The ban takes effect once the blacklist is switched on.
    form_->blacklistenabled->SetChecked(true);
    EXPECT_TRUE(form_->IsBlacklisted("10.0.0.1"));
}

TEST_F(BlacklistWindow, ExpiryRemovesRunOutBansAndKeepsListAndLinesInStep) {
    const double now = netunit::NowDayNumber();
    AddBan(Ban("1.1.1.1", now - 0.011, 0, "old"));
    AddBan(Ban("2.2.2.2", now - 0.011, 0, "old too"));
    AddBan(Ban("3.3.3.3", now - 1000, kBanForever, "forever"));
    AddBan(Ban("4.4.4.4", now - 0.011, 99, "bad index"));
    AddBan(Ban("5.5.5.5", now, 0, "fresh"));

    form_->BanDialogOpen = true;
    form_->blacklisttimerTimer(form_);
    EXPECT_EQ(form_->BanList.size(), 5u) << "nothing expires while a ban is being edited";

    form_->BanDialogOpen = false;
    form_->blacklisttimerTimer(form_);
    EXPECT_EQ(BanLines(), (std::vector<std::string>{"forever (3.3.3.3)", "fresh (5.5.5.5)"}));
    ASSERT_EQ(form_->BanList.size(), 2u);
    EXPECT_EQ(form_->BanList[0]->Pattern, "3.3.3.3");
    EXPECT_EQ(form_->BanList[1]->Pattern, "5.5.5.5");
}

TEST_F(BlacklistWindow, ExpiryRunsOnTheWindowsTimer) {
    EXPECT_EQ(form_->blacklisttimer->Interval(), 30000u);
    EXPECT_TRUE(form_->blacklisttimer->Enabled());
    AddBan(Ban("1.1.1.1", netunit::NowDayNumber() - 0.011, 0));
    ASSERT_TRUE(form_->blacklisttimer->OnTimer);
    form_->blacklisttimer->OnTimer(form_->blacklisttimer);
    EXPECT_TRUE(form_->BanList.empty());
}

TEST_F(BlacklistWindow, NewBanNeedsAnAddressAndStartsNow) {
    bool stayedOpen = false;
    WhileShown([&] {
        Tbanpropertiesform* d = banpropertiesform;
        EXPECT_EQ(d->Caption(), "New Ban");
        EXPECT_EQ(d->description->Text(), "");
        EXPECT_EQ(d->ip->Text(), "");
        EXPECT_EQ(d->time->ItemIndex(), 3) << "1 hour is offered";
        EXPECT_TRUE(form_->BanDialogOpen);
        EXPECT_TRUE(formstest::WaitFor([d] { return d->description->Focused(); })) << "the focus starts on the description";
        d->description->SetText("scanner");
        d->ok->Click();
        stayedOpen = d->ModalResult() == forms::mrNone;
        EXPECT_TRUE(formstest::WaitFor([d] { return d->ip->Focused(); })) << "the missing field gets the focus";
        d->ip->SetText("172.16.*");
        d->time->SetItemIndex(6);
        d->ok->Click();
    });
    const double before = netunit::NowDayNumber();
    form_->newban->Click();
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, "You must specify an IP to blacklist!");
    EXPECT_EQ(boxes_[0].Type, forms::mtError);
    EXPECT_EQ(boxes_[0].Buttons, forms::mbOK);
    EXPECT_FALSE(form_->BanDialogOpen);
    ASSERT_EQ(form_->BanList.size(), 1u);
    EXPECT_EQ(form_->BanList[0]->Pattern, "172.16.*");
    EXPECT_EQ(form_->BanList[0]->DurationIndex, 6);
    EXPECT_GE(form_->BanList[0]->Time, before);
    EXPECT_EQ(BanLines(), std::vector<std::string>{"scanner (172.16.*)"});
}

TEST_F(BlacklistWindow, CancelledNewBanAddsNothing) {
    WhileShown([&] {
        banpropertiesform->ip->SetText("1.2.3.4");
        banpropertiesform->cancel->Click();
    });
    form_->newban->Click();
    EXPECT_TRUE(form_->BanList.empty());
    EXPECT_TRUE(BanLines().empty());
    EXPECT_FALSE(form_->BanDialogOpen);
}

TEST_F(BlacklistWindow, BanPropertiesRestartTheDurationAndReplaceTheLine) {
    const double old = netunit::NowDayNumber() - 0.0100;
    AddBan(Ban("1.1.1.1", 1, kBanForever, "first"));
    AddBan(Ban("2.2.2.2", old, 0, "second"));
    WhileShown([&] { banpropertiesform->cancel->Click(); });
    form_->newban->Click();  // the dialog is reused: its title follows the mode
    form_->blacklist->SetItemIndex(1);
    bool expiryHeld = false;
    WhileShown([&] {
        Tbanpropertiesform* d = banpropertiesform;
        EXPECT_EQ(d->Caption(), "Ban Properties") << "after a New, the dialog names its mode again";
        EXPECT_EQ(d->description->Text(), "second");
        EXPECT_EQ(d->ip->Text(), "2.2.2.2");
        EXPECT_EQ(d->time->ItemIndex(), 0);
        // The ban would expire soon; while it is edited the timer leaves it.
        form_->BanList[1]->Time = old - 1;
        form_->blacklisttimerTimer(form_);
        expiryHeld = form_->BanList.size() == 2;
        d->description->SetText("edited");
        d->ip->SetText("2.2.*");
        d->ok->Click();
    });
    const double before = netunit::NowDayNumber();
    form_->banproperties->Click();
    EXPECT_TRUE(expiryHeld);
    ASSERT_EQ(form_->BanList.size(), 2u);
    EXPECT_EQ(form_->BanList[1]->Pattern, "2.2.*");
    EXPECT_GE(form_->BanList[1]->Time, before) << "the duration starts again";
    EXPECT_EQ(BanLines(), (std::vector<std::string>{"first (1.1.1.1)", "edited (2.2.*)"}));
}

TEST_F(BlacklistWindow, PropertiesWithoutASelectionDoNothing) {
    AddBan(Ban("1.1.1.1", 0, kBanForever));
    form_->blacklist->SetItemIndex(-1);
    form_->banproperties->Click();
    form_->removeban->Click();
    EXPECT_EQ(form_->BanList.size(), 1u);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(BlacklistWindow, RemoveBanAsksThenSelectsTheNextLine) {
    for (const char* p : {"1.*", "2.*", "3.*"}) AddBan(Ban(p, 0, kBanForever));
    struct Row {
        int selected;
        forms::TModalResult answer;
        std::vector<std::string> left;
        int selectedAfter;
        const char* what;
    } rows[] = {
        {1, forms::mrNo, {"1.*", "2.*", "3.*"}, 1, "No keeps it"},
        {1, forms::mrYes, {"1.*", "3.*"}, 1, "the line now at the same place"},
        {1, forms::mrYes, {"1.*"}, 0, "the last line went: the new last line"},
        {0, forms::mrYes, {}, -1, "the only line went"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        boxes_.clear();
        answer_ = r.answer;
        form_->blacklist->SetItemIndex(r.selected);
        form_->UpdateControls();  // as the user's click on the line does
        form_->removeban->Click();
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].Text, "Are you sure you want to delete this ban?");
        EXPECT_EQ(boxes_[0].Type, forms::mtWarning);
        EXPECT_EQ(boxes_[0].Buttons, forms::mbYes | forms::mbNo);
        EXPECT_EQ(BanLines(), r.left);
        EXPECT_EQ(form_->BanList.size(), r.left.size());
        EXPECT_EQ(form_->blacklist->ItemIndex(), r.selectedAfter);
        EXPECT_EQ(form_->removeban->Enabled(), r.selectedAfter >= 0);
        EXPECT_FALSE(form_->BanDialogOpen);
    }
}

TEST_F(BlacklistWindow, RemovingABanSavesTheSettings) {
    AddBan(Ban("1.*", 0, kBanForever));
    AddBan(Ban("2.*", 0, kBanForever));
    form_->blacklist->SetItemIndex(0);
    answer_ = forms::mrYes;
    form_->removeban->Click();
    core::RecordList<core::tban> saved;
    ASSERT_EQ(core::LoadRecordFile(dir_ + core::kBansFile, saved), core::LoadResult::Loaded);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0]->Pattern, "2.*");
}

TEST_F(BlacklistWindow, NewTriggerChecksBothFieldsIndependently) {
    std::vector<std::string> seen;
    WhileShown([&] {
        Ttriggerpropertiesform* d = triggerpropertiesform;
        EXPECT_EQ(d->Caption(), "New Trigger");
        EXPECT_EQ(d->service->ItemIndex(), 1) << "HTTP is offered";
        EXPECT_EQ(d->time->ItemIndex(), 3);
        EXPECT_TRUE(form_->TriggerDialogOpen);
        d->ok->Click();  // both empty: both messages
        seen.push_back(d->ModalResult() == forms::mrNone ? "open" : "closed");
        d->trigger->SetText("*cmd.exe*");
        d->ok->Click();  // description still empty
        seen.push_back(d->ModalResult() == forms::mrNone ? "open" : "closed");
        d->description->SetText("worm");
        d->trigger->SetText("");
        d->ok->Click();  // trigger empty
        seen.push_back(d->ModalResult() == forms::mrNone ? "open" : "closed");
        d->trigger->SetText("*CMD.EXE*");
        d->time->SetItemIndex(kBanForever);
        d->ok->Click();
    });
    form_->newtrigger->Click();
    EXPECT_EQ(seen, (std::vector<std::string>{"open", "open", "open"}));
    std::vector<std::string> texts;
    for (const auto& b : boxes_) {
        texts.push_back(b.Text);
        EXPECT_EQ(b.Type, forms::mtError);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "You must specify a description to identify this trigger!",
                         "You must specify a trigger to continue!",
                         "You must specify a description to identify this trigger!",
                         "You must specify a trigger to continue!",
                     }));
    ASSERT_EQ(form_->TriggerList.size(), 1u);
    const core::ttrigger& t = *form_->TriggerList[0];
    EXPECT_EQ(t.Description, "worm");
    EXPECT_EQ(t.Service, 1);
    EXPECT_EQ(t.Pattern, "*CMD.EXE*");
    EXPECT_EQ(t.DurationIndex, kBanForever);
    EXPECT_EQ(form_->triggerlistbox->Items()->ToVector(), std::vector<std::string>{"worm (*CMD.EXE*)"});
    EXPECT_FALSE(form_->TriggerDialogOpen);
}

TEST_F(BlacklistWindow, TriggerPropertiesEditInPlaceAndRemoveAsks) {
    AddTrigger("*a*", core::TriggerService::Http, 3, "one");
    AddTrigger("*b*", core::TriggerService::Http, 3, "two");
    form_->triggerlistbox->SetItemIndex(0);
    WhileShown([&] {
        Ttriggerpropertiesform* d = triggerpropertiesform;
        EXPECT_EQ(d->Caption(), "Trigger Properties");
        EXPECT_EQ(d->description->Text(), "one");
        EXPECT_EQ(d->trigger->Text(), "*a*");
        d->service->SetItemIndex(4);
        d->trigger->SetText("*z*");
        d->ok->Click();
    });
    form_->triggerproperties->Click();
    EXPECT_EQ(form_->TriggerList[0]->Service, 4);
    EXPECT_EQ(form_->triggerlistbox->Items()->ToVector(), (std::vector<std::string>{"one (*z*)", "two (*b*)"}));

    answer_ = forms::mrYes;
    form_->triggerlistbox->SetItemIndex(1);
    form_->removetrigger->Click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, "Are you sure you want to delete this trigger?");
    EXPECT_EQ(form_->triggerlistbox->Items()->ToVector(), std::vector<std::string>{"one (*z*)"});
    EXPECT_EQ(form_->triggerlistbox->ItemIndex(), 0);
    EXPECT_EQ(form_->TriggerList.size(), 1u);
}

TEST_F(BlacklistWindow, ListClicksRefreshTheButtons) {
    AddBan(Ban("1.*", 0, kBanForever));
    AddTrigger("*a*", core::TriggerService::Http, 3);
    for (auto [list, remove, properties] :
         {std::tuple{form_->blacklist, form_->removeban, form_->banproperties},
          std::tuple{form_->triggerlistbox, form_->removetrigger, form_->triggerproperties}}) {
        SCOPED_TRACE(list->Name());
        list->SetItemIndex(-1);
        list->OnClick(list);
        EXPECT_FALSE(remove->Enabled());
        EXPECT_FALSE(properties->Enabled());
        list->SetItemIndex(0);
        list->OnClick(list);
        EXPECT_TRUE(remove->Enabled());
        EXPECT_TRUE(properties->Enabled());
    }
}

// The patterns a record file beside the program holds, as the next start reads them.
template <class T>
std::vector<std::string> StoredPatterns(const std::string& path) {
    core::RecordList<T> stored;
    if (core::LoadRecordFile(path, stored) != core::LoadResult::Loaded) return {"(none)"};
    std::vector<std::string> patterns;
    for (const auto& r : stored) patterns.push_back(r->Pattern);
    return patterns;
}

TEST_F(BlacklistWindow, EveryChangeOfTheBansAndTriggersIsStoredAtOnce) {
    AddTrigger("*CMD.EXE*", core::TriggerService::Http, 3, "worm");
    // Selects a line, clicks Button and gives its dialog Pattern, then OK.
    auto banDialog = [this](forms::TButton* button, int line, std::string pattern) {
        return [=, this] {
            form_->blacklist->SetItemIndex(line);
            WhileShown([pattern] {
                banpropertiesform->ip->SetText(pattern);
                banpropertiesform->ok->Click();
            });
            button->Click();
        };
    };
    auto triggerDialog = [this](forms::TButton* button, int line, std::string pattern) {
        return [=, this] {
            form_->triggerlistbox->SetItemIndex(line);
            WhileShown([pattern] {
                triggerpropertiesform->description->SetText("probe");
                triggerpropertiesform->trigger->SetText(pattern);
                triggerpropertiesform->ok->Click();
            });
            button->Click();
        };
    };
    struct Row {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> bans, triggers;
    } rows[] = {
        {"a trigger line's ban",
         [&] { CheckTriggers(form_, core::TriggerService::Http, "GET /cmd.exe HTTP/1.0", "10.9.8.7"); },
         {"10.9.8.7"},
         {"(none)"}},
        {"a new ban", banDialog(form_->newban, -1, "172.16.*"), {"10.9.8.7", "172.16.*"}, {"*CMD.EXE*"}},
        {"a ban's properties", banDialog(form_->banproperties, 1, "172.17.*"), {"10.9.8.7", "172.17.*"}, {"*CMD.EXE*"}},
        {"a ban run out",
         [&] {
             form_->BanList[0]->Time = netunit::NowDayNumber() - 1;
             form_->blacklisttimerTimer(form_);
         },
         {"172.17.*"},
         {"*CMD.EXE*"}},
        {"a new trigger", triggerDialog(form_->newtrigger, -1, "*x*"), {"172.17.*"}, {"*CMD.EXE*", "*x*"}},
        {"a trigger's properties", triggerDialog(form_->triggerproperties, 1, "*y*"), {"172.17.*"}, {"*CMD.EXE*", "*y*"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.change();
        EXPECT_EQ(StoredPatterns<core::tban>(dir_ + core::kBansFile), r.bans);
        EXPECT_EQ(StoredPatterns<core::ttrigger>(dir_ + core::kTriggersFile), r.triggers);
    }
}

TEST_F(BlacklistWindow, ASenderAlreadyBannedCostsNoWrite) {
    form_->blacklistenabled->SetChecked(false);
    AddTrigger("*CMD.EXE*", core::TriggerService::Http, 3);
    EXPECT_TRUE(CheckTriggers(form_, core::TriggerService::Http, "GET /cmd.exe", "10.0.0.1"));
    ASSERT_EQ(StoredPatterns<core::tban>(dir_ + core::kBansFile), std::vector<std::string>{"10.0.0.1"});
    std::remove((dir_ + core::kBansFile).c_str());
    EXPECT_TRUE(CheckTriggers(form_, core::TriggerService::Http, "GET /cmd.exe", "10.0.0.1"));
    EXPECT_EQ(StoredPatterns<core::tban>(dir_ + core::kBansFile), std::vector<std::string>{"(none)"});
}

// Labels at 6 with their fields 2 below, 6 between a field and the next
// label, buttons at the right under the last field, the height ending 6 below.
void ExpectStacked(TFieldDialog* d, const std::vector<forms::TControl*>& fields) {
    const int width = d->Panel1->ClientWidth();
    int bottom = 6;
    for (forms::TControl* f : fields) {
        SCOPED_TRACE(f->Name());
        EXPECT_EQ(f->Left(), 6);
        EXPECT_EQ(f->Width(), width - 12);
        EXPECT_GT(f->Top(), bottom + 2) << "a label stands above each field";
        bottom = f->Top() + f->Height() + 6;
    }
    EXPECT_EQ(d->cancel->Top(), bottom);
    EXPECT_EQ(d->ok->Top(), bottom);
    EXPECT_EQ(d->cancel->Left() + d->cancel->Width(), width - 6);
    EXPECT_EQ(d->ok->Left() + d->ok->Width(), d->cancel->Left() - 6);
    EXPECT_EQ(d->ClientHeight(), d->cancel->Top() + d->cancel->Height() + 6);
}

TEST_F(BlacklistWindow, DialogsStackTheirFieldsAndFollowAResize) {
    Tbanpropertiesform ban(nullptr);
    Ttriggerpropertiesform trigger(nullptr);
    ExpectStacked(&ban, {ban.description, ban.ip, ban.time});
    ExpectStacked(&trigger, {trigger.description, trigger.service, trigger.trigger, trigger.time});
    ban.SetClientWidth(500);
    ExpectStacked(&ban, {ban.description, ban.ip, ban.time});
    EXPECT_EQ(ban.time->Items()->Count(), kBanDurationCount);
    EXPECT_EQ(trigger.service->Items()->ToVector(),
              (std::vector<std::string>{"Telnet", "HTTP", "SMTP", "POP3", "FTP"}));
}

}  // namespace
