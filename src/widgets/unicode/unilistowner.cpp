#include "widgets/unicode/unilistowner.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>

#include "platform/guard.h"
#include "widgets/unicode/unilistview.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {

// --- the model ---

int OwnerDataModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : view_.ownerDataCount_;
}

int OwnerDataModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(view_.ColumnCount(), 1);
}

QVariant OwnerDataModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole: {
            QString text;
            platform::RunGuarded([&] {
                TUniListItem* row = view_.FetchOwnerData(index.row());
                text = row ? row->ShownText(column) : QString();
            });
            return text;
        }
        case Qt::TextAlignmentRole:
            if (column < view_.ColumnCount()) return QVariant::fromValue(forms::QtAlignment(view_.Column(column)->Alignment()));
            return {};
        default: return {};
    }
}

QVariant OwnerDataModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section >= view_.ColumnCount()) return {};
    if (role == Qt::DisplayRole) return QString::fromStdU16String(view_.Columns(section)->GetCaption());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(forms::QtAlignment(view_.Column(section)->Alignment()));
    return {};
}

void OwnerDataModel::Reset() {
    beginResetModel();
    view_.fetchedIndex_ = -1;
    endResetModel();
}

// --- the widget ---

OwnerDataView::OwnerDataView(TUniCustomListView& View, QWidget* Parent) : QTableView(Parent), view_(View) {
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Every row the same height, so no row is asked for its size.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

// Letters typed within the input interval make one text, looked for from the
// current row on; a new text starts after the current row.
void OwnerDataView::keyboardSearch(const QString& search) {
    if (search.isEmpty()) return;
    const bool more = sinceTyped_.isValid() && sinceTyped_.elapsed() < QApplication::keyboardInputInterval();
    typed_ = more ? typed_ + search : search;
    sinceTyped_.start();
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int found = -1;
    platform::RunGuarded([&] {
        found = view_.OwnerDataFind(ifPartialString, typed_.toStdU16String(), more ? std::max(current, 0) : current + 1,
                                    true);
    });
    if (found < 0 || found >= model()->rowCount()) return;
    const QModelIndex at = model()->index(found, 0);
    setCurrentIndex(at);
    scrollTo(at);
}

// --- the list view's owner-data mode ---

namespace {

// Keeps the owner-data widget over the whole list view.
class FillParent : public QObject {
public:
    FillParent(QWidget* child, QWidget* parent) : QObject(child), child_(child) {
        parent->installEventFilter(this);
        child->setGeometry(parent->rect());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) child_->setGeometry(static_cast<QWidget*>(watched)->rect());
        return false;
    }

private:
    QWidget* child_;
};

}  // namespace

QTableView* TUniCustomListView::OwnerDataWidget() const { return ownerDataView_; }

void TUniCustomListView::SetOwnerData(bool On) {
    if (On == OwnerData()) return;
    if (On) {
        Clear();
        ownerDataView_ = new OwnerDataView(*this, Tree());
        ownerDataModel_ = new OwnerDataModel(*this, ownerDataView_);
        ownerDataView_->setModel(ownerDataModel_);
        ownerDataView_->setItemDelegate(Tree()->itemDelegate());
        for (int i = 0; i < ColumnCount(); ++i) ownerDataView_->setColumnWidth(i, Column(i)->Width());
        new FillParent(ownerDataView_, Tree());
        Tree()->setFocusProxy(ownerDataView_);
        // The user's selection changes and double clicks reach the same
        // handlers as in the plain list.
        QObject::connect(ownerDataView_->selectionModel(), &QItemSelectionModel::selectionChanged, ownerDataView_,
                         [this] {
                             if (OnClick) platform::RunGuarded([this] { OnClick(this); });
                         });
        QObject::connect(ownerDataView_, &QAbstractItemView::doubleClicked, ownerDataView_, [this] {
            if (OnDblClick) platform::RunGuarded([this] { OnDblClick(this); });
        });
        // Columns, titles and widths reach the plain list's header however
        // they were set (the base view's AddColumn too): the header shown
        // here follows it.
        QAbstractItemModel* plain = Tree()->model();
        QObject::connect(plain, &QAbstractItemModel::columnsInserted, ownerDataView_, [this] { SyncColumns(); });
        QObject::connect(plain, &QAbstractItemModel::headerDataChanged, ownerDataModel_,
                         [this](Qt::Orientation orientation, int first, int last) {
                             emit ownerDataModel_->headerDataChanged(orientation, first, last);
                         });
        QObject::connect(Tree()->header(), &QHeaderView::sectionResized, ownerDataView_,
                         [this](int column, int, int width) { ownerDataView_->setColumnWidth(column, width); });
        ownerDataView_->show();
        ownerDataView_->raise();
    } else {
        Tree()->setFocusProxy(nullptr);
        delete ownerDataView_;
        ownerDataView_ = nullptr;
        ownerDataModel_ = nullptr;
        ownerDataCount_ = 0;
        fetchedIndex_ = -1;
    }
}

TUniListItem* TUniCustomListView::OwnerDataRow() {
    if (!ownerDataRow_) {
        forms::TListItem* made = CreateItem();
        ownerDataRow_.reset(static_cast<TUniListItem*>(made));
    }
    return ownerDataRow_.get();
}

TUniListItem* TUniCustomListView::FetchOwnerData(int Index) {
    if (!OwnerData() || Index < 0 || Index >= ownerDataCount_) return nullptr;
    TUniListItem* row = OwnerDataRow();
    if (fetchedIndex_ == Index) return row;
    // The one row object takes each row in turn: nothing of the last row
    // may show in this one.
    fetchedIndex_ = -1;
    row->ownerDataIndex_ = Index;
    row->SetCaption(std::u16string());
    row->WideSubItems().Clear();
    row->Data = nullptr;
    if (OnData) OnData(this, row);
    fetchedIndex_ = Index;
    return row;
}

int TUniCustomListView::OwnerDataFind(TItemFind Find, const std::u16string& FindString, int StartIndex, bool Wrap) {
    int index = -1;
    if (OnDataFind) OnDataFind(this, Find, FindString, QPoint(), nullptr, StartIndex, sdAll, Wrap, index);
    return index;
}

}  // namespace uni
