// The rows of a list view in owner-data mode: a table model that asks the
// view's owner for each row as the view shows it, and the widget that shows
// them. Only the list view uses these.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTableView>

namespace uni {

class TUniCustomListView;

class OwnerDataModel : public QAbstractTableModel {
public:
    OwnerDataModel(TUniCustomListView& View, QObject* Parent) : QAbstractTableModel(Parent), view_(View) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The rows, their number or the columns changed.
    void Reset();

private:
    TUniCustomListView& view_;
};

// Shows the model over the whole list view; typing finds a row through the
// owner, as in the plain list.
class OwnerDataView : public QTableView {
public:
    OwnerDataView(TUniCustomListView& View, QWidget* Parent);
    void keyboardSearch(const QString& search) override;

private:
    TUniCustomListView& view_;
    QString typed_;
    QElapsedTimer sinceTyped_;
};

}  // namespace uni
