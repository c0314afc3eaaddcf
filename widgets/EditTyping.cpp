#include "widgets/EditTyping.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace quillon::widgets {

void EditTyping::setMode(TOverWriteMode mode) {
    mode_ = mode;
    overwriting_ = mode == TOverWriteMode::owOverWrite;
}

bool EditTyping::toggle(const QKeyEvent& event) {
    if (mode_ != TOverWriteMode::owToggle || event.key() != Qt::Key_Insert ||
        event.modifiers() != Qt::NoModifier)
        return false;
    overwriting_ = !overwriting_;
    return true;
}

void EditTyping::enter(QLineEdit& edit) {
    overwriting_ = mode_ == TOverWriteMode::owOverWrite;
    if (overwriting_ && edit.hasSelectedText())
        edit.setCursorPosition(edit.selectionStart());
}

void EditTyping::prepare(QLineEdit& edit) const {
    if (!overwriting_ || edit.hasSelectedText())
        return;
    int caret = edit.cursorPosition();
    if (mode_ == TOverWriteMode::owOverWrite)
        caret = std::min(caret, edit.maxLength() - 1);
    if (caret < edit.text().size())
        edit.setSelection(caret, 1);
}

Qt::Alignment toQtAlignment(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TAlignment::taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case TAlignment::taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

TAlignment fromQtAlignment(Qt::Alignment alignment) {
    if (alignment & Qt::AlignRight)
        return TAlignment::taRightJustify;
    if (alignment & Qt::AlignHCenter)
        return TAlignment::taCenter;
    return TAlignment::taLeftJustify;
}

bool isTyping(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty() ||
        (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

bool movesBetweenFields(const QFocusEvent& event) {
    return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

} // namespace quillon::widgets
