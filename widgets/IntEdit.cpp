#include "widgets/IntEdit.h"

#include "widgets/RadixNumber.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace quillon::widgets {
namespace {

// QLineEdit's own length limit, which stands for "no limit".
constexpr int kUnlimitedLength = 32767;

bool isSign(const QString& text) {
    return text == u"+" || text == u"-";
}

bool isEnter(const QKeyEvent& event) {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

} // namespace

TIntEdit::TIntEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    rebuildValidChars();
    connect(lineEdit(), &QLineEdit::textChanged, this, &TIntEdit::OnChange);
    setValue(0);
}

void TIntEdit::setRadix(int radix) {
    if (!isRadix(radix)) {
        beep();
        return;
    }
    if (radix == radix_)
        return;
    const std::int32_t value = Value();
    const bool toUnsigned = radix > 0 && radix_ < 0;
    const bool toSigned = radix < 0 && radix_ > 0;
    radix_ = radix;
    if (toUnsigned && min_ == -2147483647 && max_ == 2147483647)
        min_ = 0;
    if (toSigned && min_ == 0 && max_ == 2147483647)
        min_ = -2147483647;
    rebuildValidChars();
    setValue(value);
    updateGeometry();
}

void TIntEdit::setMinValue(std::int32_t value) {
    min_ = value;
    updateGeometry();
}

void TIntEdit::setMaxValue(std::int32_t value) {
    max_ = value;
    updateGeometry();
}

std::int32_t TIntEdit::Value() const {
    return readRadix(text(), radix_).value;
}

void TIntEdit::setValue(std::int32_t value) {
    setText(formatRadix(value, radix_));
}

void TIntEdit::setText(const QString& text) {
    const QString shown = text.toUpper();
    if (const auto bound = boundReplacing(shown))
        showBound(*bound);
    else
        lineEdit()->setText(shown);
}

void TIntEdit::setEditorEnabled(bool enabled) {
    editorEnabled_ = enabled;
    lineEdit()->setReadOnly(isReadOnly() || !enabled);
}

int TIntEdit::MaxLength() const {
    const int length = lineEdit()->maxLength();
    return length == kUnlimitedLength ? 0 : length;
}

void TIntEdit::setMaxLength(int length) {
    lineEdit()->setMaxLength(length > 0 ? length : kUnlimitedLength);
}

QSize TIntEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics = fontMetrics();
    const int textWidth = std::max(metrics.horizontalAdvance(formatRadix(min_, radix_)),
                                   metrics.horizontalAdvance(formatRadix(max_, radix_)));
    // Room for the caret beside the widest bound, as QSpinBox leaves it.
    const QSize content(textWidth + metrics.horizontalAdvance(u' ') + 2,
                        lineEdit()->sizeHint().height());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize TIntEdit::minimumSizeHint() const {
    return sizeHint();
}

void TIntEdit::stepBy(int steps) {
    if (isReadOnly()) {
        beep();
        return;
    }
    std::int32_t value = Value();
    for (int step = 0; step < std::abs(steps); ++step)
        value = stepped(value, steps > 0 ? 1 : -1);
    setValue(value);
    selectAll();
}

// The buttons stay live at the bounds: stepping there stays or wraps, and a
// read-only field answers them with a beep.
QAbstractSpinBox::StepEnabled TIntEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

void TIntEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        event->ignore(); // only Up and Down step; the page keys belong to the window
        return;
    }
    if (isEnter(*event) && modes_.testFlag(TIntEditMode::imEnterNext)) {
        event->accept();
        focusNextChild();
        return;
    }
    if (typing_.toggle(*event)) {
        event->accept();
        return;
    }
    if (!acceptsKey(*event)) {
        event->accept();
        beep();
        return;
    }
    if (!isTyping(*event)) {
        QAbstractSpinBox::keyPressEvent(event);
        return;
    }
    if (isSign(event->text()))
        placeSign();
    else
        typing_.prepare(*lineEdit());
    QKeyEvent capitals(event->type(), event->key(), event->modifiers(), event->text().toUpper(),
                       event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QAbstractSpinBox::keyPressEvent(&capitals);
    event->setAccepted(capitals.isAccepted());
}

