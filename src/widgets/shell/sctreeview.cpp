#include "widgets/shell/sctreeview.h"

#include <QWidget>

namespace shell {

TScCustomTreeView::TScCustomTreeView(forms::TComponent* AOwner) : forms::TTreeView(AOwner) {
    OnContextPopup = [this](forms::TObject*, int x, int y, bool keys) { ContextPopup(x, y, keys); };
}

TScCustomTreeView::~TScCustomTreeView() = default;

void TScCustomTreeView::ContextPopup(int x, int y, bool fromKeyboard) {
    if (fromKeyboard) return KeyboardMenu();
    if (forms::TTreeNode* node = GetNodeAt(x, y)) return NodeMenu(node, x, y);
    if (PopupMenu) {
        const QPoint g = Widget()->mapToGlobal(QPoint(x, y));
        PopupMenu->Popup(g.x(), g.y());
    }
}

void TScCustomTreeView::KeyboardMenu() {
    if (forms::TTreeNode* node = Selected()) {
        int l, t, r, b;
        NodeTextRect(node, l, t, r, b);
        return NodeMenu(node, (l + r) / 2, (t + b) / 2);
    }
    if (PopupMenu) {
        const QPoint g = Widget()->mapToGlobal(QPoint(0, 0));
        PopupMenu->Popup(g.x(), g.y());
    }
}

void TScCustomTreeView::NodeMenu(forms::TTreeNode* node, int x, int y) {
    forms::TPopupMenu* menu = PopupMenu;
    if (OnNodeContextMenu) OnNodeContextMenu(this, node, x, y, menu);
    if (NodeContextMenu(node, x, y)) return;
    if (!menu) return;
    const QPoint g = Widget()->mapToGlobal(QPoint(x, y));
    menu->Popup(g.x(), g.y());
}

void TScCustomTreeView::DoCustomDraw(TScCustomDraw* draw, forms::TTreeNode* node) {
    if (OnCustomDrawAll) OnCustomDrawAll(this, draw, node);
    if (OnCustomDrawItem && draw->Stage() == cdsItemPrePaint) OnCustomDrawItem(this, draw, node);
}

// A node is painted in one pass here: the item pre-paint stage.
void TScCustomTreeView::CustomDrawItem(forms::TTreeNode* node, forms::TTreeItemDraw& item) {
    TScCustomDraw draw(this, cdsItemPrePaint);
    draw.Font = item.Font;
    draw.FontColor = item.TextColor;
    draw.BrushColor = item.BackColor;
    DoCustomDraw(&draw, node);
    item.Font = draw.Font;
    item.TextColor = draw.FontColor;
    item.BackColor = draw.BrushColor;
    item.SkipDefault = draw.SkipDefault;
}

}  // namespace shell
