// The report list view that keeps every caption, sub-item and column title
// as 16-bit text beside the 8-bit copy the base list view keeps.
//
// Code that knows only the base view (it sets the 8-bit caption and adds to
// the 8-bit sub-item list) still works: its text is widened into the wide
// copy as the row is told of the change, and the row shows the wide copy.
// Text set through the wide setters is kept as it is; the 8-bit copy is its
// UTF-8 form, and an 8-bit text that is no valid UTF-8 (an old record's
// byte E9) stays byte for byte in the 8-bit copy.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/comctrls.h"
#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicontrols.h"

namespace uni {

class TUniCustomListView;
class TUniListItem;

// The wide sub-items of one row. Changes are mirrored into the row's 8-bit
// sub-item list (UTF-8 forms) unless IgnoreNarrow is set.
class TWideSubItems : public TUniStringList {
public:
    explicit TWideSubItems(TUniListItem& Row) : row_(Row) {}
    int AddObject(const std::u16string& S, forms::TObject* Object) override;
    void Clear() override;
    void Delete(int Index) override;
    void InsertObject(int Index, const std::u16string& S, forms::TObject* Object) override;
    void Put(int Index, const std::u16string& S) override;
    void SetUpdateState(bool Updating) override;
    bool IgnoreNarrow = false;

private:
    TUniListItem& row_;
};

class TUniListItem : public forms::TListItem {
public:
    ~TUniListItem() override;
    using forms::TListItem::SetCaption;
    // The wide caption, first brought in step with an 8-bit caption set on
    // its own.
    std::u16string GetCaption() const;
    void SetCaption(const std::u16string& Value);
    TWideSubItems& WideSubItems() const { return *wideSubItems_; }
    // Copies wide caption, data and wide sub-items of another row.
    void Assign(const TUniListItem& Source);
    TUniCustomListView* UniListView() const;

protected:
    explicit TUniListItem(TUniCustomListView* View);
    QString ShownText(int column) const override;
    void NarrowTextChanged(int column) override;

private:
    // Brings the wide sub-items in step with the 8-bit ones.
    void WidenSubItems();
    mutable std::u16string wideCaption_;
    std::unique_ptr<TWideSubItems> wideSubItems_;
    friend class TUniCustomListView;
    friend class TWideSubItems;
};

// The rows of a view, typed.
class TUniListItems {
public:
    explicit TUniListItems(TUniCustomListView& View) : view_(View) {}
    TUniListItem* Add();
    TUniListItem* Insert(int Index);
    TUniListItem* GetItem(int Index) const;
    TUniListItem* operator[](int Index) const { return GetItem(Index); }
    int Count() const;
    void Clear();
    void Delete(int Index);

private:
    TUniCustomListView& view_;
};

// A column with a wide title beside the base column's 8-bit title.
class TUniListColumn {
public:
    TUniListColumn(TUniCustomListView& View, forms::TListColumn* Column, int Index)
        : view_(View), column_(Column), index_(Index) {}
    std::u16string GetCaption() const;
    void SetCaption(const std::u16string& Value);
    forms::TListColumn* Base() const { return column_; }
    int Index() const { return index_; }

private:
    TUniCustomListView& view_;
    forms::TListColumn* column_;
    int index_;
    mutable std::u16string wideCaption_;
};

// A row's texts while the view's rows are rebuilt.
struct TSavedListItem {
    std::u16string Caption;
    TUniStringList SubItems;
};

using TUniLVEditedEvent = std::function<void(forms::TObject* Sender, TUniListItem* Item, std::u16string& S)>;
using TUniLVCompareEvent =
    std::function<void(forms::TObject* Sender, TUniListItem* Item1, TUniListItem* Item2, intptr_t Data, int& Compare)>;
// May make the object of a new row; it must be a TUniListItem.
using TUniLVCreateItemEvent = std::function<forms::TListItem*(TUniCustomListView* Sender)>;

class TUniCustomListView : public forms::TListView, public IWideCustomListControl {
public:
    explicit TUniCustomListView(forms::TComponent* AOwner);
    ~TUniCustomListView() override;

    TUniListItems& Items() { return items_; }
    const TUniListItems& Items() const { return items_; }
    TUniListItem* GetSelected() const;
    TUniListColumn* AddColumn(const std::u16string& Caption, int Width);
    TUniListColumn* AddColumn(const std::string& Caption, int Width);
    // Every column, however it was added (the base view's AddColumn too).
    TUniListColumn* Columns(int Index) const;

    // In-place editing of captions (F2, or a click on the selected row)
    // when not read-only; the edited text goes through OnEdited.
    void SetReadOnly(bool On);
    bool ReadOnly() const { return forms::TListView::ReadOnly(); }

    // Orders the rows by OnCompare, else by their wide captions.
    void AlphaSort();
    // Adds a row with a wide caption and a data pointer.
    void AddItem(const std::u16string& Caption, void* Data) override;
    using forms::TListView::AddItem;
    // Adds every selected row, in order, to another list control.
    void CopySelection(forms::TControl* Destination);
    // Builds the rows anew, as a re-created window does; every wide text
    // stays.
    using forms::TListView::RecreateWnd;

    TUniLVEditedEvent OnEdited;
    TUniLVCompareEvent OnCompare;
    TUniLVCreateItemEvent OnCreateItemClass;

    // The default order of two wide captions: the locale's case-sensitive
    // order, made strict and total (see WideCompareText), so that
    // equal-looking captions still have one consistent place.
    static int CompareCaptions(const std::u16string& A, const std::u16string& B);

    // Runs what ending an in-place edit of Item runs: OnEdited, then the
    // caption is set.
    void EditEnded(TUniListItem* Item, std::u16string Text);

protected:
    forms::TListItem* CreateItem() override;
    void DestroyWnd() override;
    void CreateWnd() override;

private:
    void MarkEditable();
    // Gives every base column that has none its typed column.
    void SyncColumns() const;
    int wideChangeDepth_ = 0;
    std::unique_ptr<std::vector<TSavedListItem>> savedRows_;
    TUniListItems items_;
    mutable std::vector<std::unique_ptr<TUniListColumn>> columns_;
    friend class TUniListItem;
    friend class TWideSubItems;
    friend class WideChange;
};

class TUniListView : public TUniCustomListView {
public:
    using TUniCustomListView::TUniCustomListView;
};

}  // namespace uni
