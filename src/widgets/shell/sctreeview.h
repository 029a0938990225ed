// The base tree view of the shell folder tree: the class library's tree view
// with a per-node context menu (right button, the menu key and Shift+F10),
// custom-draw events that get a small drawing object with a font and a
// brush, and pictures asked per node when it is drawn.
#pragma once

#include <functional>
#include <memory>

#include <QColor>
#include <QFont>

#include "forms/forms.h"
#include "forms/menus.h"

namespace shell {

// Stage numbers handed to the custom-draw events.
enum TScCustomDrawStage { cdsOther = 0, cdsPrePaint = 1, cdsPostPaint = 2, cdsItemPrePaint = 4, cdsItemPostPaint = 5 };

// The drawing object of one custom-draw notice: Font and Brush start from
// what the node would be drawn with; changing them changes the drawing, and
// SkipDefault leaves the node undrawn (the handler drew it).
class TScCustomDraw {
public:
    TScCustomDraw(forms::TControl* owner, TScCustomDrawStage stage) : owner_(owner), stage_(stage) {}
    forms::TControl* Owner() const { return owner_; }
    TScCustomDrawStage Stage() const { return stage_; }
    QFont Font;
    QColor FontColor;
    QColor BrushColor;  // invalid: the control's own background
    bool SkipDefault = false;

private:
    forms::TControl* owner_;
    TScCustomDrawStage stage_;
};

class TScCustomTreeView;
using TScTvOnNodeContextMenuEvent =
    std::function<void(forms::TObject* Sender, forms::TTreeNode* Node, int& X, int& Y, forms::TPopupMenu*& Menu)>;
using TScTvDrawEvent = std::function<void(TScCustomTreeView* Sender, TScCustomDraw* Draw, forms::TTreeNode* Node)>;

class TScCustomTreeView : public forms::TTreeView {
public:
    explicit TScCustomTreeView(forms::TComponent* AOwner);
    ~TScCustomTreeView() override;

    // The control's own menu, offered to OnNodeContextMenu (may be nullptr).
    forms::TPopupMenu* PopupMenu = nullptr;
    TScTvOnNodeContextMenuEvent OnNodeContextMenu;
    // At item pre-paint only, and at every stage the view draws.
    TScTvDrawEvent OnCustomDrawItem;
    TScTvDrawEvent OnCustomDrawAll;

protected:
    // The keyboard menu: for the selected node at the centre of its text,
    // else the control's menu at its client origin.
    void KeyboardMenu();
    // Asks OnNodeContextMenu for a node's menu at a client position and
    // shows the menu it leaves.
    void NodeMenu(forms::TTreeNode* node, int x, int y);
    // A derived tree's own menu for a node, after OnNodeContextMenu ran;
    // true: it was shown, and the control's menu is not.
    virtual bool NodeContextMenu(forms::TTreeNode* /*node*/, int /*x*/, int /*y*/) { return false; }
    // Draw hooks a derived tree adds to (before the events run).
    virtual void DoCustomDraw(TScCustomDraw* draw, forms::TTreeNode* node);
    void CustomDrawItem(forms::TTreeNode* node, forms::TTreeItemDraw& draw) override;

private:
    void ContextPopup(int x, int y, bool fromKeyboard);
};

}  // namespace shell
