#include "widgets/shell/sclistview.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "platform/guard.h"

namespace shell {

namespace {

constexpr int kPictureSize = 16;

// Hands the context-menu events of the list and of its viewport to a function.
class ContextFilter : public QObject {
public:
    ContextFilter(QObject* parent, std::function<void(QWidget*, QContextMenuEvent*)> fn)
        : QObject(parent), fn_(std::move(fn)) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::ContextMenu) return false;
        platform::RunGuarded([&] { fn_(static_cast<QWidget*>(watched), static_cast<QContextMenuEvent*>(e)); });
        return true;
    }

private:
    std::function<void(QWidget*, QContextMenuEvent*)> fn_;
};

}  // namespace

// --- rows ---

void TScListItem::SetPictures(int image, int overlay, bool cut) {
    imageIndex_ = image;
    overlayIndex_ = overlay;
    cut_ = cut;
    ShowPictures();
}

void TScListItem::NarrowTextChanged(int column) {
    // The view made the row's widget item anew: it gets the pictures again.
    if (column == 0) ShowPictures();
}

// The picture with its overlay painted over it, faded when cut; the texts
// of a cut row in the palette's disabled colour.
void TScListItem::ShowPictures() {
    auto* view = static_cast<TScCustomListView*>(ListView());
    QIcon icon = view->Images && imageIndex_ >= 0 ? view->Images(imageIndex_) : QIcon();
    const QIcon overlay = view->OverlayImages && overlayIndex_ >= 0 ? view->OverlayImages(overlayIndex_) : QIcon();
    if (!icon.isNull() && (cut_ || !overlay.isNull())) {
        QPixmap pm = icon.pixmap(QSize(kPictureSize, kPictureSize), cut_ ? QIcon::Disabled : QIcon::Normal);
        if (!overlay.isNull()) {
            QPainter p(&pm);
            overlay.paint(&p, pm.rect());
        }
        icon = QIcon(pm);
    }
    Row()->setIcon(0, icon);
    const QBrush text = cut_ ? QBrush(QApplication::palette().color(QPalette::Disabled, QPalette::Text)) : QBrush();
    for (int c = 0; c < view->ColumnCount(); ++c) Row()->setForeground(c, text);
}

// --- drawing and editing ---

// Runs the custom-draw events once for each row painted (when its first
// column is drawn; the other columns take the same font and colours) and
// hands the end of an edit to the view.
class TScCustomListView::Delegate : public QStyledItemDelegate {
public:
    Delegate(TScCustomListView* view, QObject* parent) : QStyledItemDelegate(parent), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        forms::TListItem* item = view_->ItemOf(view_->Tree()->itemFromIndex(index));
        if (!item) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (index.column() == 0 || last_ != item) {
            last_ = item;
            draw_ = std::make_unique<TScCustomDraw>(view_, cdsItemPrePaint);
            draw_->Font = opt.font;
            draw_->FontColor = opt.palette.color(QPalette::Text);
            platform::RunGuarded([&] { view_->DoCustomDraw(draw_.get(), item); });
        }
        if (draw_->SkipDefault) return;
        opt.font = draw_->Font;
        opt.palette.setColor(QPalette::Text, draw_->FontColor);
        opt.palette.setColor(QPalette::HighlightedText, draw_->FontColor);
        if (draw_->BrushColor.isValid()) opt.backgroundBrush = draw_->BrushColor;
        const QWidget* w = opt.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        view_->editing_ = true;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        forms::TListItem* item = view_->ItemOf(view_->Tree()->itemFromIndex(index));
        if (!line || !item) return QStyledItemDelegate::setEditorData(editor, index);
        platform::RunGuarded([&] { line->setText(QString::fromStdString(view_->EditingText(item))); });
        line->selectAll();
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        forms::TListItem* item = view_->ItemOf(view_->Tree()->itemFromIndex(index));
        if (!line || !item) return;
        std::string text = line->text().toStdString();
        platform::RunGuarded([&] {
            if (view_->Edited(item, text)) item->SetCaption(text);
        });
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        QStyledItemDelegate::destroyEditor(editor, index);
        view_->editing_ = false;
        // Not from inside the view's own editor handling: the hook may
        // delete rows.
        QMetaObject::invokeMethod(
            view_->Events(), [view = view_] { platform::RunGuarded([view] { view->EditingEnded(); }); },
            Qt::QueuedConnection);
    }

