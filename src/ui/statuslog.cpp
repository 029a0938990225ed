// The status log (window list and optional log file) and the connections tree.
#include <ctime>
#include <string>
#include <utility>

#include "core/textcut.h"
#include "forms/forms.h"
#include "netunit/textfile.h"
#include "ui/quillnestform.h"

namespace {
constexpr size_t kLogTextMax = 255;     // characters of a log text that are kept
constexpr int kLogWindowLines = 500;    // the window keeps at most one line more

// "[mm/dd/yyyy - hh:nn:ss] " in local time, formatted once a second.
const std::string& LogTimeStamp() {
    thread_local std::time_t formatted = -1;
    thread_local std::string stamp;
    const std::time_t now = std::time(nullptr);
    if (now != formatted) {
        std::tm local{};
        localtime_r(&now, &local);
        char buf[32];
        std::strftime(buf, sizeof buf, "[%m/%d/%Y - %H:%M:%S] ", &local);
        stamp = buf;
        formatted = now;
    }
    return stamp;
}
}  // namespace

void Tquillnestform::AddLog(const std::string& Text) {
    // A control character in a logged text (a decoded CR LF in a request path,
    // say) must not forge a line of its own.
    const std::string& stamp = LogTimeStamp();
    const size_t stampLength = stamp.size();
    const size_t kept = CapacityCutLength(Text, kLogTextMax);
    std::string line;
    line.reserve(stampLength + kept);
    line += stamp;
    line.append(Text, 0, kept);
    for (size_t i = stampLength; i < line.size(); ++i)
        if (static_cast<unsigned char>(line[i]) < 0x20 || line[i] == 0x7F) line[i] = ' ';
    PendingLog.push_back(std::move(line));
    if (LogBatchDepth == 0) FlushLog();
}

void Tquillnestform::FlushLog() {
    if (PendingLog.empty()) return;
    std::vector<std::string> lines;
    lines.swap(PendingLog);
    // The file stays open between batches; each batch is one write, so a
    // crash loses nothing already flushed. It is written first so that the
    // window can take the lines over without copying them.
    // The log names users, addresses and what peers sent: it is the owner's alone.
    if (LogToFile)
        netunit::HeldAppendLines(LogFile, LogFileName, lines, netunit::FileAccess::Private);
    else
        netunit::HeldClose(LogFile);
    status->AddTrimmed(std::move(lines), kLogWindowLines + 1);
    if (lockbottom->Checked()) status->SetItemIndex(status->Items()->Count() - 1);
}

void Tquillnestform::CloseNoticeLogBatch() {
    // While sessions exist the engine runs within a tick and writes these
    // lines with its own; one write instead of two, in the same order.
    if (--LogBatchDepth == 0 && !(Timer2->Enabled() && !SessionList.empty())) FlushLog();
}

void Tquillnestform::CloseLogFile() {
    FlushLog();
    netunit::HeldClose(LogFile);
}

void Tquillnestform::AddSessionNode(tsession* Session) {
    forms::TTreeNode* root = nullptr;
    switch (Session->Kind) {
        case kKindHttp: root = HttpRoot; break;
        case kKindFtp: root = FtpRoot; break;
        case kKindSmtp: root = SmtpRoot; break;
        case kKindPop3: root = Pop3Root; break;
        case kKindTelnet: root = TelnetRoot; break;
        default: return;
    }
    if (root == nullptr) return;
    forms::TTreeNode* address = nullptr;
    for (forms::TTreeNode* child = root->getFirstChild(); child != nullptr; child = child->GetNextSibling())
        if (child->Text() == Session->PeerAddress) address = child;
    if (address == nullptr) address = protocoltree->Items()->AddChild(root, Session->PeerAddress);
    Session->Node = protocoltree->Items()->AddChild(address, SessionPrefix(Session, false) + "Connected...");
}

void Tquillnestform::RemoveSessionNode(tsession* Session) {
    forms::TTreeNode* node = Session->Node;
    if (node == nullptr) return;
    Session->Node = nullptr;
    forms::TTreeNode* address = node->Parent();
    if (address != nullptr && address->Count() == 1)
        address->Delete();
    else
        node->Delete();
}
