#include "widgets/shell/listdetails.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "widgets/shell/shellstrings.h"

namespace shell {

const char* const kListColumnTitles[lcCount] = {"Name", "Size", "Type", "Modified"};

namespace {

constexpr int64_t kKilobyte = 1024;

std::string Upper(const std::string& s) { return QString::fromStdString(s).toUpper().toStdString(); }

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Sign(int64_t d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

}  // namespace

TScItemDetails ItemDetails(const std::string& path) {
    TScItemDetails d;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return d;
    d.Exists = true;
    d.IsFolder = S_ISDIR(st.st_mode);
    d.Size = d.IsFolder ? 0 : static_cast<int64_t>(st.st_size);
    d.Modified = st.st_mtime != 0 ? static_cast<int64_t>(st.st_mtime) : static_cast<int64_t>(st.st_ctime);
    return d;
}

std::u16string ListSizeText(int64_t size) {
    const int64_t kb = size / kKilobyte + (size % kKilobyte != 0 ? 1 : 0);
    const std::string n = std::to_string(kb);
    std::u16string grouped;
    WideAddThousandSeparators(std::u16string(n.begin(), n.end()), grouped);
    return grouped + u"KB";
}

std::u16string FileTypeName(const std::string& path, bool isFolder) {
    if (isFolder) return u"Folder";
    const std::string name = BaseName(path);
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : Upper(name.substr(dot + 1));
    return QString::fromStdString(ext).toStdU16String() + u" File";
}

std::u16string ListDateText(int64_t secondsSinceEpoch) {
    if (secondsSinceEpoch == 0) return {};
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toLocalTime();
    const QLocale locale;
    return (locale.toString(local.date(), QLocale::ShortFormat) + u' ' +
            locale.toString(local.time(), QLocale::ShortFormat))
        .toStdU16String();
}

std::u16string DetailText(int column, const std::string& path, const TScItemDetails& details) {
    switch (column) {
        case lcName: return QString::fromStdString(BaseName(path)).toStdU16String();
        case lcSize: return details.IsFolder || !details.Exists ? std::u16string() : ListSizeText(details.Size);
        case lcType: return FileTypeName(path, details.IsFolder);
        case lcModified: return ListDateText(details.Modified);
        default: return {};
    }
}

int CompareDetails(int column, const std::string& pathA, const std::string& pathB) {
    const TScItemDetails a = ItemDetails(pathA), b = ItemDetails(pathB);
    if (a.IsFolder != b.IsFolder) return a.IsFolder ? -1 : 1;
    switch (column) {
        case lcSize: return Sign(a.Size - b.Size);
        case lcType:
            return QString::fromStdU16String(FileTypeName(pathA, a.IsFolder))
                .compare(QString::fromStdU16String(FileTypeName(pathB, b.IsFolder)), Qt::CaseInsensitive);
        case lcModified: return Sign(a.Modified - b.Modified);
        default: return 0;
    }
}

TScFileMask::TScFileMask(const std::string& mask) {
    for (const QString& p : QString::fromStdString(mask).split(u';', Qt::SkipEmptyParts)) {
        const std::string pattern = p.trimmed().toStdString();
        if (pattern.empty()) continue;
        if (pattern == "*" || pattern == "*.*") return;  // every item
        patterns_.push_back(pattern);
    }
    all_ = patterns_.empty();
}

void TScFileMask::SetupFilter(const std::string& folder) {
    names_.clear();
    if (all_) return;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        for (const std::string& pattern : patterns_) {
            // Names are single path parts: a pattern with "/" names none.
            if (pattern.find('/') != std::string::npos) continue;
            if (::fnmatch(Upper(pattern).c_str(), Upper(name).c_str(), 0) == 0) {
                names_.insert(Upper(name));
                break;
            }
        }
    }
    ::closedir(dir);
}

bool TScFileMask::MatchesFilter(const std::string& name, bool isFolder) const {
    if (all_ || isFolder) return true;
    return names_.count(Upper(name)) != 0;
}

}  // namespace shell
