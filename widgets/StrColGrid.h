#pragma once

#include "widgets/CellFonts.h"
#include "widgets/CellParams.h"
#include "widgets/GridTypes.h"
#include "widgets/StringGrid.h"
#include "widgets/TextPlacement.h"

#include <QColor>

class QImage;
class QPainter;

namespace quillon::widgets {

// A grid of strings that draws every cell itself, as the device lists show
// them. Single cells or rectangles of cells can carry parameters (caption,
// colours, named font, placement, input method, options, handlers of their
// own); the current cell or row is highlighted in colours of the grid's own,
// and the grid reports each move of the current cell, column and row.
//
// A cell parameter with OptionsEnabled replaces the grid's Options while its
// cell is current.
class TStrColGrid : public TStringGrid {
    Q_OBJECT

public:
    explicit TStrColGrid(QWidget* parent = nullptr);

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
    // A cell parameter's caption joined to the cell's text by its caption
    // type; OnOutCellText handlers, called while drawing, are left out.
    QString ShownText(int ACol, int ARow) const override;

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
    void OptionsChanged() override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class CellDelegate;
    struct CellText;

    void paintCell(QPainter& painter, const QRect& section, const QModelIndex& index);
    TGridOptions optionsFor(const TSCGCellParam* param) const;
    bool isHighlighted(TGridDrawState state, TGridOptions options) const;
    void prepareCanvas(const TSCGCellParam* param, bool fixed, bool highlighted);
    static QString shownText(const TSCGCellParam* param, const QString& cell);
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

    void moveCurrent(int col, int row);
    void applyCellSettings(const TSCGCellParam* param);
    void applyImeMode();
    void refreshCurrentCell();

    TSCGCellParams cellParams_;
    TSCGCellFonts fonts_;
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
