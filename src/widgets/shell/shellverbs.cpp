#include "widgets/shell/shellverbs.h"

#include <filesystem>
#include <system_error>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "forms/dialogs.h"
#include "netunit/shellopen.h"
#include "platform/mainthread.h"
#include "widgets/shell/fileuri.h"
#include "widgets/shell/transferjob.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUriListType = "text/uri-list";
constexpr const char* kCopiedFilesType = "x-special/gnome-copied-files";
// A message lists at most this many items; the rest are counted.
constexpr size_t kProblemsShown = 10;

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

std::string_view View(const QByteArray& b) { return std::string_view(b.constData(), static_cast<size_t>(b.size())); }

}  // namespace

QMimeData* MakeFileListData(const std::vector<std::string>& paths, bool cut) {
    auto* data = new QMimeData;
    std::string copied = cut ? "cut" : "copy";
    for (const std::string& p : paths) copied += "\n" + FileUriOf(p);
    data->setData(kUriListType, Bytes(UriListText(paths)));
    data->setData(kCopiedFilesType, Bytes(copied));
    return data;
}

void PutFilesOnClipboard(const std::vector<std::string>& paths, bool cut) {
    QApplication::clipboard()->setMimeData(MakeFileListData(paths, cut));
}

std::vector<std::string> FileListOfData(const QMimeData* data, bool& cut) {
    cut = false;
    if (!data) return {};
    if (data->hasFormat(kCopiedFilesType)) {
        const QByteArray list = data->data(kCopiedFilesType);
        const qsizetype firstEnd = list.indexOf('\n');
        cut = list.left(firstEnd < 0 ? list.size() : firstEnd).trimmed() == "cut";
        if (firstEnd < 0) return {};
        return PathsOfUriList(View(list).substr(static_cast<size_t>(firstEnd) + 1));
    }
    if (data->hasFormat(kUriListType)) return PathsOfUriList(View(data->data(kUriListType)));
    return {};
}

TTransferReport PasteFiles(const std::string& folder) {
    bool cut = false;
    const std::vector<std::string> items = FileListOfData(QApplication::clipboard()->mimeData(), cut);
    return TransferWhileServing(items, folder, cut ? TTransferKind::Move : TTransferKind::Copy);
}

void TellProblems(const std::vector<std::string>& problems) {
    // A transfer stopped by the program's end has nobody left to tell.
    if (problems.empty() || platform::ShuttingDown()) return;
    std::string text = problems.size() == 1 ? std::string() : "Some items were not done:\n\n";
    for (size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) text += (i ? "\n" : "") + problems[i];
    if (problems.size() > kProblemsShown)
        text += "\n... and " + std::to_string(problems.size() - kProblemsShown) + " more.";
    forms::MessageDlg(text, forms::mtError, forms::mbOK);
}

bool InvokeVerb(const std::vector<std::string>& paths, const std::string& verb, bool permanent) {
    const QString v = QString::fromStdString(verb).toLower();
    std::vector<std::string> problems;
    if (v == "delete" && !permanent) {
        problems = TrashWhileServing(paths).Problems;
    } else if (v == "delete") {
        for (const std::string& p : paths) {
            try {
                DeletePermanently(p);
            } catch (const EShellVerbError& e) {
                problems.push_back(e.what());
            }
        }
    } else if (v == "copy" || v == "cut") {
        PutFilesOnClipboard(paths, v == "cut");
    } else if (v == "paste") {
        if (paths.size() != 1) return false;
        try {
            problems = PasteFiles(paths.front()).Problems;
        } catch (const EShellVerbError& e) {
            problems.push_back(e.what());
        }
    } else {
        return false;
    }
    TellProblems(problems);
    return true;
}

bool OpenWithDefault(const std::string& path) {
    // An absolute path: the opener never takes the name for an option.
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) return false;
    return netunit::StartShellOpen(absolute.string());
}

}  // namespace shell
