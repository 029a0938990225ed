#include "widgets/shell/shellverbs.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

#include "widgets/shell/shellfolder.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUriListType = "text/uri-list";
constexpr const char* kCopiedFilesType = "x-special/gnome-copied-files";
constexpr const char* kOpener = "xdg-open";
// How many numbered names the Trash tries before giving up.
constexpr int kTrashNameTries = 10000;

[[noreturn]] void Fail(const std::string& what, const std::string& path, const std::error_code& ec) {
    throw EShellVerbError(what + " \"" + path + "\": " + ec.message());
}

std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

// The .trashinfo of a path: the path percent-encoded as a URI path.
std::string TrashInfo(const std::string& path) {
    const QByteArray encoded = QUrl::toPercentEncoding(QString::fromStdString(path), "/");
    return "[Trash Info]\nPath=" + encoded.toStdString() + "\nDeletionDate=" + NowText() + "\n";
}

// Claims a free name in info/ by creating its .trashinfo exclusively.
std::string ClaimTrashName(const fs::path& info, const std::string& base, const std::string& text) {
    for (int i = 1; i <= kTrashNameTries; ++i) {
        const std::string name = i == 1 ? base : base + "." + std::to_string(i);
        const fs::path p = info / (name + ".trashinfo");
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            Fail("Cannot write to the Trash", p.string(), std::error_code(errno, std::generic_category()));
        }
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        if (!written) {
            ::unlink(p.c_str());
            throw EShellVerbError("Cannot write to the Trash \"" + p.string() + "\"");
        }
        return name;
    }
    throw EShellVerbError("The Trash has no free name for \"" + base + "\"");
}

bool InsideOf(const fs::path& item, const fs::path& folder) {
    auto i = item.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++i)
        if (i == item.end() || *i != *f) return false;
    return true;
}

}  // namespace

void TransferItem(const std::string& from, const std::string& to, bool move) {
    std::error_code ec;
    if (fs::symlink_status(to, ec).type() != fs::file_type::not_found)
        throw EShellVerbError("\"" + to + "\" exists already");
    if (move) {
        if (::rename(from.c_str(), to.c_str()) == 0) return;
        if (errno != EXDEV) Fail("Cannot move", from, std::error_code(errno, std::generic_category()));
    }
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        // Half a copy is no copy: it goes, and the source stays.
        std::error_code ignored;
        fs::remove_all(to, ignored);
        Fail("Cannot copy", from, ec);
    }
    if (move) DeletePermanently(from);
}

std::string MoveToTrash(const std::string& path) {
    const fs::path files = TrashDirectory();
    const fs::path info = files.parent_path() / "info";
    std::error_code ec;
    fs::create_directories(files, ec);
    if (!ec) fs::create_directories(info, ec);
    if (ec) Fail("Cannot make the Trash", files.parent_path().string(), ec);
    const fs::path absolute = fs::absolute(path, ec);
    if (fs::symlink_status(absolute, ec).type() == fs::file_type::not_found)
        throw EShellVerbError("\"" + path + "\" does not exist");
    const std::string name = ClaimTrashName(info, absolute.filename().string(), TrashInfo(absolute.string()));
    try {
        TransferItem(absolute.string(), (files / name).string(), true);
    } catch (...) {
        fs::remove(info / (name + ".trashinfo"), ec);
        throw;
    }
    return name;
}

void DeletePermanently(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) Fail("Cannot delete", path, ec);
}

QMimeData* MakeFileListData(const std::vector<std::string>& paths, bool cut) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QByteArray copied = cut ? "cut" : "copy";
    for (const std::string& p : paths) {
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(p));
        urls << url;
        copied += "\n" + url.toEncoded();
    }
    data->setUrls(urls);
    data->setData(kCopiedFilesType, copied);
    return data;
}

void PutFilesOnClipboard(const std::vector<std::string>& paths, bool cut) {
    QApplication::clipboard()->setMimeData(MakeFileListData(paths, cut));
}

std::vector<std::string> FileListOfData(const QMimeData* data, bool& cut) {
    cut = false;
    std::vector<std::string> paths;
    if (!data) return paths;
    QList<QUrl> urls;
    if (data->hasFormat(kCopiedFilesType)) {
        const QList<QByteArray> lines = data->data(kCopiedFilesType).split('\n');
        cut = !lines.isEmpty() && lines.first().trimmed() == "cut";
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (!lines[i].trimmed().isEmpty()) urls << QUrl::fromEncoded(lines[i].trimmed());
    } else if (data->hasFormat(kUriListType)) {
        urls = data->urls();
    }
    for (const QUrl& url : urls) {
        if (url.scheme() != "file") continue;
        if (!url.host().isEmpty() && url.host().compare("localhost", Qt::CaseInsensitive) != 0) continue;
        const std::string p = url.path().toStdString();
        if (!p.empty() && p[0] == '/') paths.push_back(p);
    }
    return paths;
}

int TransferInto(const std::vector<std::string>& items, const std::string& folder, TTransferKind kind) {
    std::error_code failed;
    const fs::path target = fs::weakly_canonical(folder, failed);
    if (failed) Fail("Cannot put items into", folder, failed);
    int done = 0;
    for (const std::string& item : items) {
        std::error_code ec;
        const fs::path source = fs::weakly_canonical(item, ec);
        if (ec || source.filename().empty()) continue;
        if (InsideOf(target, source)) continue;  // into itself or its own subtree
        const fs::path to = target / source.filename();
        if (fs::symlink_status(to, ec).type() != fs::file_type::not_found) continue;  // never replaces
        if (kind == TTransferKind::Link) {
            fs::create_symlink(source, to, ec);
            if (ec) Fail("Cannot make a link to", source.string(), ec);
        } else {
            TransferItem(source.string(), to.string(), kind == TTransferKind::Move);
        }
        ++done;
    }
    return done;
}

int PasteFiles(const std::string& folder) {
    bool cut = false;
    const std::vector<std::string> items = FileListOfData(QApplication::clipboard()->mimeData(), cut);
    return TransferInto(items, folder, cut ? TTransferKind::Move : TTransferKind::Copy);
}

bool IsInsideOf(const std::string& item, const std::string& folder) {
    fs::path f = fs::path(folder).lexically_normal();
    if (f.filename().empty() && f.has_parent_path() && f != f.root_path()) f = f.parent_path();
    return InsideOf(fs::path(item).lexically_normal(), f);
}

bool InvokeVerb(const std::vector<std::string>& paths, const std::string& verb, bool permanent) {
    const QString v = QString::fromStdString(verb).toLower();
    if (v == "delete") {
        for (const std::string& p : paths) permanent ? DeletePermanently(p) : (void)MoveToTrash(p);
    } else if (v == "copy" || v == "cut") {
        PutFilesOnClipboard(paths, v == "cut");
    } else if (v == "paste") {
        if (paths.size() != 1) return false;
        PasteFiles(paths.front());
    } else {
        return false;
    }
    return true;
}

bool OpenWithDefault(const std::string& path) {
    // An absolute path: the opener never takes the name for an option.
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) return false;
    return QProcess::startDetached(kOpener, {QString::fromStdString(absolute.string())});
}

}  // namespace shell
