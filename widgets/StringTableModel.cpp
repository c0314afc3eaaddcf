#include "widgets/StringTableModel.h"

#include <algorithm>

namespace quillon::widgets {

int StringTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int StringTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant StringTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::AccessibleTextRole && shownText_)
        return shownText_(index.column(), index.row());
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return cell(index.column(), index.row());
}

bool StringTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    setCell(index.column(), index.row(), value.toString());
    return true;
}

Qt::ItemFlags StringTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || isFixed(index.column(), index.row()))
        return Qt::NoItemFlags;
    const Qt::ItemFlags selectable = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return editable_ ? selectable | Qt::ItemIsEditable : selectable;
}

QString StringTableModel::cell(int col, int row) const {
    const auto r = std::size_t(row);
    const auto c = std::size_t(col);
    return r < cells_.size() && c < cells_[r].size() ? cells_[r][c] : QString();
}

void StringTableModel::setCell(int col, int row, const QString& text) {
    const auto r = std::size_t(row);
    const auto c = std::size_t(col);
    if (cells_.size() <= r)
        cells_.resize(r + 1);
    if (cells_[r].size() <= c)
        cells_[r].resize(c + 1);
    cells_[r][c] = text;
    if (col >= cols_ || row >= rows_)
        return;
    if (updating_ > 0)
        changedWhileUpdating_ = true;
    else
        emit dataChanged(index(row, col), index(row, col));
}

void StringTableModel::endUpdate() {
    if (updating_ == 0 || --updating_ > 0 || !changedWhileUpdating_)
        return;
    changedWhileUpdating_ = false;
    if (rows_ > 0 && cols_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
}

void StringTableModel::setColumnCount(int count) {
    if (count > cols_) {
        beginInsertColumns({}, cols_, count - 1);
        cols_ = count;
        endInsertColumns();
    } else if (count < cols_) {
        beginRemoveColumns({}, count, cols_ - 1);
        cols_ = count;
        for (auto& cells : cells_)
            cells.resize(std::min(cells.size(), std::size_t(count)));
        endRemoveColumns();
    }
}

void StringTableModel::setRowCount(int count) {
    if (count > rows_) {
        beginInsertRows({}, rows_, count - 1);
        rows_ = count;
        endInsertRows();
    } else if (count < rows_) {
        beginRemoveRows({}, count, rows_ - 1);
        rows_ = count;
        cells_.resize(std::min(cells_.size(), std::size_t(count)));
        endRemoveRows();
    }
}

void StringTableModel::setFixed(int cols, int rows) {
    fixedCols_ = cols;
    fixedRows_ = rows;
    if (rows_ > 0 && cols_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
}

} // namespace quillon::widgets
