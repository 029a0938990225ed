#include "forms/linemodel.h"

#include <iterator>

#include "forms/internal.h"

namespace forms::detail {

int LineModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant LineModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return Q(Line(index.row()));
    return {};
}

// The flags of a list line as the view's own items had them (so the
// accessibility bus describes a line as before); nothing is editable.
Qt::ItemFlags LineModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
}

void LineModel::Set(int row, const std::string& s) {
    lines_[static_cast<size_t>(row)] = s;
    const QModelIndex at = index(row);
    emit dataChanged(at, at);
}

void LineModel::Insert(int row, const std::string& s) {
    beginInsertRows(QModelIndex(), row, row);
    lines_.insert(lines_.begin() + row, s);
    endInsertRows();
}

void LineModel::Append(std::vector<std::string>::iterator first, std::vector<std::string>::iterator last) {
    if (first == last) return;
    const int from = Count();
    beginInsertRows(QModelIndex(), from, from + static_cast<int>(last - first) - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(first), std::make_move_iterator(last));
    endInsertRows();
}

void LineModel::Remove(int first, int count) {
    if (count <= 0) return;
    beginRemoveRows(QModelIndex(), first, first + count - 1);
    lines_.erase(lines_.begin() + first, lines_.begin() + first + count);
    endRemoveRows();
}

void LineModel::Clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

}  // namespace forms::detail
