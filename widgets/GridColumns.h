#pragma once

#include "widgets/Collection.h"
#include "widgets/GridTypes.h"
#include "widgets/TextPlacement.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace quillon::widgets {

// What the cells of a column hold: any text, a decimal integer or a
// hexadecimal number.
enum class TGridDataType { dtString, dtInteger, dtHex };

// Whether a character may be typed into a cell of a column of that type:
// control characters and blank always; in dtInteger also "+", "-", "." and
// the digits, in dtHex the digits and A to F in either case; in dtString
// anything.
bool acceptsEditKey(TGridDataType type, QChar key);

// The text a cell keeps of what was typed into it. dtInteger: a lone "-"
// becomes "-0", any other number is written back in decimal, without leading
// zeros or "+". dtHex: a number is written back in at least four capital
// hexadecimal digits. An empty text, a text of dtString and a text that is no
// number stay as they are.
QString cellTextFromEditor(TGridDataType type, const QString& text);

// The settings of one column of a TStringGridEx: its caption, colours, fonts,
// alignment and wrapping, whether and how its cells are edited (data type,
// input method, several lines), and the mask its cells are shown through.
// Each change tells the grid, which repaints.
//
// Color and Font are the grid's, and follow the grid's, until the column is
// given its own; FixCellFont is the column's Font until it is given its own.
class TGridColumn : public TCollectionItem {
public:
    TGridColumn(std::function<void()> changed, const QColor& gridColor, const QFont& gridFont);

    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment value) { assign(alignment_, value); }
    bool CanEdit() const { return canEdit_; }
    void setCanEdit(bool value) { assign(canEdit_, value); }
    // Shown in row 0 when that title cell is empty. An empty caption is kept
    // as one blank.
    const QString& Caption() const { return caption_; }
    void setCaption(const QString& value);
    const QColor& Color() const { return color_; }
    void setColor(const QColor& value);
    TGridDataType DataType() const { return dataType_; }
    void setDataType(TGridDataType value) { assign(dataType_, value); }
    // How the cells show their text: see applyDisplayMask.
    const QString& DisplayMask() const { return displayMask_; }
    void setDisplayMask(const QString& value) { assign(displayMask_, value); }
    // The font of the normal cells and of the cell editor.
    const QFont& Font() const { return font_; }
    void setFont(const QFont& value);
    // The font of the column's title cells.
    const QFont& FixCellFont() const { return fixCellFont_; }
    void setFixCellFont(const QFont& value);
    TImeMode ImeMode() const { return imeMode_; }
    void setImeMode(TImeMode value) { assign(imeMode_, value); }
    bool MultiLine() const { return multiLine_; }
    void setMultiLine(bool value) { assign(multiLine_, value); }
    bool Wordwrap() const { return wordwrap_; }
    void setWordwrap(bool value) { assign(wordwrap_, value); }

private:
    friend class TGridColumns;
    void follow(const QColor& gridColor, const QFont& gridFont);

    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool canEdit_ = true;
    QString caption_;
    QColor color_;
    TGridDataType dataType_ = TGridDataType::dtString;
    QString displayMask_;
    QFont font_;
    QFont fixCellFont_;
    TImeMode imeMode_ = TImeMode::imDisable;
    bool multiLine_ = false;
    bool wordwrap_ = false;
    bool ownColor_ = false;
    bool ownFont_ = false;
    bool ownFixCellFont_ = false;
};

// The column settings of a TStringGridEx, one item per grid column. A new
// item starts from the grid's colour and font.
class TGridColumns : public TCollection<TGridColumn> {
public:
    TGridColumns(std::function<void()> changed, const QColor& gridColor, const QFont& gridFont);

    TGridColumn& Add() { return emplace(gridColor_, gridFont_); }
    // The settings of the column, or null for a column without.
    const TGridColumn* Find(int index) const {
        return index >= 0 && index < Count() ? &Items(index) : nullptr;
    }
    // The grid's colour or font changed: the items that have none of their
    // own take it.
    void followGrid(const QColor& gridColor, const QFont& gridFont);

private:
    QColor gridColor_;
    QFont gridFont_;
};

} // namespace quillon::widgets