// A stray turn of the wheel over a field must not change an address of a
// destructive run: the wheel scrolls whatever holds the field instead.
void TIntEdit::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void TIntEdit::focusInEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusInEvent(event);
    if (movesBetweenFields(*event))
        typing_.enter(*lineEdit());
}

void TIntEdit::focusOutEvent(QFocusEvent* event) {
    if (movesBetweenFields(*event)) {
        if (const auto bound = boundReplacing(text()))
            showBound(*bound);
    }
    QAbstractSpinBox::focusOutEvent(event);
}

void TIntEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ReadOnlyChange)
        lineEdit()->setReadOnly(isReadOnly() || !editorEnabled_);
    QAbstractSpinBox::changeEvent(event);
}

bool TIntEdit::isRangeEmpty() const {
    return order(max_) < order(min_);
}

std::int64_t TIntEdit::order(std::int32_t value) const {
    return radixOrder(value, radix_);
}

// A text beyond a bound, or one whose reading overflowed or stopped at garbage
// with the saturated or the zero value, is replaced by the bound.
std::optional<std::int32_t> TIntEdit::boundReplacing(const QString& text) const {
    if (isRangeEmpty())
        return std::nullopt;
    const RadixReading reading = readRadix(text, radix_);
    const bool garbage = reading.stop < text.size() && text[reading.stop] >= u' ';
    const std::int32_t saturated = radix_ < 0 ? 2147483647 : -1;
    const std::int32_t floor = radix_ < 0 ? -2147483647 : 0;
    if (order(reading.value) > order(max_) || (garbage && reading.value == saturated))
        return max_;
    if (order(reading.value) < order(min_) || (garbage && reading.value == floor))
        return min_;
    return std::nullopt;
}

void TIntEdit::showBound(std::int32_t bound) {
    lineEdit()->setText(formatRadix(bound, radix_));
    beep();
}

// One step up (direction 1) or down (-1): past the far bound the value stops
// there, or wraps to the near bound with imArrowWrap when it stood on it.
std::int32_t TIntEdit::stepped(std::int32_t value, int direction) const {
    const std::int64_t next = order(value) + std::int64_t{direction} * increment_;
    if (isRangeEmpty())
        return static_cast<std::int32_t>(next);
    const std::int32_t far = direction > 0 ? max_ : min_;
    if (modes_.testFlag(TIntEditMode::imArrowWrap) && value == far)
        return direction > 0 ? min_ : max_;
    const bool beyond = direction > 0 ? next > order(far) : next < order(far);
    return beyond ? far : static_cast<std::int32_t>(next);
}

// Copy, cut and undo pass and paste is refused; typed characters must belong
// to the radix; erasing needs the editor.
bool TIntEdit::acceptsKey(const QKeyEvent& event) const {
    if (event.matches(QKeySequence::Paste))
        return false;
    if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Cut) ||
        event.matches(QKeySequence::Undo))
        return true;
    if (isTyping(event))
        return editorEnabled_ && isValidText(event.text());
    if (event.text().isEmpty())
        return true;
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const bool erases = event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete;
    return editorEnabled_ || !erases;
}

bool TIntEdit::isValidText(const QString& text) const {
    return std::all_of(text.begin(), text.end(), [this](QChar c) {
        const std::size_t code = c.unicode();
        return code < validChars_.size() && validChars_.test(code);
    });
}

// A sign goes to the start of the text, replacing a sign already there.
void TIntEdit::placeSign() {
    QLineEdit& edit = *lineEdit();
    if (edit.text().startsWith(u'+') || edit.text().startsWith(u'-'))
        edit.setSelection(0, 1);
    else
        edit.setCursorPosition(0);
}

void TIntEdit::rebuildValidChars() {
    validChars_.reset();
    for (int digit = 0; digit < std::abs(radix_); ++digit) {
        const char c = radixDigit(digit);
        validChars_.set(static_cast<unsigned char>(c));
        if (digit >= 10)
            validChars_.set(static_cast<unsigned char>(c - 'A' + 'a'));
    }
    if (radix_ < 0) {
        validChars_.set('+');
        validChars_.set('-');
    }
}

void TIntEdit::beep() {
    emit beeped();
    QApplication::beep();
}

} // namespace quillon::widgets
