// The session spine inside one process: the engine, the idle timers, the log,
// the connections tree, the listener pass and the kill button.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "forms/forms.h"
#include "platform/programdir.h"
#include "platform/rawpeer.h"
#include "ui/quillnestform.h"
#include "ui/windowtest.h"

namespace {

template <class Pred>
bool PumpUntil(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (pred()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return pred();
}

int ConnectTo(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

class SpineTest : public WindowTest {
protected:
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < form_->status->Items()->Count(); ++i) lines.push_back(form_->status->Items()->Strings(i));
        return lines;
    }
    bool Logged(const std::string& text) const {
        for (const std::string& line : LogLines())
            if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0) return true;
        return false;
    }
    int CountLogged(const std::string& text) const {
        int n = 0;
        for (const std::string& line : LogLines())
            if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0) ++n;
        return n;
    }
    tsession* AddFakeSession(int kind, int socket, const std::string& peer) {
        auto* s = new tsession;
        s->Kind = kind;
        s->Socket = socket;
        s->PeerAddress = peer;
        form_->SessionList.push_back(s);
        form_->AddSessionNode(s);
        return s;
    }
};

// ---- log and tree

TEST_F(SpineTest, FirstLogLineIsLoaded) {
    ASSERT_GE(form_->status->Items()->Count(), 1);
    std::string first = form_->status->Items()->Strings(0);
    EXPECT_EQ(first.substr(first.size() - 17), "Quillnest loaded.");
    // "[mm/dd/yyyy - hh:nn:ss] "
    ASSERT_GE(first.size(), 24u);
    EXPECT_EQ(first[0], '[');
    EXPECT_EQ(first.substr(3, 1), "/");
    EXPECT_EQ(first.substr(11, 3), " - ");
    EXPECT_EQ(first.substr(22, 3), "] Q");
}

TEST_F(SpineTest, LogKeepsAtMost501LinesAndCutsLongTexts) {
    form_->status->Items()->Clear();
    for (int i = 1; i <= 600; ++i) form_->AddLog("line " + std::to_string(i));
    ASSERT_EQ(form_->status->Items()->Count(), 501);
    EXPECT_TRUE(form_->status->Items()->Strings(0).ends_with("] line 100"));
    form_->AddLog(std::string(300, 'x'));
    std::string last = form_->status->Items()->Strings(500);
    EXPECT_EQ(last.size(), 24u + 255u);
}

TEST_F(SpineTest, LockBottomFollowsTheNewestLineOnlyWhenChecked) {
    form_->lockbottom->SetChecked(false);
    form_->status->SetItemIndex(0);
    form_->AddLog("a");
    EXPECT_EQ(form_->status->ItemIndex(), 0);
    form_->lockbottom->SetChecked(true);
    form_->AddLog("b");
    EXPECT_EQ(form_->status->ItemIndex(), form_->status->Items()->Count() - 1);
}

