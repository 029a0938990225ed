// The base list view of the shell folder list: the class library's list
// view with a per-row context menu (right button, the menu key and
// Shift+F10), custom-draw events with the tree's drawing object, a picture
// per row (with an overlay, ghosted when cut) and editing a row's caption in
// place. The header's sort arrow is Qt's own.
#pragma once

#include <functional>
#include <string>

#include "forms/comctrls.h"
#include "forms/menus.h"
#include "widgets/shell/sctreeview.h"

namespace shell {

class TScCustomListView;

// A row with its pictures: indexes into the view's Images and
// OverlayImages (-1 none).
class TScListItem : public forms::TListItem {
public:
    int ImageIndex() const { return imageIndex_; }
    int OverlayIndex() const { return overlayIndex_; }
    bool Cut() const { return cut_; }
    void SetPictures(int image, int overlay, bool cut);

protected:
    void NarrowTextChanged(int column) override;

private:
    friend class TScCustomListView;
    explicit TScListItem(forms::TListView* view) : forms::TListItem(view) {}
    void ShowPictures();
    int imageIndex_ = -1;
    int overlayIndex_ = -1;
    bool cut_ = false;
};

// Item is nullptr for a click beside the rows.
using TScLvOnItemContextMenuEvent =
    std::function<void(forms::TObject* Sender, forms::TListItem* Item, int& X, int& Y, forms::TPopupMenu*& Menu)>;
using TScLvDrawEvent = std::function<void(TScCustomListView* Sender, TScCustomDraw* Draw, forms::TListItem* Item)>;

class TScCustomListView : public forms::TListView {
public:
    explicit TScCustomListView(forms::TComponent* AOwner);
    ~TScCustomListView() override;

    forms::TPopupMenu* PopupMenu = nullptr;
    TScLvOnItemContextMenuEvent OnItemContextMenu;
    // At item pre-paint only, and at every stage the view draws.
    TScLvDrawEvent OnCustomDrawItem;
    TScLvDrawEvent OnCustomDrawAll;
    forms::TTreeImages Images;
    forms::TTreeImages OverlayImages;

    TScListItem* ListItem(int index) const { return static_cast<TScListItem*>(Item(index)); }
    // The row at a client point, nullptr for none.
    forms::TListItem* GetItemAt(int X, int Y) const;
    // The focused row (Qt's current item), nullptr for none.
    forms::TListItem* ItemFocused() const;
    // Starts editing a row's caption when CanEdit allows it.
    void EditCaption(forms::TListItem* item);
    bool IsEditing() const { return editing_; }

protected:
    forms::TListItem* CreateItem() override;
    void KeyDown(uint16_t& Key, forms::TShiftState Shift) override;
    // The keyboard menu: for the focused row at the centre of its caption,
    // else the control's menu at its client origin.
    void KeyboardMenu();
    void ItemMenu(forms::TListItem* item, int x, int y);
    // A derived list's own menu for a row, after OnItemContextMenu ran;
    // true: it was shown, and the control's menu is not.
    virtual bool ItemContextMenu(forms::TListItem* /*item*/, int /*x*/, int /*y*/) { return false; }
    virtual bool CanEdit(forms::TListItem* /*item*/) { return !ReadOnly(); }
    // The text the editor starts with.
    virtual std::string EditingText(forms::TListItem* item) { return item->Caption(); }
    // The edited text of a row; true keeps it as the row's caption.
    virtual bool Edited(forms::TListItem* /*item*/, std::string& /*text*/) { return true; }
    // Runs once the editor has gone, kept or cancelled.
    virtual void EditingEnded() {}
    virtual void DoCustomDraw(TScCustomDraw* draw, forms::TListItem* item);

private:
    class Delegate;
    void ContextPopup(int x, int y, bool fromKeyboard);
    bool editing_ = false;
};

}  // namespace shell
