#pragma once

#include "widgets/Collection.h"
#include "widgets/Colors.h"
#include "widgets/GridTypes.h"
#include "widgets/TextPlacement.h"

#include <QBrush>
#include <QColor>
#include <QRect>
#include <QString>
#include <functional>

namespace quillon::widgets {

class TStrColGrid;

// How a cell parameter's caption and the cell's own string make up the text
// drawn in the cell: the caption alone (the string when the caption is empty),
// the string alone (the caption when the string is empty), the caption before
// or after the string on one line, or the caption on a line above or below it.
enum class TCaptionType { ctCaption, ctCellText, ctHeader, ctFooter, ctTop, ctBottom };

// Called before a cell's text is drawn: AValue is the text, which the handler
// may replace; ACaption is the cell parameter's caption (empty without one).
// The handler may also change the canvas (TStrColGrid::Canvas()); when it
// sets ADoCanvasReset to false the canvas is put back as it was before.
using TOutCellTextEvent =
    std::function<void(TStrColGrid& AGrid, const QRect& ARect, int ACol, int ARow,
                       const QString& ACaption, QString& AValue, bool& ADoCanvasReset)>;

// Called before each line of a cell's text is drawn, AIndex counting from 0
// and ARect the line's part of the cell: the handler may change the line's
// text, alignment and layout, and whether a line separates it from the line
// above.
using TDrawTextOneLineEvent = std::function<void(
    TStrColGrid& AGrid, const QRect& ARect, int ACol, int ARow, int AIndex, TGridDrawState AState,
    QString& AText, TAlignment& AAlignment, TTextLayout& ALayout, bool& AInnerHorzLine)>;

// Called after a cell's text is drawn, to draw more on the canvas.
using TDrawCellEvent = std::function<void(TStrColGrid& AGrid, int ACol, int ARow,
                                          const QRect& ARect, TGridDrawState AState)>;

// Called when the current cell enters or leaves a cell, column or row that has
// a cell parameter, with that cell's coordinates.
using TCellMoveEvent = std::function<void(TStrColGrid& AGrid, int ACol, int ARow)>;

// The settings of one cell, or of a rectangle of cells, of a TStrColGrid:
// what text the cell shows (its caption and how the caption joins the cell's
// string), how it is placed and coloured, which named font it is drawn and
// edited in, and the input method and grid options while the cell is current.
// Each setting with an "Enabled" flag takes effect only while the flag is set.
class TSCGCellParam : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;

    // Whether the parameter applies to the cell: its own cell, or any cell of
    // the rectangle from (Col, Row) to (ColMax, RowMax) when RangeEnabled.
    bool Matches(int ACol, int ARow) const;

    int Col() const { return col_; }
    void setCol(int value) { assign(col_, value); }
    int Row() const { return row_; }
    void setRow(int value) { assign(row_, value); }
    int ColMax() const { return colMax_; }
    void setColMax(int value) { assign(colMax_, value); }
    int RowMax() const { return rowMax_; }
    void setRowMax(int value) { assign(rowMax_, value); }
    bool RangeEnabled() const { return rangeEnabled_; }
    void setRangeEnabled(bool value) { assign(rangeEnabled_, value); }
    const QString& Caption() const { return caption_; }
    void setCaption(const QString& value) { assign(caption_, value); }
    TCaptionType CaptionType() const { return captionType_; }
    void setCaptionType(TCaptionType value) { assign(captionType_, value); }
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment value) { assign(alignment_, value); }
    TTextLayout Layout() const { return layout_; }
    void setLayout(TTextLayout value) { assign(layout_, value); }
    const QColor& CellColor() const { return cellColor_; }
    void setCellColor(const QColor& value) { assign(cellColor_, value); }
    bool CellColorEnabled() const { return cellColorEnabled_; }
    void setCellColorEnabled(bool value) { assign(cellColorEnabled_, value); }
    const QBrush& Brush() const { return brush_; }
    void setBrush(const QBrush& value) { assign(brush_, value); }
    bool BrushEnabled() const { return brushEnabled_; }
    void setBrushEnabled(bool value) { assign(brushEnabled_, value); }
    const QString& FontName() const { return fontName_; }
    void setFontName(const QString& value) { assign(fontName_, value); }
    const QColor& FontColor() const { return fontColor_; }
    void setFontColor(const QColor& value) { assign(fontColor_, value); }
    bool FontColorEnabled() const { return fontColorEnabled_; }
    void setFontColorEnabled(bool value) { assign(fontColorEnabled_, value); }
    // How many times the text is drawn, each time a pixel further right: a
    // bolder text for a larger number.
    int FontWidth() const { return fontWidth_; }
    void setFontWidth(int value) { assign(fontWidth_, value); }
    TImeMode ImeMode() const { return imeMode_; }
    void setImeMode(TImeMode value) { assign(imeMode_, value); }
    bool ImeModeEnabled() const { return imeModeEnabled_; }
    void setImeModeEnabled(bool value) { assign(imeModeEnabled_, value); }
    TGridOptions Options() const { return options_; }
    void setOptions(TGridOptions value) { assign(options_, value); }
    bool OptionsEnabled() const { return optionsEnabled_; }
    void setOptionsEnabled(bool value) { assign(optionsEnabled_, value); }
    const QString& Name() const { return name_; }
    void setName(const QString& value) { name_ = value; }
    long long Tag() const { return tag_; }
    void setTag(long long value) { tag_ = value; }

    TOutCellTextEvent OnOutCellText;
    TDrawTextOneLineEvent OnDrawTextOneLine;
    TDrawCellEvent OnDrawCell;
    TCellMoveEvent OnEnterCell;
    TCellMoveEvent OnEnterCol;
    TCellMoveEvent OnEnterRow;
    TCellMoveEvent OnLeaveCell;
    TCellMoveEvent OnLeaveCol;
    TCellMoveEvent OnLeaveRow;

private:
    int col_ = 0;
    int row_ = 0;
    int colMax_ = 0;
    int rowMax_ = 0;
    bool rangeEnabled_ = false;
    QString caption_;
    TCaptionType captionType_ = TCaptionType::ctCellText;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    QColor cellColor_ = colors::clWindow();
    bool cellColorEnabled_ = false;
    QBrush brush_{colors::clWindow()};
    bool brushEnabled_ = false;
    QString fontName_;
    QColor fontColor_ = colors::clWindowText();
    bool fontColorEnabled_ = false;
    int fontWidth_ = 1;
    TImeMode imeMode_ = TImeMode::imDontCare;
    bool imeModeEnabled_ = false;
    TGridOptions options_ = defaultGridOptions;
    bool optionsEnabled_ = false;
    QString name_;
    long long tag_ = 0;
};

// The cell parameters of a TStrColGrid. Where parameters overlap, the one
// added later applies.
class TSCGCellParams : public TCollection<TSCGCellParam> {
public:
    using TCollection::TCollection;

    // The parameter that applies to the cell, or null: the last one that
    // matches it.
    TSCGCellParam* Find(int ACol, int ARow) const;
};

} // namespace quillon::widgets
