// The common controls: tab controls, the report list view and the tree view.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

#include "forms/controls.h"

class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class QPoint;

namespace forms {

// A tab control whose pages are laid out by this layer: every page has the
// notebook's page area as its size, shown or not, so code can place controls
// on any page.
class TTabControlBase : public TWinControl {
public:
    explicit TTabControlBase(TComponent* AOwner);
    ~TTabControlBase() override;
    int PageCount() const { return static_cast<int>(pages_.size()); }

protected:
    void AddPageWidget(TWinControl* page, const std::string& caption);
    void RemovePageWidget(TWinControl* page);
    void SetPageCaption(TWinControl* page, const std::string& caption);
    TWinControl* PageAt(int Index) const { return pages_.at(Index); }
    int IndexOfPage(const TWinControl* page) const;
    int CurrentIndex() const { return current_; }
    // Shows page i (-1 for none) without notifying anyone.
    void ShowPage(int i);
    // A user change of tab: the derived class notifies its handlers.
    virtual void UserChangedPage() = 0;
    void Resized() override;

private:
    void PlacePages();
    QTabBar* bar_;
    std::vector<TWinControl*> pages_;
    int current_ = -1;
};

// One page of a tabbed notebook (unnamed; created by the notebook).
class TTabPage : public TWinControl {
public:
    explicit TTabPage(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);

private:
    std::string caption_;
    friend class TTabbedNotebook;
};

// A notebook whose pages are made from captions. Setting PageIndex in code
// fires nothing; a user change of tab fires OnChange and then OnClick.
class TTabbedNotebook : public TTabControlBase {
public:
    explicit TTabbedNotebook(TComponent* AOwner);
    TTabPage* AddPage(const std::string& caption);
    TTabPage* Page(int Index) const;
    int PageIndex() const { return CurrentIndex(); }
    void SetPageIndex(int i);
    std::string ActivePage() const;
    TNotifyEvent OnChange;
    TNotifyEvent OnClick;

protected:
    void UserChangedPage() override;

private:
    friend class TTabPage;
};

class TPageControl;

// A named sheet of a page control.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pc);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    int PageIndex() const;

private:
    TPageControl* pageControl_ = nullptr;
    std::string caption_;
    friend class TPageControl;
};

// Setting ActivePage/ActivePageIndex in code fires nothing; a user change of
// tab fires OnChange.
class TPageControl : public TTabControlBase {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    TTabSheet* Pages(int Index) const;
    int ActivePageIndex() const { return CurrentIndex(); }
    void SetActivePageIndex(int i);
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* sheet);
    TNotifyEvent OnChange;

protected:
    void UserChangedPage() override;

private:
    friend class TTabSheet;
};

class TListView;
class TListItem;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// The Qt alignment of a text aligned so, vertically centred.
Qt::Alignment QtAlignment(TAlignment a);

// A column of a report list view; its alignment holds for its header and for
// every row's text in it.
class TListColumn {
public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    int Width() const { return width_; }
    void SetWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

private:
    TListView* view_ = nullptr;
    int index_ = 0;
    std::string caption_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    friend class TListView;
};

// A row of a report list view: the caption is the first column, SubItems the
// others in order. Texts are UTF-8; the wide forms convert at the call.
class TListItem {
public:
    virtual ~TListItem();
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    void SetCaption(const std::u16string& c);
    std::u16string WideCaption() const;
    TStrings* SubItems() const { return subItems_.get(); }
    int Index() const;
    bool Selected() const;
    void SetSelected(bool on);
    void Delete();
    TListView* ListView() const { return view_; }
    void* Data = nullptr;

protected:
    explicit TListItem(TListView* view);
    // The text a column shows: the narrow text by default.
    virtual QString ShownText(int column) const;
    // Runs after code changed the narrow caption (column 0) or the narrow
    // sub-items (column -1), before the row shows them.
    virtual void NarrowTextChanged(int /*column*/) {}
    // Shows every column's text again.
    void Redraw();
    QTreeWidgetItem* Row() const { return item_; }

private:
    void SyncSubItems();
    // Gives a column's cell its column's alignment.
    void AlignColumn(int column);
    TListView* view_;
    QTreeWidgetItem* item_;
    std::string caption_;
    std::unique_ptr<TStringList> subItems_;
    friend class TListView;
    friend class TListColumn;
};

