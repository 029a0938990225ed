// Radio groups, combo boxes and list boxes: the controls with an Items list.
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "forms/editrules.h"
#include "forms/internal.h"
#include "forms/linemodel.h"
#include "forms/stdctrls.h"

namespace forms {

using detail::Fire;
using detail::Q;
using detail::Quiet;

namespace {

constexpr int kItemRole = Qt::UserRole + 1;  // the item's own bytes

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromBytes(const QVariant& v) { return v.toByteArray().toStdString(); }

// Where a current index ends up after a line is inserted at or removed from `at`.
int AfterInsert(int current, int at) { return current >= at ? current + 1 : current; }
int AfterDelete(int current, int at) { return current == at ? -1 : current > at ? current - 1 : current; }

// Where a sorted list puts a new line: after the lines that compare equal,
// as the platform's lists do.
int SortedPlace(const TStrings& lines, const std::string& s) {
    int lo = 0, hi = lines.Count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (CompareText(lines.Strings(mid), s) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Puts the lines of a list that becomes sorted into order (stable, ignoring case).
void SortInPlace(TStrings& items) {
    std::vector<std::string> lines = items.ToVector();
    std::stable_sort(lines.begin(), lines.end(),
                     [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    items.Clear();
    for (const auto& l : lines) items.Insert(items.Count(), l);
}

}  // namespace

// ---- TRadioGroup ---------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent* AOwner) : TWinControl(AOwner), items_(std::make_unique<TStringList>()) {
    SetWidget(new QGroupBox);
    items_->OnChange = [this](TStringList*) { Rebuild(); };
}

TRadioGroup::~TRadioGroup() { DropEvents(); }

void TRadioGroup::SetCaption(const std::string& c) {
    caption_ = c;
    static_cast<QGroupBox*>(Widget())->setTitle(Q(c));
}

void TRadioGroup::Rebuild() {
    Quiet q(quiet_);
    for (QWidget* b : buttons_) delete b;
    buttons_.clear();
    const int n = items_->Count();
    for (int i = 0; i < n; ++i) {
        auto* b = new QRadioButton(Q(items_->Strings(i)), Widget());
        QObject::connect(b, &QRadioButton::toggled, Events(), [this, i](bool on) {
            if (!on || quiet_ != 0) return;
            itemIndex_ = i;
            Fire(OnClick, this);
        });
        b->show();
        buttons_.push_back(b);
    }
    // The class library keeps the choice, cut back to the last item.
    itemIndex_ = std::min(itemIndex_, n - 1);
    if (itemIndex_ >= 0) static_cast<QRadioButton*>(buttons_[static_cast<size_t>(itemIndex_)])->setChecked(true);
    PlaceButtons();
}

void TRadioGroup::SetItemIndex(int i) {
    i = std::clamp(i, -1, items_->Count() - 1);
    if (i == itemIndex_) return;
    {
        Quiet q(quiet_);
        if (itemIndex_ >= 0) {
            auto* old = static_cast<QRadioButton*>(buttons_[static_cast<size_t>(itemIndex_)]);
            old->setAutoExclusive(false);
            old->setChecked(false);
            old->setAutoExclusive(true);
        }
        itemIndex_ = i;
        if (i >= 0) static_cast<QRadioButton*>(buttons_[static_cast<size_t>(i)])->setChecked(true);
    }
    if (i >= 0) Fire(OnClick, this);
}

void TRadioGroup::Resized() {
    TWinControl::Resized();
    PlaceButtons();
}

void TRadioGroup::PlaceButtons() {
    const int top = Widget()->fontMetrics().height() + 2;
    const int n = static_cast<int>(buttons_.size());
    if (n == 0) return;
    const int step = std::max((Height() - top - 4) / n, 1);
    for (int i = 0; i < n; ++i)
        buttons_[static_cast<size_t>(i)]->setGeometry(8, top + i * step, std::max(Width() - 16, 0), step);
}

// ---- TComboBox -----------------------------------------------------------

// Keeps the class library's rules over QComboBox: adding or removing items
// never picks an item nor touches the edit text.
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TComboBox* box) : box_(box) {}
    QComboBox* W() const { return static_cast<QComboBox*>(box_->Widget()); }

    int Count() const override { return W()->count(); }
    std::string Strings(int Index) const override {
        CheckIndex(Index, Count());
        return FromBytes(W()->itemData(Index, kItemRole));
    }
    void SetStrings(int Index, const std::string& s) override {
        CheckIndex(Index, Count());
        Keep([&] {
            W()->setItemText(Index, Q(s));
            W()->setItemData(Index, Bytes(s), kItemRole);
        }, [](int cur) { return cur; });
    }
    void Insert(int Index, const std::string& s) override {
        CheckIndex(Index, Count() + 1);
        Keep([&] {
            W()->insertItem(Index, Q(s));
            W()->setItemData(Index, Bytes(s), kItemRole);
        }, [&](int cur) { return AfterInsert(cur, Index); });
    }
    void Delete(int Index) override {
        CheckIndex(Index, Count());
        Keep([&] { W()->removeItem(Index); }, [&](int cur) { return AfterDelete(cur, Index); });
    }
    int Add(const std::string& s) override {
        const int at = box_->sorted_ ? SortedPlace(*this, s) : Count();
        Insert(at, s);
        return at;
    }
    void Clear() override {
        Keep([&] { W()->clear(); }, [](int) { return -1; });
    }

private:
    template <class Op, class Map>
    void Keep(Op op, Map map) {
        Quiet q(box_->quiet_);
        QComboBox* w = W();
        const int cur = w->currentIndex();
        const QString text = w->isEditable() ? w->currentText() : QString();
        op();
        w->setCurrentIndex(map(cur));
        if (w->isEditable()) w->setEditText(text);
    }
    TComboBox* box_;
};

TComboBox::TComboBox(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QComboBox;
    items_ = std::make_unique<TComboBoxStrings>(this);
    QObject::connect(w, &QComboBox::activated, Events(), [this] {
        if (quiet_ == 0) Fire(OnChange, this);
    });
    SetWidget(w);
    SetStyle(csDropDown);
}

TComboBox::~TComboBox() { DropEvents(); }

void TComboBox::SetStyle(TComboBoxStyle s) {
    style_ = s;
    auto* w = static_cast<QComboBox*>(Widget());
    Quiet q(quiet_);
    w->setEditable(s == csDropDown);
    QLineEdit* edit = w->lineEdit();
    if (!edit) return;
    w->setInsertPolicy(QComboBox::NoInsert);
    w->setCompleter(nullptr);
    SetMaxLength(maxLength_);
    // A box made editable again keeps its line edit: wire each one once.
    if (edit->property("forms.wired").toBool()) return;
    edit->setProperty("forms.wired", true);
    QObject::connect(edit, &QLineEdit::textEdited, Events(), [this] {
        if (quiet_ == 0) Fire(OnChange, this);
    });
}

int TComboBox::ItemIndex() const { return static_cast<QComboBox*>(Widget())->currentIndex(); }

void TComboBox::SetItemIndex(int i) {
    auto* w = static_cast<QComboBox*>(Widget());
    if (i < -1 || i >= w->count()) i = -1;
    Quiet q(quiet_);
    w->setCurrentIndex(i);
    if (i == -1 && w->isEditable()) w->setEditText(QString());
}

std::string TComboBox::Text() const {
    auto* w = static_cast<QComboBox*>(Widget());
    if (w->isEditable()) return detail::S(w->currentText());
    const int i = w->currentIndex();
    return i < 0 ? std::string() : items_->Strings(i);
}

void TComboBox::SetText(const std::string& t) {
    auto* w = static_cast<QComboBox*>(Widget());
    Quiet q(quiet_);
    QLineEdit* edit = w->lineEdit();
    if (!edit) {
        w->setCurrentIndex(items_->IndexOf(t));
        return;
    }
    auto* rules = dynamic_cast<detail::EditRules*>(const_cast<QValidator*>(edit->validator()));
    if (rules) rules->BeginCodeChange();
    w->setEditText(Q(t));
    if (rules) rules->EndCodeChange(edit->text());
}

void TComboBox::SetMaxLength(int n) {
    maxLength_ = n;
    QLineEdit* edit = static_cast<QComboBox*>(Widget())->lineEdit();
    if (!edit) return;
    if (auto* rules = dynamic_cast<detail::EditRules*>(const_cast<QValidator*>(edit->validator()))) {
        rules->SetMaxBytes(n);
        return;
    }
    auto* rules = new detail::EditRules(n, edit);
    rules->BeginCodeChange();
    rules->EndCodeChange(edit->text());
    edit->setValidator(rules);
}

void TComboBox::SetSorted(bool on) {
    if (on == sorted_) return;
    sorted_ = on;
    if (!on) return;
    const std::string text = Text();
    Quiet q(quiet_);
    SortInPlace(*items_);
    if (style_ == csDropDownList) static_cast<QComboBox*>(Widget())->setCurrentIndex(items_->IndexOf(text));
}

// ---- TListBox ------------------------------------------------------------

namespace {

QListView* ViewOf(const TListBox* box) { return static_cast<QListView*>(box->Widget()); }
detail::LineModel* LinesOf(const TListBox* box) { return static_cast<detail::LineModel*>(ViewOf(box)->model()); }
QItemSelectionModel* SelectionOf(const TListBox* box) { return ViewOf(box)->selectionModel(); }

// Removes lines in one go. Qt hands the focus mark of a removed line (and,
// in a single-selection list, the selection) to a neighbour; the platform's
// list drops the mark with its line and keeps exactly the lines that were
// selected.
void RemoveLines(const TListBox* box, int first, int count) {
    detail::LineModel* lines = LinesOf(box);
    QItemSelectionModel* sel = SelectionOf(box);
    const int current = sel->currentIndex().row();
    std::vector<int> kept;  // rows as they will be once the lines are gone
    for (const QModelIndex& i : sel->selectedIndexes()) {
        const int row = i.row();
        if (row < first || row >= first + count) kept.push_back(row < first ? row : row - count);
    }
    lines->Remove(first, count);
    const int moved = current < first ? current : current < first + count ? -1 : current - count;
    sel->setCurrentIndex(lines->index(moved), QItemSelectionModel::NoUpdate);
    QItemSelection selection;
    for (int row : kept) selection.select(lines->index(row), lines->index(row));
    sel->select(selection, QItemSelectionModel::ClearAndSelect);
}

}  // namespace

// Lines of a list box: Add sorts when the box is sorted; Insert and a
// replaced line keep the place given; the selection follows its line.
class TListBoxStrings : public TStrings {
public:
    explicit TListBoxStrings(TListBox* box) : box_(box) {}

