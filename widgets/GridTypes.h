#pragma once

#include <QFlags>

namespace quillon::widgets {

// What a string grid lets the user do and how it draws its lines: grid lines
// between fixed and between normal cells, selecting a range of cells or whole
// rows, painting the focused cell like the rest of the selection, editing cells
// and moving between cells with Tab.
enum TGridOption {
    goFixedVertLine = 0x001,
    goFixedHorzLine = 0x002,
    goVertLine = 0x004,
    goHorzLine = 0x008,
    goRangeSelect = 0x010,
    goDrawFocusSelected = 0x020,
    goEditing = 0x040,
    goTabs = 0x080,
    goRowSelect = 0x100,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)

// A new grid's options: lines between all cells, range selection.
inline constexpr TGridOptions defaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine,
                                                 goHorzLine, goRangeSelect};

// The state a grid cell is drawn in: part of the selection, the current cell,
// a fixed (title) cell.
enum TGridDrawStateFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)

// The state a control asks of the input method for East Asian text while it
// has the focus; only imDisable changes anything on a Linux desktop (input
// method off), the other modes leave it to the input method.
enum class TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel,
};

} // namespace quillon::widgets

Q_DECLARE_OPERATORS_FOR_FLAGS(quillon::widgets::TGridOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(quillon::widgets::TGridDrawState)
