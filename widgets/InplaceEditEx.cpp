#include "widgets/InplaceEditEx.h"

#include "widgets/EditTyping.h"
#include "widgets/StringGridEx.h"

#include <QKeyEvent>
#include <QMimeData>
#include <algorithm>

namespace quillon::widgets {

TInplaceEditEx::TInplaceEditEx(TStringGridEx& grid, QWidget* parent)
    : QPlainTextEdit(parent), grid_(grid) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(1);
    setImeMode(imeMode_);
    setWordWrap(wordWrap_);
}

void TInplaceEditEx::setImeMode(TImeMode value) {
    imeMode_ = value;
    const bool off = value == TImeMode::imDisable;
    setAttribute(Qt::WA_InputMethodEnabled, !off);
    setInputMethodHints(off ? Qt::ImhLatinOnly : Qt::ImhNone);
}

void TInplaceEditEx::setMultiLine(bool value) {
    multiLine_ = value;
}

void TInplaceEditEx::setWordWrap(bool value) {
    wordWrap_ = value;
    setLineWrapMode(value ? WidgetWidth : NoWrap);
}

void TInplaceEditEx::keyPressEvent(QKeyEvent* event) {
    if (moveKey(*event) || (isTyping(*event) && !acceptsAll(event->text()))) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    const int key = event->key();
    if (multiLine_ &&
        (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down))
        event->accept();
}

// Handles the keys that end editing or leave the cell, and Enter; false for
// the keys left to the text editor.
bool TInplaceEditEx::moveKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const bool ctrl = modifiers == Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!multiLine_)
            grid_.moveFromEditor(Qt::Key_Right);
        else if (modifiers & Qt::ControlModifier)
            grid_.endEditing();
        else
            insertPlainText(QStringLiteral("\n"));
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (modifiers & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        grid_.tabFromEditor(event.key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!multiLine_ || !ctrl)
            return false;
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (multiLine_ ? !ctrl : !plain)
            return false;
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (multiLine_ || !plain)
            return false;
        break;
    default:
        return false;
    }
    grid_.moveFromEditor(event.key());
    return true;
}

// Pasted text keeps only the characters that could be typed into the cell,
// and on one line no line breaks.
void TInplaceEditEx::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText())
        return;
    QString text = source->text();
    text.removeIf([this](QChar c) {
        if (c == u'\r' || c == u'\n')
            return !multiLine_ || c == u'\r';
        return !grid_.CanEditAcceptKey(c);
    });
    insertPlainText(text);
}

bool TInplaceEditEx::acceptsAll(const QString& text) const {
    return std::all_of(text.begin(), text.end(),
                       [this](QChar c) { return grid_.CanEditAcceptKey(c); });
}

} // namespace quillon::widgets
