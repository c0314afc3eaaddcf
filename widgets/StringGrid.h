#pragma once

#include "widgets/GridTypes.h"

#include <QColor>
#include <QTableView>

class QPainter;

namespace quillon::widgets {

class StringTableModel;

// A grid of strings with title rows and columns, the base of the grids that
// draw their cells each in their own way. It keeps the cells' strings, the
// sizes of the columns and rows, the colours and the options (grid lines,
// range or row selection, editing, Tab between cells).
//
// The first FixedRows rows and FixedCols columns are title cells: drawn in
// FixedColor, neither selectable nor editable; the current cell is always
// outside them. Column widths and row heights count the grid line at the
// right and bottom edge of a cell. A new grid has five columns and five rows,
// one of each fixed, columns 64 pixels wide and rows 24 pixels high.
class TStringGrid : public QTableView {
    Q_OBJECT

public:
    explicit TStringGrid(QWidget* parent = nullptr);

    int ColCount() const;
    void setColCount(int value);
    int RowCount() const;
    // Fewer rows than FixedRows + 1 make the rows left over ordinary rows.
    void setRowCount(int value);
    int FixedCols() const;
    void setFixedCols(int value);
    int FixedRows() const;
    void setFixedRows(int value);
    // A cell's string; a cell beyond the grid's size keeps what is written to
    // it and shows it once the grid grows.
    QString Cells(int ACol, int ARow) const;
    void setCells(int ACol, int ARow, const QString& value);
    // Cells written between BeginUpdate and the matching EndUpdate are shown
    // all at once at the end, which is much faster for a whole grid's worth.
    void BeginUpdate();
    void EndUpdate();
    // The text a cell shows, which assistive technology reads as the cell's:
    // its string, unless the grid draws another text there.
    virtual QString ShownText(int ACol, int ARow) const;
    // The current cell.
    int Col() const;
    void setCol(int value);
    int Row() const;
    void setRow(int value);
    int ColWidths(int index) const;
    void setColWidths(int index, int value);
    int RowHeights(int index) const;
    void setRowHeights(int index, int value);
    int DefaultColWidth() const;
    // Also gives every column that width.
    void setDefaultColWidth(int value);
    int DefaultRowHeight() const;
    // Also gives every row that height.
    void setDefaultRowHeight(int value);
    QColor Color() const { return color_; }
    void setColor(const QColor& value);
    QColor FixedColor() const { return fixedColor_; }
    void setFixedColor(const QColor& value);
    // Raised title cells and a sunken border; flat ones without.
    bool Ctl3D() const { return ctl3D_; }
    void setCtl3D(bool value);
    TGridOptions Options() const { return options_; }
    void setOptions(TGridOptions value);

protected:
    StringTableModel& cellModel() const { return *model_; }

    // Called after the number of columns or rows changed.
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    // Called when Options changed; puts them into effect.
    virtual void OptionsChanged();
    // Puts options into effect: editing, range or row selection, Tab.
    void applyOptions(TGridOptions options);

    // A cell's rectangle without the lines at its right and bottom edge that
    // the options ask for.
    static QRect cellInterior(const QRect& section, bool fixed, TGridOptions options);
    // Draws those lines and gives back the rest of the cell.
    QRect drawGridLines(QPainter& painter, const QRect& section, bool fixed,
                        TGridOptions options) const;
    // The light top and left and dark bottom and right edges of a title cell.
    void drawRaisedFrame(QPainter& painter, const QRect& rect) const;
    // Moves the current cell back into the movable part of the grid after the
    // grid's size or its title rows and columns changed.
    void keepCurrentCellMovable();
    // How a cell is to be drawn: fixed, or selected and current.
    TGridDrawState drawState(const QModelIndex& index) const;
    // Selects the cell, or its row under row selection, and nothing else.
    QItemSelectionModel::SelectionFlags selectOnly() const;
    void redraw();

    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void checkCell(int ACol, int ARow) const;

    StringTableModel* model_;
    QColor color_;
    QColor fixedColor_;
    bool ctl3D_ = true;
    TGridOptions options_ = defaultGridOptions;
};

} // namespace quillon::widgets