private:
    TScCustomListView* view_;
    mutable forms::TListItem* last_ = nullptr;
    mutable std::unique_ptr<TScCustomDraw> draw_;
};

// --- the view ---

TScCustomListView::TScCustomListView(forms::TComponent* AOwner) : forms::TListView(AOwner) {
    QTreeWidget* tree = Tree();
    tree->setItemDelegate(new Delegate(this, tree));
    tree->setIconSize(QSize(kPictureSize, kPictureSize));
    auto* filter = new ContextFilter(Events(), [this](QWidget* watched, QContextMenuEvent* e) {
        const QPoint p = watched == Tree() ? e->pos() : Tree()->viewport()->mapTo(Tree(), e->pos());
        ContextPopup(p.x(), p.y(), e->reason() == QContextMenuEvent::Keyboard);
    });
    tree->installEventFilter(filter);
    tree->viewport()->installEventFilter(filter);
}

// The base view's rows and widget outlive this part: the delegate, which
// calls back into it, is taken off first.
TScCustomListView::~TScCustomListView() { Tree()->setItemDelegate(nullptr); }

forms::TListItem* TScCustomListView::CreateItem() { return new TScListItem(this); }

forms::TListItem* TScCustomListView::GetItemAt(int X, int Y) const {
    const QPoint p = Tree()->viewport()->mapFrom(Tree(), QPoint(X, Y));
    return ItemOf(Tree()->itemAt(p));
}

forms::TListItem* TScCustomListView::ItemFocused() const { return ItemOf(Tree()->currentItem()); }

void TScCustomListView::EditCaption(forms::TListItem* item) {
    if (!item || editing_ || !CanEdit(item)) return;
    QTreeWidgetItem* row = Tree()->topLevelItem(item->Index());
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    Tree()->setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
    Tree()->editItem(row, 0);
}

void TScCustomListView::KeyDown(uint16_t& Key, forms::TShiftState Shift) {
    // Shift+F10 asks for the menu as the menu key does.
    if (Key == forms::VK_F10 && Shift == forms::ssShift) {
        Key = 0;
        return KeyboardMenu();
    }
    forms::TListView::KeyDown(Key, Shift);
}

void TScCustomListView::ContextPopup(int x, int y, bool fromKeyboard) {
    if (fromKeyboard) return KeyboardMenu();
    ItemMenu(GetItemAt(x, y), x, y);
}

void TScCustomListView::KeyboardMenu() {
    forms::TListItem* item = ItemFocused();
    if (item && item->Selected()) {
        QTreeWidgetItem* row = Tree()->topLevelItem(item->Index());
        const QRect r = Tree()->visualItemRect(row);
        const QPoint centre = Tree()->viewport()->mapTo(Tree(), r.center());
        return ItemMenu(item, centre.x(), centre.y());
    }
    ItemMenu(nullptr, 0, 0);
}

void TScCustomListView::ItemMenu(forms::TListItem* item, int x, int y) {
    forms::TPopupMenu* menu = PopupMenu;
    if (OnItemContextMenu) OnItemContextMenu(this, item, x, y, menu);
    if (item && ItemContextMenu(item, x, y)) return;
    if (!menu) return;
    const QPoint g = Widget()->mapToGlobal(QPoint(x, y));
    menu->Popup(g.x(), g.y());
}

void TScCustomListView::DoCustomDraw(TScCustomDraw* draw, forms::TListItem* item) {
    if (OnCustomDrawAll) OnCustomDrawAll(this, draw, item);
    if (OnCustomDrawItem && draw->Stage() == cdsItemPrePaint) OnCustomDrawItem(this, draw, item);
}

}  // namespace shell
