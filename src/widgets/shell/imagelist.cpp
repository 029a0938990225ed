#include "widgets/shell/imagelist.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

#include <map>
#include <vector>

#include "widgets/shell/pidl.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/mounttable.h"

namespace shell {

namespace {

// The icons of the table, by index; both sizes share them.
enum TIconIndex { iiFolder, iiFolderOpen, iiFile, iiDesktop, iiHome, iiComputer, iiTrash, iiDrive, iiNetwork,
                  iiCount };

QIcon MakeIcon(int index) {
    QFileIconProvider provider;
    QStyle* style = QApplication::style();
    switch (index) {
    case iiFolder: return provider.icon(QFileIconProvider::Folder);
    case iiFolderOpen: return style ? style->standardIcon(QStyle::SP_DirOpenIcon) : QIcon();
    case iiFile: return provider.icon(QFileIconProvider::File);
    case iiDesktop: return provider.icon(QFileIconProvider::Desktop);
    case iiHome: return style ? style->standardIcon(QStyle::SP_DirHomeIcon) : QIcon();
    case iiComputer: return provider.icon(QFileIconProvider::Computer);
    case iiTrash: return provider.icon(QFileIconProvider::Trashcan);
    case iiDrive: return provider.icon(QFileIconProvider::Drive);
    case iiNetwork: return provider.icon(QFileIconProvider::Network);
    default: return {};
    }
}

// A small arrow in a white box at the lower left, as link overlays are drawn.
QIcon LinkOverlay(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const int s = size / 2;
    const QRect box(0, size - s, s, s);
    p.fillRect(box, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawLine(box.left() + 2, box.bottom() - 2, box.right() - 2, box.top() + 2);
    p.drawLine(box.right() - 2, box.top() + 2, box.right() - s / 2, box.top() + 2);
    p.drawLine(box.right() - 2, box.top() + 2, box.right() - 2, box.top() + s / 2);
    return QIcon(pm);
}

// The icons of file types, added as types are met: a file's type is told
// by its name alone (nothing is read), its icon is the theme's for the type,
// else the theme's for the type's family, else the plain file icon.
struct TTypeIcons {
    std::map<QString, int> byName;  // theme icon name -> index
    std::vector<QString> names;     // index - iiCount -> theme icon name
    std::vector<QString> generic;   // the family's icon name
};

TTypeIcons& TypeIcons() {
    static TTypeIcons types;
    return types;
}

int FileTypeIconIndex(const std::string& name) {
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(QString::fromStdString(name), QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault()) return iiFile;
    TTypeIcons& types = TypeIcons();
    const auto [at, added] = types.byName.emplace(type.iconName(), iiCount + static_cast<int>(types.names.size()));
    if (added) {
        types.names.push_back(type.iconName());
        types.generic.push_back(type.genericIconName());
    }
    return at->second;
}

}  // namespace

int TSystemImageList::Count() const { return iiCount + static_cast<int>(TypeIcons().names.size()); }

QIcon TSystemImageList::Icon(int index) const {
    static QIcon icons[iiCount];
    static std::map<int, QIcon> typeIcons;
    if (index < 0 || index >= Count()) return {};
    if (index >= iiCount) {
        QIcon& icon = typeIcons[index];
        if (icon.isNull()) {
            const TTypeIcons& types = TypeIcons();
            const size_t i = static_cast<size_t>(index - iiCount);
            icon = QIcon::fromTheme(types.names[i], QIcon::fromTheme(types.generic[i], Icon(iiFile)));
        }
        return icon;
    }
    if (icons[index].isNull()) icons[index] = MakeIcon(index);
    return icons[index];
}

QIcon TSystemImageList::Overlay(int index) const {
    if (index != 2) return {};  // no shares here, so no share overlay
    static QIcon small = LinkOverlay(16), large = LinkOverlay(32);
    return size_ == 16 ? small : large;
}

TSystemImageList* SystemImageList(TScImageSize size) {
    static TSystemImageList small(16), large(32);
    return size == isSmall ? &small : &large;
}

int PidlIconIndex(PCItemIDList list, uint32_t flags) {
    if (!list) return -1;
    PCItemIDList last = nullptr;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) last = p;
    const bool open = flags & SHGFI_OPENICON;
    if (!last) return iiDesktop;
    switch (ItemKind(last)) {
    case skHome: return iiHome;
    case skComputer: return iiComputer;
    case skTrash: return iiTrash;
    case skMount: return DriveTypeOfPath(ItemName(last)) == DRIVE_REMOTE ? iiNetwork : iiDrive;
    case skFile: return FileTypeIconIndex(ItemName(last));
    default: return open ? iiFolderOpen : iiFolder;
    }
}

}  // namespace shell
