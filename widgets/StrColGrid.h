#pragma once

#include "widgets/CellFonts.h"
#include "widgets/CellParams.h"
#include "widgets/GridTypes.h"
#include "widgets/TextPlacement.h"

#include <QColor>
#include <QTableView>

class QImage;
class QPainter;

namespace quillon::widgets {

class StringTableModel;

// A grid of strings that draws every cell itself, as the device lists show
// them. Single cells or rectangles of cells can carry parameters (caption,
// colours, named font, placement, input method, options, handlers of their
// own); the current cell or row is highlighted in colours of the grid's own,
// and the grid reports each move of the current cell, column and row.
//
// The first FixedRows rows and FixedCols columns are title cells: drawn in
// FixedColor with a raised frame, neither selectable nor editable; the
// current cell is always outside them. Column widths and row heights count
// the grid line at the right and bottom edge of a cell.
class TStrColGrid : public QTableView {
    Q_OBJECT

public:
    explicit TStrColGrid(QWidget* parent = nullptr);

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
    // The grid's own options; a cell parameter with OptionsEnabled replaces
    // them while its cell is current.
    TGridOptions Options() const { return options_; }
    void setOptions(TGridOptions value);

    TSCGCellParams& CellParams() { return cellParams_; }
    const TSCGCellParams& CellParams() const { return cellParams_; }
    TSCGCellFonts& Fonts() { return fonts_; }
    const TSCGCellFonts& Fonts() const { return fonts_; }
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment value);
    TAlignment FixedAlignment() const { return fixedAlignment_; }
    void setFixedAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void setLayout(TTextLayout value);
    TTextLayout FixedLayout() const { return fixedLayout_; }
    void setFixedLayout(TTextLayout value);
    // Highlight the current cell or row also while another control has the
    // focus.
    bool FocusDraw() const { return focusDraw_; }
    void setFocusDraw(bool value);
    QColor FocusCellColor() const { return focusCellColor_; }
    void setFocusCellColor(const QColor& value);
    QColor FocusCellFontColor() const { return focusCellFontColor_; }
    void setFocusCellFontColor(const QColor& value);
    bool FocusCellFontColorEnabled() const { return focusCellFontColorEnabled_; }
    void setFocusCellFontColorEnabled(bool value);
    // The input method mode while a cell without a mode of its own is current.
    TImeMode ImeMode() const { return imeMode_; }
    void setImeMode(TImeMode value);

    // The parameter that applies to the cell; with ACreate, one is added for
    // the cell when none applies, showing the cell as it is now (the grid's
    // colours, empty caption).
    TSCGCellParam* CellParam(int ACol, int ARow, bool ACreate = false);
    // The painter of the cell being drawn, for the drawing handlers; its
    // brush is the cell's background, its pen the text colour. Null outside
    // drawing.
    QPainter* Canvas() const { return canvas_; }

    TOutCellTextEvent OnOutCellText;
    TDrawTextOneLineEvent OnDrawTextOneLine;
    TDrawCellEvent OnDrawCell;

signals:
    void OnCellChanged(int AOldCol, int AOldRow, int ANewCol, int ANewRow);
    void OnColChanged(int AOldCol, int ANewCol);
    void OnRowChanged(int AOldRow, int ANewRow);
    void BeforeDraw();

protected:
    // Draws one cell on Canvas(); ARect leaves out the cell's grid lines.
    virtual void DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState);

    void paintEvent(QPaintEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    class CellDelegate;
    struct CellText;

    void paintCell(QPainter& painter, const QRect& section, const QModelIndex& index);
    QRect drawGridLines(QPainter& painter, const QRect& section, bool fixed,
                        TGridOptions options) const;
    TGridDrawState drawState(const QModelIndex& index) const;
    TGridOptions optionsFor(const TSCGCellParam* param) const;
    bool isHighlighted(TGridDrawState state, TGridOptions options) const;
    void prepareCanvas(const TSCGCellParam* param, bool fixed, bool highlighted);
    CellText cellText(const TSCGCellParam* param, int ACol, int ARow, const QRect& ARect);
    void outCellText(const TOutCellTextEvent& handler, const QRect& ARect, int ACol, int ARow,
                     const QString& caption, QString& text);
    void drawTextLines(const CellText& text, const TSCGCellParam* param, int ACol, int ARow,
                       const QRect& ARect, TGridDrawState AState, TGridOptions options);
    void drawTextLine(const QString& text, TAlignment alignment, TTextLayout layout,
                      const QRect& lineRect, int lineHeight, int repeat);
    void drawInnerLines(const QRect& lineRect, int index, int count, bool fixed);
    void drawFocusMark(const TSCGCellParam* param, int ACol, int ARow, const QRect& ARect,
                       TGridDrawState AState, TGridOptions options);
    void drawRaisedFrame(const QRect& ARect);

    void moveCurrent(int col, int row);
    void applyCellSettings(const TSCGCellParam* param);
    void applyImeMode();
    void refreshCurrentCell();
    void keepCurrentCellMovable();
    void checkCell(int ACol, int ARow) const;
    void redraw();

    StringTableModel* model_;
    TSCGCellParams cellParams_;
    TSCGCellFonts fonts_;
    QColor color_;
    QColor fixedColor_;
    bool ctl3D_ = true;
    TGridOptions options_ = defaultGridOptions;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TAlignment fixedAlignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    TTextLayout fixedLayout_ = TTextLayout::tlTop;
    bool focusDraw_ = true;
    QColor focusCellColor_;
    QColor focusCellFontColor_;
    bool focusCellFontColorEnabled_ = false;
    TImeMode imeMode_ = TImeMode::imDontCare;
    TImeMode activeImeMode_ = TImeMode::imDontCare;
    QFont editorFont_;
    // The current cell as last reported; a new grid starts at the first cell
    // after its title row and column.
    int col_ = 1;
    int row_ = 1;
    // What the cell being drawn is drawn on.
    QPainter* canvas_ = nullptr;
    QImage* cellImage_ = nullptr;
};

} // namespace quillon::widgets
