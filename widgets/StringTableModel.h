#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <vector>

namespace quillon::widgets {

// The strings of a string grid's cells, addressed by column and row. A cell
// may be written before the grid has grown to show it, and keeps its string
// until the grid shrinks past it. Cells of the fixed (title) rows and columns
// can be neither selected nor edited; the others are editable only while
// editing is allowed. Cells written inside beginUpdate/endUpdate are reported
// changed once, together, at the outermost endUpdate. A cell's
// AccessibleTextRole is the text the grid shows in it.
class StringTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    void beginUpdate() { ++updating_; }
    void endUpdate();
    void setColumnCount(int count);
    void setRowCount(int count);
    int fixedCols() const { return fixedCols_; }
    int fixedRows() const { return fixedRows_; }
    void setFixed(int cols, int rows);
    bool isFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }
    void setEditable(bool editable) { editable_ = editable; }
    using ShownText = std::function<QString(int col, int row)>;
    void setShownText(ShownText shown) { shownText_ = std::move(shown); }

private:
    std::vector<std::vector<QString>> cells_; // by row, then column
    int cols_ = 0;
    int rows_ = 0;
    int fixedCols_ = 0;
    int fixedRows_ = 0;
    bool editable_ = false;
    ShownText shownText_;
    int updating_ = 0;
    bool changedWhileUpdating_ = false;
};

} // namespace quillon::widgets