TEST_F(SpineTest, LogFileGetsEachLineWhenLoggingToFile) {
    form_->LogToFile = true;
    form_->LogFileName = dir_ + "/server.log";
    // Switching the log on creates the file; lines are then appended to it.
    fclose(fopen(form_->LogFileName.c_str(), "wb"));
    form_->AddLog("first");
    form_->AddLog("second");
    FILE* f = fopen(form_->LogFileName.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char buf[256] = {};
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    std::string text(buf, n);
    EXPECT_NE(text.find("] first\r\n["), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("] second\r\n")) << text;
}

// Within a batch (an engine run, a batch of socket notices) lines wait; when
// it closes, the window and the file get them all, in order.
TEST_F(SpineTest, LogBatchReachesWindowAndFileTogetherInOrder) {
    form_->LogToFile = true;
    form_->LogFileName = dir_ + "/server.log";
    fclose(fopen(form_->LogFileName.c_str(), "wb"));
    form_->lockbottom->SetChecked(true);
    const int before = form_->status->Items()->Count();
    form_->OpenLogBatch();
    form_->OpenLogBatch();
    form_->AddLog("one");
    form_->CloseLogBatch();
    form_->AddLog("two");
    EXPECT_EQ(form_->status->Items()->Count(), before) << "nothing shows before the outer batch closes";
    form_->CloseLogBatch();
    ASSERT_EQ(form_->status->Items()->Count(), std::min(before + 2, 501));
    const int last = form_->status->Items()->Count() - 1;
    EXPECT_TRUE(form_->status->Items()->Strings(last - 1).ends_with("] one"));
    EXPECT_TRUE(form_->status->Items()->Strings(last).ends_with("] two"));
    EXPECT_EQ(form_->status->ItemIndex(), last);
    FILE* f = fopen(form_->LogFileName.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char buf[256] = {};
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    const std::string text(buf, n);
    EXPECT_EQ(text, form_->status->Items()->Strings(last - 1) + "\r\n" + form_->status->Items()->Strings(last) + "\r\n");
}

// The log file as the window shows it: every line, in order, however the
// lines were batched, while the file is kept open between batches.
TEST_F(SpineTest, LogFileGetsEveryLineInOrderAcrossBatches) {
    form_->LogToFile = true;
    form_->LogFileName = dir_ + "/server.log";
    fclose(fopen(form_->LogFileName.c_str(), "wb"));
    form_->status->Items()->Clear();
    form_->AddLog("one");
    form_->OpenLogBatch();
    form_->AddLog("two");
    form_->AddLog("three");
    form_->CloseLogBatch();
    form_->AddLog("four");
    form_->OpenLogBatch();
    form_->AddLog("five");
    form_->CloseNoticeLogBatch();  // no sessions: written at once
    std::string expected;
    for (const std::string& line : LogLines()) expected += line + "\r\n";
    ASSERT_EQ(LogLines().size(), 5u);
    EXPECT_TRUE(LogLines()[4].ends_with("] five"));
    std::string text;
    ASSERT_TRUE(netunit::ReadWholeFile(form_->LogFileName, text));
    EXPECT_EQ(text, expected);
}

// The file held between batches is given up when its name no longer leads to
// it, or when the name changes: the next lines go to the file of the name.
TEST_F(SpineTest, LogFileFollowsItsNameWhenTheFileGoesOrTheNameChanges) {
    const std::string name = dir_ + "/server.log";
    const std::string moved = dir_ + "/server.old";
    const std::string other = dir_ + "/other.log";
    struct Row {
        const char* what;
        std::function<void()> disturb;
        std::string current;    // the file the following lines must reach
        std::string keptBytes;  // what that file held before them
        std::string left;       // the file left behind with the earlier lines
    } rows[] = {
        {"deleted", [&] { ::unlink(name.c_str()); }, name, "", ""},
        {"renamed away", [&] { ::rename(name.c_str(), moved.c_str()); }, name, "", moved},
        {"replaced", [&] {
             const std::string fresh = dir_ + "/fresh";
             std::ofstream(fresh, std::ios::binary) << "replacement\r\n";
             ::rename(fresh.c_str(), name.c_str());
         }, name, "replacement\r\n", ""},
        {"name switched", [&] { form_->LogFileName = other; }, other, "", name},
    };
    form_->LogToFile = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ::unlink(name.c_str());
        ::unlink(moved.c_str());
        ::unlink(other.c_str());
        form_->LogFileName = name;
        form_->AddLog(std::string("before, ") + row.what);
        row.disturb();
        form_->AddLog(std::string("after, ") + row.what);
        std::string text;
        ASSERT_TRUE(netunit::ReadWholeFile(row.current, text));
        EXPECT_EQ(text, row.keptBytes + LogLines().back() + "\r\n");
        if (!row.left.empty()) {
            ASSERT_TRUE(netunit::ReadWholeFile(row.left, text));
            EXPECT_TRUE(text.ends_with(std::string("] before, ") + row.what + "\r\n")) << text;
        }
    }
}

void IdleStep(Tquillnestform*, tsession*, int) {}

// Lines of a batch of socket notices wait for the engine's run only while
// sessions exist and the engine's timer runs; the window and the file then
// get them with the run's own, in order.
TEST_F(SpineTest, NoticeBatchLinesWaitForTheEngineRunOnlyWhileItIsDue) {
    form_->LogToFile = true;
    form_->LogFileName = dir_ + "/server.log";
    fclose(fopen(form_->LogFileName.c_str(), "wb"));
    form_->Steps[kKindTelnet] = IdleStep;
    struct Row {
        const char* what;
        bool session;
        bool engineTimer;
        bool held;
    } rows[] = {
        {"sessions and a running engine", true, true, true},
        {"no sessions", false, true, false},
        {"engine timer stopped", true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.session) AddFakeSession(kKindTelnet, 701, "10.0.0.7");
        form_->Timer2->SetEnabled(row.engineTimer);
        form_->OpenLogBatch();
        form_->AddLog(std::string("notice line, ") + row.what);
        form_->CloseNoticeLogBatch();
        EXPECT_EQ(!Logged(std::string("notice line, ") + row.what), row.held);
        form_->Timer2Timer(form_->Timer2);
        EXPECT_TRUE(Logged(std::string("notice line, ") + row.what)) << "the engine's run writes what was held";
        for (tsession* s : form_->SessionList) delete s;
        form_->SessionList.clear();
    }
    std::string text;
    ASSERT_TRUE(netunit::ReadWholeFile(form_->LogFileName, text));
    std::string expected;
    for (const std::string& line : LogLines())
        if (line.find("notice line, ") != std::string::npos) expected += line + "\r\n";
    EXPECT_EQ(text, expected);

    // A line from outside any batch (the window, a dialog) brings what is held with it.
    AddFakeSession(kKindTelnet, 702, "10.0.0.8");
    form_->OpenLogBatch();
    form_->AddLog("held");
    form_->CloseNoticeLogBatch();
    form_->AddLog("from the window");
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[lines.size() - 2].ends_with("] held"));
    EXPECT_TRUE(lines.back().ends_with("] from the window"));
}