// A list view in report style: a header of columns and rows. Setting
// ItemIndex or Selected in code fires nothing; OnClick runs on a user's
// selection change and OnDblClick on a double click of a row.
class TListView : public TControl {
public:
    explicit TListView(TComponent* AOwner);
    ~TListView() override;

    TListColumn* AddColumn(const std::string& caption, int width);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TListColumn* Column(int Index) const { return columns_.at(Index).get(); }

    TListItem* AddItem();
    TListItem* InsertItem(int Index);
    TListItem* Item(int Index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void DeleteItem(int Index);
    void Clear();

    // The first selected row and its index (nullptr, -1: none); a view that
    // shows its rows through a widget of its own answers for that widget.
    virtual TListItem* Selected() const;
    void SetSelected(TListItem* item);
    virtual int ItemIndex() const;
    void SetItemIndex(int i);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool on);
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    // A key pressed in the list; a handler that sets Key to 0 consumes it.
    TKeyEvent OnKeyDown;
    // Shows the header's sort arrow on a column (-1: none).
    void SetSortIndicator(int column, bool descending);

protected:
    // Key handling; the default runs OnKeyDown. Key 0 afterwards: consumed.
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    // A click on a column's header.
    virtual void ColumnClick(int /*column*/) {}
    // Makes the object of a new row; a derived view makes its own kind.
    virtual TListItem* CreateItem();
    // Puts the rows in the given order (a permutation of the current rows);
    // the selection stays with its rows.
    void ArrangeItems(const std::vector<TListItem*>& order);
    // Builds the view's rows anew from the narrow texts, as when the window
    // is re-created; the hooks run before and after.
    void RecreateWnd();
    virtual void DestroyWnd() {}
    virtual void CreateWnd() {}
    QTreeWidget* Tree() const { return tree_; }
    TListItem* ItemOf(QTreeWidgetItem* it) const;

private:
    QTreeWidget* tree_;
    std::vector<std::unique_ptr<TListColumn>> columns_;
    std::vector<std::unique_ptr<TListItem>> items_;
    bool rowSelect_ = true;
    bool readOnly_ = true;
    bool multiSelect_ = false;
    int quiet_ = 0;
    friend class TListItem;
    friend class TListColumn;
};

class TTreeView;
class TTreeNodes;

// A node of a tree view. Deleting a node deletes the nodes under it; a
// pointer to a deleted node must not be used again.
class TTreeNode {
public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& t);
    TTreeNode* Parent() const;
    TTreeNode* getFirstChild() const;
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    int Count() const;
    TTreeNode* Item(int Index) const;
    int Index() const;
    int Level() const;
    // The has-children mark: the node offers an expand button before its
    // children are made (children added in code set it, as removing the
    // last one does not clear it).
    bool HasChildren() const;
    void SetHasChildren(bool on);
    bool Expanded() const;
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool on);
    void Delete();
    void DeleteChildren();
    // Scrolls the tree so the node is in view, expanding its parents.
    void MakeVisible();
    TTreeView* TreeView() const { return view_; }
    void* Data = nullptr;

    // Pictures from the tree's Images: the normal and the selected index
    // (-1 none), and an overlay drawn over the picture (-1 none).
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int i);
    int OverlayIndex() const { return overlayIndex_; }
    void SetOverlayIndex(int i);
    // A cut node is drawn ghosted: picture and text faded.
    bool Cut() const { return cut_; }
    void SetCut(bool on);

private:
    TTreeNode(TTreeView* view, QTreeWidgetItem* item) : view_(view), item_(item) {}
    void Repaint();
    TTreeView* view_;
    QTreeWidgetItem* item_;
    std::string text_;
    int imageIndex_ = -1;
    int selectedIndex_ = -1;
    int overlayIndex_ = -1;
    bool cut_ = false;
    friend class TTreeNodes;
    friend class TTreeView;
};

// The node collection of a tree view.
class TTreeNodes {
public:
    // Adds a node as the last sibling of Sibling (at the top level when
    // Sibling is nullptr).
    TTreeNode* Add(TTreeNode* Sibling, const std::string& text);
    // Adds a node as the last child of Parent (top level when nullptr).
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& text);
    TTreeNode* GetFirstNode() const;
    // All nodes of the tree.
    int Count() const { return static_cast<int>(nodes_.size()); }
    void Delete(TTreeNode* node);
    void Clear();
    // Node updates: while suspended (nesting), nothing is repainted.
    void BeginUpdate();
    void EndUpdate();

