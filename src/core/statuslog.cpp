// The status log (window list and optional log file) and the connections tree.
#include <ctime>
#include <string>

#include "core/textcut.h"
#include "forms/forms.h"
#include "netunit/textfile.h"
#include "ui/quillnestform.h"

namespace {
constexpr size_t kLogTextMax = 255;     // characters of a log text that are kept
constexpr int kLogWindowLines = 500;    // the window keeps at most one line more

// "[mm/dd/yyyy - hh:nn:ss] " in local time.
std::string LogTimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "[%m/%d/%Y - %H:%M:%S] ", &local);
    return buf;
}
}  // namespace

void Tquillnestform::AddLog(const std::string& Text) {
    // A control character in a logged text (a decoded CR LF in a request path,
    // say) must not forge a line of its own.
    std::string text = CutToCapacity(Text, kLogTextMax);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    if (status->Items()->Count() > kLogWindowLines) status->Items()->Delete(0);
    status->Items()->Add(LogTimeStamp() + text);
    if (lockbottom->Checked()) status->SetItemIndex(status->Items()->Count() - 1);
    if (LogToFile) {
        // Opened and closed for every line, so that a crash loses nothing logged.
        netunit::TTextFile file;
        if (netunit::TextAppend(file, LogFileName)) {
            netunit::TextWriteLine(file, LogTimeStamp() + text);
            netunit::TextClose(file);
        }
    }
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
