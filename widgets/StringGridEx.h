#pragma once

#include "widgets/GridColumns.h"
#include "widgets/StringGrid.h"

#include <QPointer>

namespace quillon::widgets {

class TInplaceEditEx;

// Every other row in the stripe colour, or the columns' own colours.
enum class TGridStyle { gsNormal, gsStriped };

// A string grid whose columns carry settings of their own (GridColumns): a
// caption for the title row, colours, fonts, alignment, word wrap, whether
// the cells can be edited, and a data type (text, decimal or hexadecimal)
// that filters the keys typed into the cell editor, tidies what is entered
// and, with a display mask, how the cells show their text. The striped style
// colours every other row. The sector hex editor shows its bytes in one.
//
// GridColumns always holds one item per column: more columns add items with
// the default settings, fewer remove the last ones, and adding or deleting
// items changes the column count. A new grid has four columns and rows 20
// pixels high.
//
// Editing happens in a TInplaceEditEx laid over the cell. Every change of the
// editor's text is reported by OnSetEditText with the text the cell would
// take; the cell takes it when editing ends (Enter, another cell, the focus
// leaving); Escape leaves the cell as it was and reports its text again.
// F2 or typing opens the editor with the cell's text selected; in a
// multi-line column F2 and Enter open it with the caret after the text, while
// in a single-line column Enter moves on to the next cell.
class TStringGridEx : public TStringGrid {
    Q_OBJECT

public:
    explicit TStringGridEx(QWidget* parent = nullptr);

    TGridColumns& GridColumns() { return columns_; }
    const TGridColumns& GridColumns() const { return columns_; }
    TGridStyle GridStyle() const { return gridStyle_; }
    void setGridStyle(TGridStyle value);
    // The colour of the even rows in the striped style; the grid's Color
    // when the grid was made.
    QColor StripeColor() const { return stripeColor_; }
    void setStripeColor(const QColor& value);

    // The background of a normal cell: striped, StripeColor in even rows and
    // Color in odd ones; otherwise the column's colour.
    QColor CellColor(int ACol, int ARow) const;
    // Title cells of row 0 show their column's caption when empty, normal
    // cells their text through the column's display mask.
    QString ShownText(int ACol, int ARow) const override;
    // The cell editor while a cell is being edited, else null.
    TInplaceEditEx* InplaceEditor() const;

signals:
    // The text of the cell being edited changed in the editor; AValue is the
    // text the cell takes from it (see cellTextFromEditor).
    void OnSetEditText(int ACol, int ARow, const QString& AValue);

protected:
    // Draws a cell inside its grid lines: title cells in their column's
    // FixCellFont, with the caption in row 0 when empty; normal cells in
    // CellColor (selected or not) and the column's font, through its display
    // mask.
    virtual void DrawCell(QPainter& ACanvas, int ACol, int ARow, const QRect& ARect,
                          TGridDrawState AState);
    // Whether the character may be typed into the editor of the current cell.
    virtual bool CanEditAcceptKey(QChar AKey) const;
    // Whether the cell's column lets it be edited.
    virtual bool CanEditCell(int ACol, int ARow) const;

    void SizeChanged(int OldColCount, int OldRowCount) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void changeEvent(QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    class CellDelegate;
    friend class TInplaceEditEx;

    const TGridColumn* column(int ACol) const { return columns_.Find(ACol); }
    void paintCell(QPainter& painter, const QRect& section, const QModelIndex& index);
    TInplaceEditEx* createEditor(QWidget* parent);
    void startEditing(TInplaceEditEx& editor, const QModelIndex& index);
    QString takenFromEditor(int ACol, const QString& text) const;
    void editorTextChanged();
    static CursorAction cursorAction(int key);
    void moveFromEditor(int key);
    void tabFromEditor(bool forward);
    void endEditing();
    void columnsChanged();
    void followColumnCount();

    TGridColumns columns_;
    TGridStyle gridStyle_ = TGridStyle::gsNormal;
    QColor stripeColor_;
    QPointer<TInplaceEditEx> editor_;
    // The cell being edited, and whether its text was changed in the editor.
    int editCol_ = -1;
    int editRow_ = -1;
    bool edited_ = false;
    // The editor about to open starts with the caret after the text rather
    // than with the whole text selected.
    bool caretAtEnd_ = false;
    bool followingColumnCount_ = false;
};

} // namespace quillon::widgets
