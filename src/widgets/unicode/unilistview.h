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

#include <QPoint>
#include <QRect>

#include "forms/comctrls.h"
#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicontrols.h"
#include "widgets/unicode/unisysutils.h"

class QTableView;

namespace uni {

class TUniCustomListView;
class TUniListItem;
class OwnerDataModel;
class OwnerDataView;

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
    // The row's place; in owner-data mode the place of the row the view
    // is asking for.
    int Index() const;

protected:
    explicit TUniListItem(TUniCustomListView* View);
    QString ShownText(int column) const override;
    void NarrowTextChanged(int column) override;

private:
    // Brings the wide sub-items in step with the 8-bit ones.
    void WidenSubItems();
    mutable std::u16string wideCaption_;
    std::unique_ptr<TWideSubItems> wideSubItems_;
    int ownerDataIndex_ = -1;
    friend class TUniCustomListView;
    friend class OwnerDataModel;
    friend class TWideSubItems;
};

// The rows of a view, typed.
class TUniListItems {
public:
    explicit TUniListItems(TUniCustomListView& View) : view_(View) {}
    TUniListItem* Add();
    TUniListItem* Insert(int Index);
    // In owner-data mode: the one row object, filled for Index by OnData.
    TUniListItem* GetItem(int Index) const;
    TUniListItem* operator[](int Index) const { return GetItem(Index); }
    // In owner-data mode the number of rows the owner has.
    int Count() const;
    void SetCount(int Value);
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

// Owner-data mode: the owner fills the row the view asks for (its Index()).
using TUniLVOwnerDataEvent = std::function<void(forms::TObject* Sender, TUniListItem* Item)>;
enum TItemFind { ifData, ifPartialString, ifExactString, ifNearest };
enum TSearchDirection { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
// Owner-data mode: the owner finds a row; Index starts at -1 (none found).
// StartIndex is the first row to look at.
using TUniLVOwnerDataFindEvent =
    std::function<void(forms::TObject* Sender, TItemFind Find, const std::u16string& FindString,
                       const QPoint& FindPosition, void* FindData, int StartIndex, TSearchDirection Direction,
                       bool Wrap, int& Index)>;

// The state of a row drawn by its owner.
enum TOwnerDrawStateFlag : unsigned { odSelected = 1, odDisabled = 4, odFocused = 0x10 };
using TOwnerDrawState = unsigned;
// Owner draw: draws the whole row in Rect on the view's Canvas().
using TUniLVDrawItemEvent =
    std::function<void(TUniCustomListView* Sender, TUniListItem* Item, const QRect& Rect, TOwnerDrawState State)>;

class TUniCustomListView : public forms::TListView, public IWideCustomListControl {
public:
    explicit TUniCustomListView(forms::TComponent* AOwner);
    ~TUniCustomListView() override;

    TUniListItems& Items() { return items_; }
    const TUniListItems& Items() const { return items_; }
    TUniListItem* GetSelected() const;
    // In owner-data mode the user's selection in the rows shown: the first
    // selected row (filled by OnData) and its index.
    forms::TListItem* Selected() const override;
    int ItemIndex() const override;
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
    // Adds every selected row, in order, to another list control (in
    // owner-data mode each filled by OnData).
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

    // Owner-data mode: the rows are not kept here; the view asks the owner
    // (OnData) for each row it shows, and OnDataFind for a row by text.
    // Switching it on drops the rows the view holds.
    bool OwnerData() const { return ownerDataView_ != nullptr; }
    void SetOwnerData(bool On);
    TUniLVOwnerDataEvent OnData;
    TUniLVOwnerDataFindEvent OnDataFind;
    // The first row from StartIndex (after it unless Inclusive) whose caption
    // is Value, or begins with it when Partial, case ignored; nullptr when
    // there is none.
    TUniListItem* FindCaption(int StartIndex, const std::u16string& Value, bool Partial, bool Inclusive, bool Wrap);

    // Owner draw: OnDrawItem draws every row, else the row's caption is drawn
    // plainly.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool On);
    TUniLVDrawItemEvent OnDrawItem;
    // The canvas of the row being drawn (nullptr outside drawing).
    TUniCanvas* Canvas() const { return canvas_; }
    // Draws one row as owner draw does.
    void DrawItem(TUniListItem* Item, const QRect& Rect, TOwnerDrawState State, QPainter& Painter);

    // The widget that shows the rows in owner-data mode (nullptr otherwise).
    QTableView* OwnerDataWidget() const;

protected:
    forms::TListItem* CreateItem() override;
    void DestroyWnd() override;
    void CreateWnd() override;

private:
    void MarkEditable();
    // Gives every base column that has none its typed column.
    void SyncColumns() const;
    // Owner-data mode: the selected rows in order.
    std::vector<int> OwnerDataSelection() const;
    // Owner-data mode: fills the one row object for Index (once per row
    // asked in a row).
    TUniListItem* FetchOwnerData(int Index);
    int OwnerDataFind(TItemFind Find, const std::u16string& FindString, int StartIndex, bool Wrap);
    TUniListItem* OwnerDataRow();
    int wideChangeDepth_ = 0;
    OwnerDataView* ownerDataView_ = nullptr;
    OwnerDataModel* ownerDataModel_ = nullptr;
    int ownerDataCount_ = 0;
    int fetchedIndex_ = -1;
    std::unique_ptr<TUniListItem> ownerDataRow_;
    bool ownerDraw_ = false;
    TUniCanvas* canvas_ = nullptr;
    std::unique_ptr<std::vector<TSavedListItem>> savedRows_;
    TUniListItems items_;
    mutable std::vector<std::unique_ptr<TUniListColumn>> columns_;
    friend class TUniListItem;
    friend class TUniListItems;
    friend class TWideSubItems;
    friend class WideChange;
    friend class OwnerDataModel;
    friend class OwnerDataView;
};

class TUniListView : public TUniCustomListView {
public:
    using TUniCustomListView::TUniCustomListView;
};

}  // namespace uni