private:
    explicit TTreeNodes(TTreeView* view) : view_(view) {}
    TTreeNode* NodeOf(QTreeWidgetItem* it) const;
    void Forget(QTreeWidgetItem* it);
    int updating_ = 0;
    TTreeView* view_;
    std::map<QTreeWidgetItem*, std::unique_ptr<TTreeNode>> nodes_;
    friend class TTreeView;
    friend class TTreeNode;
};

using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
// Orders two nodes: negative, zero or positive.
using TTVCompare = std::function<int(TTreeNode* a, TTreeNode* b)>;
// The pictures of a tree by index (a null icon for an unknown index).
using TTreeImages = std::function<QIcon(int Index)>;

// How one node is drawn, handed to TTreeView::CustomDrawItem before the node
// is painted: the font and colours may be changed, or the default drawing
// skipped (the hook then painted the node itself).
struct TTreeItemDraw {
    QFont Font;
    QColor TextColor;
    QColor BackColor;  // invalid: the view's own background
    bool SkipDefault = false;
};

// A tree view. OnClick runs on a user's mouse click in the tree (after the
// selection moved); OnChange runs whenever the selected node changes, from
// code or user. Expanding a node, by the user or in code, first asks
// CanExpand (OnExpanding), which may make the node's children or refuse.
class TTreeView : public TControl {
public:
    explicit TTreeView(TComponent* AOwner);
    ~TTreeView() override;
    TTreeNodes* Items() const { return nodes_.get(); }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool on);
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool on);
    int Indent() const;
    void SetIndent(int pixels);
    // The node at a point of the control's client area; nullptr for none.
    TTreeNode* GetNodeAt(int X, int Y) const;
    // The node's text rectangle in client co-ordinates (empty when hidden).
    void NodeTextRect(TTreeNode* node, int& l, int& t, int& r, int& b) const;
    // Sorts a node's children (the top level for nullptr); the selection
    // stays with its node.
    void CustomSort(TTreeNode* parent, const TTVCompare& compare);
    // Pictures for ImageIndex and SelectedIndex, and for OverlayIndex.
    TTreeImages Images;
    TTreeImages OverlayImages;
    TNotifyEvent OnClick;
    TNotifyEvent OnChange;
    TTVExpandingEvent OnExpanding;
    TTVChangedEvent OnDeletion;
    // A press of the right button, or the menu key, or Shift+F10:
    // X and Y are client co-ordinates; FromKeyboard for the keys.
    std::function<void(TObject* Sender, int X, int Y, bool FromKeyboard)> OnContextPopup;
    // A key pressed in the tree; a handler that sets Key to 0 consumes it.
    TKeyEvent OnKeyDown;
    // Starts editing a node's text in place when CanEdit allows it.
    void EditText(TTreeNode* node);
    bool IsEditing() const;

protected:
    // Key handling; the default runs OnKeyDown. Key 0 afterwards: consumed.
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    // Whether a node's text may be edited; the default: not ReadOnly.
    virtual bool CanEdit(TTreeNode* node);
    // The edited text of a node; true keeps it as the node's text.
    virtual bool Edited(TTreeNode* /*node*/, std::string& /*text*/) { return true; }
    // Whether a node may expand now; the default asks OnExpanding.
    virtual bool CanExpand(TTreeNode* node);
    // Runs for each node about to go (children first), before it is freed.
    virtual void Deleting(TTreeNode* node);
    // Runs before a node is painted the first time and whenever it is
    // painted: a derived view may set its picture indexes late.
    virtual void GetImageIndex(TTreeNode* /*node*/) {}
    virtual void CustomDrawItem(TTreeNode* /*node*/, TTreeItemDraw& /*draw*/) {}
    // Runs after the selection moved (before OnChange, the base calls OnChange).
    virtual void Change(TTreeNode* node);
    // True while code changes the tree (CustomSort keeps its selection).
    bool Quiet() const { return quiet_ > 0; }
    QTreeWidget* Tree() const { return tree_; }
    TTreeNode* NodeOf(QTreeWidgetItem* it) const;

private:
    class Delegate;
    class Item;
    void ItemExpanded(QTreeWidgetItem* it);
    QTreeWidget* tree_;
    std::unique_ptr<TTreeNodes> nodes_;
    TTVCompare sorting_;
    bool readOnly_ = true;
    bool hideSelection_ = true;
    bool showRoot_ = true;
    int quiet_ = 0;
    friend class TTreeNodes;
    friend class TTreeNode;
};

}  // namespace forms
