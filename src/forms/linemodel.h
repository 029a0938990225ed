// The lines of a list box as a model of its own: UTF-8 lines in a ring
// (dropping the oldest costs nothing per line kept), turned into text only
// for the rows a view or the accessibility bus asks for.
#pragma once

#include <QAbstractListModel>
#include <deque>
#include <string>
#include <vector>

namespace forms::detail {

class LineModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& Line(int row) const { return lines_[static_cast<size_t>(row)]; }
    void Set(int row, const std::string& s);
    void Insert(int row, const std::string& s);
    // Each of these tells the views once, however many lines change.
    // The lines are moved in.
    void Append(std::vector<std::string>::iterator first, std::vector<std::string>::iterator last);
    void Remove(int first, int count);
    void Clear();

private:
    std::deque<std::string> lines_;
};

}  // namespace forms::detail
