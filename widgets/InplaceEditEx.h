#pragma once

#include "widgets/GridTypes.h"

#include <QPlainTextEdit>

namespace quillon::widgets {

class TStringGridEx;

// The cell editor of a TStringGridEx, laid over the cell being edited. It
// takes only the characters the grid accepts for the cell's column, typed or
// pasted. On one line (MultiLine off) Enter moves on to the next cell, as the
// right arrow does in the grid, and Up, Down, Page Up and Page Down move to
// another cell; with MultiLine Enter starts a new line, Ctrl+Enter ends
// editing, the arrows move the caret and Ctrl with an arrow moves to the
// neighbouring cell. Tab moves on to the next cell when the grid lets Tab
// move between cells, and out of the grid otherwise.
//
// It scrolls to the caret by itself, vertically always and horizontally only
// without WordWrap; it shows no scroll bars.
class TInplaceEditEx : public QPlainTextEdit {
    Q_OBJECT

public:
    TInplaceEditEx(TStringGridEx& grid, QWidget* parent);

    TImeMode ImeMode() const { return imeMode_; }
    void setImeMode(TImeMode value);
    bool MultiLine() const { return multiLine_; }
    void setMultiLine(bool value);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool moveKey(const QKeyEvent& event);
    bool acceptsAll(const QString& text) const;

    TStringGridEx& grid_;
    TImeMode imeMode_ = TImeMode::imDisable;
    bool multiLine_ = false;
    bool wordWrap_ = false;
};

} // namespace quillon::widgets