// The program may end without the window's destructor: the shutdown path
// writes what a batch of notices left for the engine.
TEST_F(SpineTest, ShutdownWritesHeldLogLines) {
    form_->LogToFile = true;
    form_->LogFileName = dir_ + "/server.log";
    fclose(fopen(form_->LogFileName.c_str(), "wb"));
    form_->Steps[kKindTelnet] = IdleStep;
    AddFakeSession(kKindTelnet, 703, "10.0.0.9");
    form_->OpenLogBatch();
    form_->AddLog("last words");
    form_->CloseNoticeLogBatch();
    ASSERT_FALSE(Logged("last words"));
    form_->ShutdownServer();
    EXPECT_TRUE(Logged("last words"));
    std::string text;
    ASSERT_TRUE(netunit::ReadWholeFile(form_->LogFileName, text));
    EXPECT_TRUE(text.ends_with("] last words\r\n")) << text;
}

TEST_F(SpineTest, SessionPrefixTable) {
    struct Row {
        const char* what;
        int kind;
        int socket;
        const char* user;
        const char* dir;
        const char* with;
        const char* without;
    } rows[] = {
        {"HTTP without user", kKindHttp, 1234, "", "", "[HTTP:1234] ", "[1234] "},
        {"FTP with user and folder", kKindFtp, 88, "bob", "/home", "[FTP:88:bob:/home] ", "[88:bob:/home] "},
        {"Telnet", kKindTelnet, 5, "", "", "[Telnet:5] ", "[5] "},
        {"SMTP with HELO name", kKindSmtp, 7, "mx.example", "", "[SMTP:7:mx.example] ", "[7:mx.example] "},
        {"POP3", kKindPop3, 9, "al", "", "[POP3:9:al] ", "[9:al] "},
        {"unknown kind", 9, 3, "", "", "[3] ", "[3] "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        tsession s;
        s.Kind = r.kind;
        s.Socket = r.socket;
        s.SetUserName(r.user);
        s.CurrentDir = r.dir;
        EXPECT_EQ(Tquillnestform::SessionPrefix(&s, true), r.with);
        EXPECT_EQ(Tquillnestform::SessionPrefix(&s, false), r.without);
    }
}

TEST_F(SpineTest, UserNameAndPasswordAreCutToTwentyCharacters) {
    tsession s;
    s.SetUserName(std::string(25, 'u'));
    s.SetPassword(std::string(21, 'p'));
    EXPECT_EQ(s.UserName.size(), 20u);
    EXPECT_EQ(s.Password.size(), 20u);
    s.SetUserName(std::string(19, 'a') + "\xC3\xA9");  // the 20th character would be cut in half
    EXPECT_EQ(s.UserName, std::string(19, 'a'));
}

TEST_F(SpineTest, SessionsOfOneAddressShareOneAddressNode) {
    tsession* a = AddFakeSession(kKindHttp, 1001, "10.0.0.5");
    tsession* b = AddFakeSession(kKindHttp, 1002, "10.0.0.5");
    forms::TTreeNode* address = a->Node->Parent();
    ASSERT_EQ(address, b->Node->Parent());
    EXPECT_EQ(address->Text(), "10.0.0.5");
    EXPECT_EQ(address->Parent(), form_->HttpRoot);
    EXPECT_EQ(a->Node->Text(), "[1001] Connected...");
    form_->RemoveSessionNode(a);
    ASSERT_EQ(form_->HttpRoot->Count(), 1);
    EXPECT_EQ(form_->HttpRoot->Item(0)->Count(), 1);
    form_->RemoveSessionNode(b);
    EXPECT_EQ(form_->HttpRoot->Count(), 0);
}

TEST_F(SpineTest, TreeRootsAreTakenByPosition) {
    forms::TTreeNode* first = form_->protocoltree->Items()->GetFirstNode();
    std::vector<forms::TTreeNode*> roots;
    for (forms::TTreeNode* n = first; n != nullptr; n = n->GetNextSibling()) roots.push_back(n);
    ASSERT_EQ(roots.size(), 5u);
    EXPECT_EQ(roots[0], form_->HttpRoot);
    EXPECT_EQ(roots[1], form_->FtpRoot);
    EXPECT_EQ(roots[2], form_->SmtpRoot);
    EXPECT_EQ(roots[3], form_->Pop3Root);
    EXPECT_EQ(roots[4], form_->TelnetRoot);
}

// ---- engine

std::vector<int>* g_trace = nullptr;

void TracingStep(Tquillnestform* form, tsession* session, int index) {
    g_trace->push_back(session->Socket);
    // A session marked to go frees itself on its first step.
    if (session->State == kStateClosing) form->CloseSessionStep(session, index);
}

TEST_F(SpineTest, ASessionThatFreesItselfDoesNotLoseTheNextOne) {
    std::vector<int> trace;
    g_trace = &trace;
    form_->Steps[kKindTelnet] = TracingStep;
    AddFakeSession(kKindTelnet, 501, "10.0.0.1")->State = kStateClosing;
    AddFakeSession(kKindTelnet, 502, "10.0.0.2");
    AddFakeSession(kKindTelnet, 503, "10.0.0.3");
    form_->Timer2Timer(form_->Timer2);
    g_trace = nullptr;
    // Pass 1: 501 frees itself, 502 moves into its index and is skipped, 503
    // is stepped; passes 2..10 step 502 and 503 each.
    std::vector<int> expected = {501, 503};
    for (int pass = 2; pass <= 10; ++pass) {
        expected.push_back(502);
        expected.push_back(503);
    }
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(form_->SessionList.size(), 2u);
    EXPECT_TRUE(form_->Timer2->Enabled());
    EXPECT_TRUE(Logged("[Telnet:501] 10.0.0.1 disconnected."));
}

void ThrowingStep(Tquillnestform*, tsession* session, int) {
    if (session->Socket == 601) throw std::runtime_error("step failed");
}

TEST_F(SpineTest, AStepThatThrowsClosesOnlyItsSessionAndTheEngineRunsOn) {
    form_->Steps[kKindHttp] = ThrowingStep;
    tsession* bad = AddFakeSession(kKindHttp, 601, "10.0.0.1");
    tsession* good = AddFakeSession(kKindHttp, 602, "10.0.0.2");
    form_->Timer2->SetEnabled(false);
    form_->Timer2Timer(form_->Timer2);
    EXPECT_EQ(bad->State, kStateClosing);
    EXPECT_EQ(good->State, kStateAccepted);
    EXPECT_TRUE(form_->Timer2->Enabled());
}

TEST_F(SpineTest, AnEmptyTickOnlySwitchesTheEngineTimer) {
    ASSERT_TRUE(form_->SessionList.empty());
    form_->Timer2Timer(form_->Timer2);
    EXPECT_TRUE(form_->Timer2->Enabled());
    EXPECT_TRUE(form_->SessionList.empty());
}

TEST_F(SpineTest, FindSessionBySocket) {
    AddFakeSession(kKindPop3, 701, "10.0.0.1");
    AddFakeSession(kKindPop3, 702, "10.0.0.1");
    EXPECT_EQ(form_->FindSessionBySocket(702), 1);
    EXPECT_EQ(form_->FindSessionBySocket(703), -1);
}

TEST_F(SpineTest, IdleTimerSetsClosingAndRestartKeepsDisabledTimersOff) {
    tsession* s = AddFakeSession(kKindHttp, 801, "10.0.0.1");
    s->IdleTimer = new forms::TTimer(form_);
    s->IdleTimer->SetEnabled(false);
    s->IdleTimer->Tag = 801;
    Tquillnestform::RestartIdleTimer(s);
    EXPECT_FALSE(s->IdleTimer->Enabled());
    s->IdleTimer->SetInterval(30);
    s->IdleTimer->OnTimer = [this](forms::TObject* t) { form_->SessionIdleTimer(t); };
    s->IdleTimer->SetEnabled(true);
    Tquillnestform::RestartIdleTimer(s);
    EXPECT_TRUE(s->IdleTimer->Enabled());
    EXPECT_TRUE(PumpUntil([&] { return s->State == kStateClosing; }, 1000));
}

// ---- listeners and accept

TEST_F(SpineTest, DisabledServicesShowTheirDisabledCaptions) {
    form_->Timer1Timer(form_->Timer1);
    EXPECT_EQ(form_->HttpRoot->Text(), "HTTP (Disabled)");
    EXPECT_EQ(form_->FtpRoot->Text(), "FTP (Disabled)");
    EXPECT_EQ(form_->SmtpRoot->Text(), "SMTP (Disabled)");
    EXPECT_EQ(form_->Pop3Root->Text(), "POP3 (Disabled)");
    EXPECT_EQ(form_->TelnetRoot->Text(), "Telnet (Disabled)");
    EXPECT_EQ(form_->Timer1->Interval(), 2000u);
    EXPECT_TRUE(form_->Timer1->Enabled());
    EXPECT_FALSE(form_->Listeners.Starting);
}

TEST_F(SpineTest, PortTextsThatAreNoPortFailOnceInTheLog) {
    for (const char* text : {"8O", "0", "65536", "-1", ""}) {
        SCOPED_TRACE(text);
        int port = 0;
        EXPECT_FALSE(ParsePortText(text, port));
    }
    int port = 0;
    EXPECT_TRUE(ParsePortText("65535", port));
    EXPECT_EQ(port, 65535);

    form_->webport->SetText("8O");
    form_->webenabled->SetChecked(true);
    form_->Timer1Timer(form_->Timer1);
    form_->Timer1Timer(form_->Timer1);
    EXPECT_EQ(form_->HttpRoot->Text(), "HTTP (Unable to listen)");
    EXPECT_EQ(CountLogged("[HTTP] Unable to listen on port 8O"), 1);
    EXPECT_FALSE(form_->HttpListener.SocketOpen);
}

TEST_F(SpineTest, ListenAcceptAndDisableAService) {
    int port = UnusedPort();
    form_->webport->SetText(std::to_string(port));
    form_->webenabled->SetChecked(true);
    form_->Timer1Timer(form_->Timer1);
    ASSERT_TRUE(form_->HttpListener.Listening);
    EXPECT_TRUE(Logged("[HTTP] Listening."));
    EXPECT_EQ(form_->HttpRoot->Text(), "HTTP (Listening)");
    EXPECT_EQ(form_->infoweb->Caption(), "HTTP: Listening on port " + std::to_string(port) + ".");

    int client = ConnectTo(port);
    ASSERT_GE(client, 0);
    ASSERT_TRUE(PumpUntil([&] { return form_->SessionList.size() == 1; }, 2000));
    tsession* s = form_->SessionList[0];
    EXPECT_EQ(s->Kind, kKindHttp);
    EXPECT_EQ(s->PeerAddress, "127.0.0.1");
    EXPECT_EQ(s->BlockSize, 4096);
    ASSERT_NE(s->IdleTimer, nullptr);
    EXPECT_EQ(s->IdleTimer->Interval(), 120000u);
    EXPECT_TRUE(s->IdleTimer->Enabled());
    EXPECT_EQ(s->IdleTimer->Tag, s->Socket);
    // Logged while the accept's notices were handled: it waits for the engine's run.
    EXPECT_TRUE(PumpUntil([&] { return Logged("[HTTP:" + std::to_string(s->Socket) + "] 127.0.0.1 Connected."); }, 1000));

    // The peer's close ends the session on the engine's next pass.
    close(client);
    ASSERT_TRUE(PumpUntil([&] { return form_->SessionList.empty(); }, 3000));
    EXPECT_TRUE(Logged("127.0.0.1 disconnected."));

    form_->webenabled->SetChecked(false);
    EXPECT_FALSE(form_->HttpListener.Listening);
    EXPECT_FALSE(form_->EnabledHTTP1->Checked());
    EXPECT_TRUE(Logged("[HTTP] Disabled."));
    EXPECT_EQ(form_->infoweb->Caption(), "HTTP: Disabled.");
    EXPECT_LT(ConnectTo(port), 0);
}

TEST_F(SpineTest, ServicesMenuDrivesTheSwitches) {
    form_->EnableAll1->Click();
    for (const ServiceRow& s : form_->Services()) EXPECT_TRUE(s.Switch->Checked()) << s.Name;
    form_->EnabledFTP1->Click();
    EXPECT_FALSE(form_->ftpenabled->Checked());
    EXPECT_FALSE(form_->EnabledFTP1->Checked());
    form_->DisableAll1->Click();
    for (const ServiceRow& s : form_->Services()) EXPECT_FALSE(s.Switch->Checked()) << s.Name;
}

TEST_F(SpineTest, KillButtonAsksAndEndsTheSelectedSession) {
    tsession* s = AddFakeSession(kKindSmtp, 901, "10.0.0.9");
    form_->protocoltree->SetSelected(form_->SmtpRoot);
    form_->protocoltreeClick(form_->protocoltree);
    EXPECT_FALSE(form_->bitbtn2->Enabled());
    form_->protocoltree->SetSelected(s->Node);
    form_->protocoltreeClick(form_->protocoltree);
    EXPECT_TRUE(form_->bitbtn2->Enabled());

    std::string asked;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        asked = r.Text;
        return forms::mrNo;
    });
    form_->BitBtn2Click(form_->bitbtn2);
    EXPECT_EQ(asked, "Are you sure you want to kill this connection?\n\n[901] Connected...");
    EXPECT_EQ(s->State, kStateAccepted);

    // Deselected while the question was open: nothing changes.
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest&) {
        form_->protocoltree->SetSelected(form_->SmtpRoot);
        return forms::mrYes;
    });
    form_->BitBtn2Click(form_->bitbtn2);
    EXPECT_EQ(s->State, kStateAccepted);

    form_->protocoltree->SetSelected(s->Node);
    forms::SetMessageDlgHook([](const forms::TMessageDlgRequest&) { return forms::mrYes; });
    form_->BitBtn2Click(form_->bitbtn2);
    EXPECT_EQ(s->State, kStateClosing);
    EXPECT_FALSE(form_->bitbtn2->Enabled());
}

}  // namespace