    int Count() const override { return Lines()->Count(); }
    std::string Strings(int Index) const override {
        CheckIndex(Index, Count());
        return Lines()->Line(Index);
    }
    void SetStrings(int Index, const std::string& s) override {
        CheckIndex(Index, Count());
        Quiet q(box_->quiet_);
        Lines()->Set(Index, s);
    }
    void Insert(int Index, const std::string& s) override {
        CheckIndex(Index, Count() + 1);
        Quiet q(box_->quiet_);
        Lines()->Insert(Index, s);
    }
    int Add(const std::string& s) override {
        const int at = box_->sorted_ ? SortedPlace(*this, s) : Count();
        Insert(at, s);
        return at;
    }
    void Delete(int Index) override {
        CheckIndex(Index, Count());
        Quiet q(box_->quiet_);
        RemoveLines(box_, Index, 1);
    }
    void Clear() override {
        Quiet q(box_->quiet_);
        Lines()->Clear();
    }

private:
    detail::LineModel* Lines() const { return LinesOf(box_); }
    TListBox* box_;
};

TListBox::TListBox(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QListView;
    w->setModel(new detail::LineModel(w));
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    w->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    w->setUniformItemSizes(true);
    w->setEditTriggers(QAbstractItemView::NoEditTriggers);
    items_ = std::make_unique<TListBoxStrings>(this);
    QObject::connect(w->selectionModel(), &QItemSelectionModel::selectionChanged, Events(), [this] {
        if (quiet_ == 0) Fire(OnClick, this);
    });
    QObject::connect(w, &QListView::doubleClicked, Events(), [this] { Fire(OnDblClick, this); });
    SetWidget(w);
}

TListBox::~TListBox() { DropEvents(); }

void TListBox::SetSorted(bool on) {
    if (on == sorted_) return;
    sorted_ = on;
    if (!on) return;
    Quiet q(quiet_);
    SortInPlace(*items_);
}

void TListBox::SetMultiSelect(bool on) {
    multiSelect_ = on;
    Quiet q(quiet_);
    ViewOf(this)->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int TListBox::ItemIndex() const {
    if (multiSelect_) return SelectionOf(this)->currentIndex().row();
    const QModelIndexList sel = SelectionOf(this)->selectedIndexes();
    return sel.isEmpty() ? -1 : sel.first().row();
}

void TListBox::SetItemIndex(int i) {
    QListView* w = ViewOf(this);
    Quiet q(quiet_);
    if (i < 0 || i >= LinesOf(this)->Count()) {
        if (!multiSelect_) w->clearSelection();
        w->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex at = LinesOf(this)->index(i);
    w->selectionModel()->setCurrentIndex(at, multiSelect_ ? QItemSelectionModel::NoUpdate
                                                          : QItemSelectionModel::ClearAndSelect);
    w->scrollTo(at);
}

bool TListBox::Selected(int Index) const {
    const detail::LineModel* lines = LinesOf(this);
    if (Index < 0 || Index >= lines->Count()) return false;
    return SelectionOf(this)->isSelected(lines->index(Index));
}

void TListBox::SetSelected(int Index, bool on) {
    const detail::LineModel* lines = LinesOf(this);
    if (Index < 0 || Index >= lines->Count()) return;
    Quiet q(quiet_);
    if (!multiSelect_ && on) ViewOf(this)->clearSelection();
    SelectionOf(this)->select(lines->index(Index), on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int TListBox::SelCount() const { return static_cast<int>(SelectionOf(this)->selectedIndexes().size()); }

void TListBox::ClearSelection() {
    Quiet q(quiet_);
    ViewOf(this)->clearSelection();
}

void TListBox::AddTrimmed(std::vector<std::string> Lines, int Limit) {
    detail::LineModel* lines = LinesOf(this);
    Quiet q(quiet_);
    const int count = lines->Count();
    const int added = static_cast<int>(Lines.size());
    // New lines that would be dropped again within this call are never added.
    const int skip = std::max(0, added - Limit);
    const int drop = std::min(count, std::max(0, count + added - skip - Limit));
    if (drop > 0) RemoveLines(this, 0, drop);
    lines->Append(Lines.begin() + skip, Lines.end());
}

int TListBox::TopIndex() const {
    const int count = LinesOf(this)->Count();
    if (count == 0) return 0;
    return std::clamp(ViewOf(this)->verticalScrollBar()->value(), 0, count - 1);
}

void TListBox::SetTopIndex(int i) {
    const detail::LineModel* lines = LinesOf(this);
    if (lines->Count() == 0) return;
    i = std::clamp(i, 0, lines->Count() - 1);
    ViewOf(this)->scrollTo(lines->index(i), QAbstractItemView::PositionAtTop);
}

}  // namespace forms