namespace {
TEST_F(SpineTest, LogTextsLoseControlCharactersAndAreNeverCutInsideACharacter) {
    form_->AddLog("GET /a\r\n[fake] line\tend");
    std::string last = form_->status->Items()->Strings(form_->status->Items()->Count() - 1);
    EXPECT_TRUE(last.ends_with("] GET /a  [fake] line end")) << last;
    form_->AddLog(std::string(254, 'x') + "\xC3\xA9");
    last = form_->status->Items()->Strings(form_->status->Items()->Count() - 1);
    EXPECT_EQ(last.substr(24), std::string(254, 'x'));
}
}  // namespace

namespace {
TEST_F(SpineTest, ExitAsksBeforeItClosesTheWindow) {
    // The close itself (settings saved, server shut down) is the signal path's
    // too, and is tested end to end; here only the question and the close.
    int closes = 0;
    form_->OnCloseQuery = [&](forms::TObject*, bool& can) {
        can = false;
        ++closes;
    };
    std::string asked;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        asked = r.Text;
        return forms::mrNo;
    });
    form_->Exit1->Click();
    EXPECT_FALSE(asked.empty());
    EXPECT_EQ(closes, 0);

    forms::SetMessageDlgHook([](const forms::TMessageDlgRequest&) { return forms::mrYes; });
    form_->Exit1->Click();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form_->ServerShutDown());
}
}  // namespace
