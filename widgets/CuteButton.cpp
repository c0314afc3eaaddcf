#include "widgets/CuteButton.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QShortcutEvent>
#include <algorithm>
#include <utility>

namespace quillon::widgets {

TCuteButton::TCuteButton(QWidget* parent) : QAbstractButton(parent) {
    // Laid out as a plain widget, not as QAbstractButton sizes its buttons.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(75, 25);
    dropDownTimer_.setSingleShot(true);
    connect(&dropDownTimer_, &QTimer::timeout, this, &TCuteButton::dropDownTimerFired);
    // Only QAbstractButton's own click paths (click(), animateClick(), the
    // accessible press action) emit these: the press shows while it lasts.
    connect(this, &QAbstractButton::pressed, this,
            [this] { setBevelOuter(TPanelBevel::bvLowered); });
    connect(this, &QAbstractButton::clicked, this, &TCuteButton::clickedThroughButton);
}

template <typename T> void TCuteButton::assign(T& field, const T& value) {
    if (field == value)
        return;
    field = value;
    update();
}

void TCuteButton::setBevelInner(TPanelBevel value) {
    assign(bevelInner_, value);
}
void TCuteButton::setBevelOuter(TPanelBevel value) {
    assign(bevelOuter_, value);
}
void TCuteButton::setBevelWidth(int value) {
    assign(bevelWidth_, std::max(1, value));
}
void TCuteButton::setBevelHighlightColor(const QColor& value) {
    assign(bevelHighlightColor_, value);
}
void TCuteButton::setBevelShadowColor(const QColor& value) {
    assign(bevelShadowColor_, value);
}
void TCuteButton::setAlignment(TAlignment value) {
    assign(alignment_, value);
}
void TCuteButton::setLayout(TTextLayout value) {
    assign(layout_, value);
}
void TCuteButton::setMarginX(int value) {
    assign(marginX_, std::max(-1, value));
}
void TCuteButton::setMarginY(int value) {
    assign(marginY_, std::max(-1, value));
}
void TCuteButton::setColor(const QColor& value) {
    assign(color_, value);
}
void TCuteButton::setUseDisabledColor(bool value) {
    assign(useDisabledColor_, value);
}
void TCuteButton::setShowFocusRect(bool value) {
    assign(showFocusRect_, value);
}
void TCuteButton::setTabFocusUp(bool value) {
    assign(tabFocusUp_, value);
}
void TCuteButton::setDropDownMenu(QMenu* value) {
    dropDownMenu_ = value;
}
void TCuteButton::setDropDownDelay(int value) {
    dropDownDelay_ = value;
}
void TCuteButton::setEgnoreContClick(bool value) {
    egnoreContClick_ = value;
}

void TCuteButton::setDisabledColor(const QColor& value) {
    if (value == disabledColor_)
        return;
    disabledColor_ = value;
    if (!isEnabled())
        update();
}

void TCuteButton::setFlat(bool value) {
    assign(flat_, value);
    setBevelInner(value ? TPanelBevel::bvNone : TPanelBevel::bvRaised);
}

QSize TCuteButton::sizeHint() const {
    const QSize caption = fontMetrics().size(captionFlags(), text());
    // Both bevels on each side, and room for the caption to move when pressed.
    const int frame = 4 * bevelWidth_ + 2;
    const QSize margins(std::max(0, marginX_), std::max(0, marginY_));
    return QSize(75, 25).expandedTo(caption + margins + QSize(frame, frame));
}

void TCuteButton::Click() {
    if (std::exchange(skipNextClick_, false))
        return;
    if (!egnoreContClick_) {
        if (TNotifyEvent handler = OnClick)
            handler(*this);
        return;
    }
    // The handler is off the button until the events queued while it ran have
    // been processed, so clicks made meanwhile reach no handler.
    QPointer<TCuteButton> self(this);
    TNotifyEvent handler = std::exchange(OnClick, nullptr);
    const auto putBack = qScopeGuard([&] {
        if (self)
            OnClick = std::move(handler);
    });
    if (handler)
        handler(*this);
    QCoreApplication::processEvents();
}

void TCuteButton::DropDownStart() {
    if (dropDownDelay_ <= 0)
        DropDown();
    else if (!dropDownTimer_.isActive())
        dropDownTimer_.start(dropDownDelay_);
}

void TCuteButton::DropDown() {
    QPointer<QMenu> menu = dropDownMenu_;
    if (!menu)
        return;
    const QPoint at = mapToGlobal(QPoint(0, height()));
    // The press or key that opened the menu must not click when it ends.
    skipNextClick_ = true;
    QPointer<TCuteButton> self(this);
    QCoreApplication::processEvents();
    if (menu)
        menu->exec(at);
    if (!self)
        return;
    if (dropDownByKey_)
        spaceUp();
    else
        leftButtonUp(QPoint(0, 0));
    skipNextClick_ = false;
}

void TCuteButton::dropDownTimerFired() {
    if (dropDownByKey_) {
        DropDown();
    } else if (mouseCaptured_) {
        mouseCaptured_ = false;
        DropDown();
    }
}

// Events go to QWidget, passing QAbstractButton by, as the button's other
// handlers do: a disabled button lets mouse input through to what lies under
// it, and the caption's Alt+character (the shortcut setText grabs) presses
// the button at once, where QAbstractButton would animate the click or, with
// the character taken twice in the window, only take the focus.
bool TCuteButton::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut && static_cast<QShortcutEvent*>(e)->key() == shortcut()) {
        pressBriefly();
        return true;
    }
    return QWidget::event(e);
}

void TCuteButton::clickedThroughButton() {
    if (isEnabled())
        pressBriefly();
    else
        setBevelOuter(restingBevel());
}

void TCuteButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect face = rect();
    painter.fillRect(face, useDisabledColor_ && !isEnabled() ? disabledColor_ : color_);
    drawBevel(painter, face, bevelOuter_);
    drawBevel(painter, face, bevelInner_);

    const QRect place = captionRect();
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(place, captionFlags(), text());
    } else {
        painter.setPen(colors::clBtnHighlight());
        painter.drawText(place.translated(1, 1), captionFlags(), text());
        painter.setPen(colors::clBtnShadow());
        painter.drawText(place, captionFlags(), text());
    }
    if (showFocusRect_ && hasFocus())
        drawFocusRect(painter, place.adjusted(2, 2, -2, -2));
}

// A frame of bevelWidth_ lines inside rect, light on the top and left and dark
// on the bottom and right when raised, the other way round when lowered; the
// top right and bottom left corners belong to the bottom and right edges.
// rect shrinks by the frame's width.
void TCuteButton::drawBevel(QPainter& painter, QRect& rect, TPanelBevel bevel) const {
    if (bevel == TPanelBevel::bvNone)
        return;
    const bool raised = bevel == TPanelBevel::bvRaised;
    const QColor topLeft = raised ? bevelHighlightColor_ : bevelShadowColor_;
    const QColor bottomRight = raised ? bevelShadowColor_ : bevelHighlightColor_;
    for (int line = 0; line < bevelWidth_; ++line) {
        if (!rect.isEmpty()) {
            painter.fillRect(rect.left(), rect.top(), rect.width() - 1, 1, topLeft);
            painter.fillRect(rect.left(), rect.top(), 1, rect.height() - 1, topLeft);
            painter.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
            painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
        }
        rect.adjust(1, 1, -1, -1);
    }
}

QRect TCuteButton::captionRect() const {
    const int inset = flat_ ? bevelWidth_ : 2 * bevelWidth_;
    QRect text = rect().adjusted(inset, inset, -inset, -inset);
    if (marginX_ != -1) {
        if (alignment_ == TAlignment::taLeftJustify)
            text.setLeft(text.left() + marginX_);
        else if (alignment_ == TAlignment::taRightJustify)
            text.setRight(text.right() - marginX_);
    }
    if (marginY_ != -1) {
        if (layout_ == TTextLayout::tlTop)
            text.setTop(text.top() + marginY_);
        else if (layout_ == TTextLayout::tlBottom)
            text.setBottom(text.bottom() - marginY_);
    }
    if (bevelOuter_ == TPanelBevel::bvLowered)
        text.translate(2, 2);
    return text;
}

int TCuteButton::captionFlags() const {
    const Qt::Alignment horizontal = alignment_ == TAlignment::taLeftJustify    ? Qt::AlignLeft
                                     : alignment_ == TAlignment::taRightJustify ? Qt::AlignRight
                                                                                : Qt::AlignHCenter;
    const Qt::Alignment vertical = layout_ == TTextLayout::tlTop      ? Qt::AlignTop
                                   : layout_ == TTextLayout::tlBottom ? Qt::AlignBottom
                                                                      : Qt::AlignVCenter;
    return Qt::TextSingleLine | Qt::TextShowMnemonic | int(horizontal | vertical);
}

// A rectangle dotted every second pixel in the caption's colour.
void TCuteButton::drawFocusRect(QPainter& painter, const QRect& rect) const {
    QPen pen(palette().color(QPalette::ButtonText), 0);
    pen.setDashPattern({1.0, 1.0});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

TPanelBevel TCuteButton::focusBevel() const {
    return tabFocusUp_ && hasFocus() ? TPanelBevel::bvRaised : TPanelBevel::bvNone;
}

// The outer bevel once nothing presses the button: raised when hot or focused.
TPanelBevel TCuteButton::restingBevel() const {
    return pointerInside_ ? TPanelBevel::bvRaised : focusBevel();
}

// While the left button holds the button, crossing its edge counts as leaving
// or entering it, as a plain pointer movement does.
void TCuteButton::pointerCrossed(bool inside, QPoint pos) {
    if (inside == pointerInside_)
        return;
    pointerInside_ = inside;
    const Qt::KeyboardModifiers shift = QGuiApplication::keyboardModifiers();
    if (inside) {
        emit OnMouseEnter(shift, pos.x(), pos.y());
        setBevelOuter(mouseCaptured_ ? TPanelBevel::bvLowered : TPanelBevel::bvRaised);
    } else {
        emit OnMouseLeave(shift, pos.x(), pos.y());
        setBevelOuter(focusBevel());
    }
}

void TCuteButton::enterEvent(QEnterEvent* e) {
    pointerCrossed(true, e->position().toPoint());
    QWidget::enterEvent(e);
}

void TCuteButton::leaveEvent(QEvent* e) {
    pointerCrossed(false, mapFromGlobal(QCursor::pos()));
    QWidget::leaveEvent(e);
}

void TCuteButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    setBevelOuter(TPanelBevel::bvLowered);
    mouseCaptured_ = true;
    if (dropDownMenu_) {
        dropDownByKey_ = false;
        DropDownStart();
    }
}

void TCuteButton::mouseMoveEvent(QMouseEvent* e) {
    if (mouseCaptured_)
        pointerCrossed(rect().contains(e->position().toPoint()), e->position().toPoint());
    QWidget::mouseMoveEvent(e);
}

void TCuteButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        leftButtonUp(e->position().toPoint());
    else
        QWidget::mouseReleaseEvent(e);
}

// The press is over before the click runs, so a pending delayed drop-down
// cannot open the menu while a long click handler processes events.
void TCuteButton::leftButtonUp(QPoint pos) {
    const bool inside = rect().contains(pos);
    setBevelOuter(inside ? TPanelBevel::bvRaised : focusBevel());
    dropDownTimer_.stop();
    const bool pressed = std::exchange(mouseCaptured_, false);
    if (inside && pressed)
        Click();
}

void TCuteButton::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Space:
        spaceDown_ = true;
        setBevelOuter(TPanelBevel::bvLowered);
        if (dropDownMenu_) {
            dropDownByKey_ = true;
            DropDownStart();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressBriefly();
        return;
    default:
        if (spaceDown_) {
            spaceDown_ = false;
            setBevelOuter(restingBevel());
        }
        if (!pressButtonWithAccelerator(*e))
            QWidget::keyPressEvent(e);
    }
}

void TCuteButton::keyReleaseEvent(QKeyEvent* e) {
    // A held key repeats as release and press pairs on some systems; only the
    // real release counts.
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat())
        spaceUp();
    else
        QWidget::keyReleaseEvent(e);
}

void TCuteButton::spaceUp() {
    dropDownTimer_.stop();
    if (!spaceDown_)
        return;
    spaceDown_ = false;
    QPointer<TCuteButton> self(this);
    Click();
    if (self)
        setBevelOuter(restingBevel());
}

// Enter and the accelerator: a whole press at once, opening the menu when it
// opens without delay, clicking otherwise.
void TCuteButton::pressBriefly() {
    setBevelOuter(TPanelBevel::bvLowered);
    QPointer<TCuteButton> self(this);
    if (dropDownMenu_ && dropDownDelay_ <= 0)
        DropDown();
    else
        Click();
    if (self)
        setBevelOuter(restingBevel());
}

bool TCuteButton::hasAccelerator(int key) const {
    return shortcut() == QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(key)));
}

// A plain character typed while a push button has the focus works as the
// accelerator of the window's button whose caption marks that character.
bool TCuteButton::pressButtonWithAccelerator(const QKeyEvent& e) {
    if ((e.modifiers() != Qt::NoModifier && e.modifiers() != Qt::ShiftModifier) ||
        e.text().isEmpty())
        return false;
    const QList<TCuteButton*> buttons = window()->findChildren<TCuteButton*>();
    const auto match = std::find_if(buttons.begin(), buttons.end(), [&](TCuteButton* button) {
        return button->window() == window() && button->isVisible() && button->isEnabled() &&
               button->hasAccelerator(e.key());
    });
    if (match == buttons.end())
        return false;
    (*match)->pressBriefly();
    return true;
}

void TCuteButton::focusInEvent(QFocusEvent* e) {
    setBevelOuter(restingBevel());
    QWidget::focusInEvent(e);
}

void TCuteButton::focusOutEvent(QFocusEvent* e) {
    setBevelOuter(restingBevel());
    QWidget::focusOutEvent(e);
}

// Disabling ends a press in progress, as input no longer reaches the button.
void TCuteButton::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        mouseCaptured_ = false;
        spaceDown_ = false;
        dropDownTimer_.stop();
        setBevelOuter(restingBevel());
    }
    QWidget::changeEvent(e);
}

TCuteButton* AddCuteButton(QWidget* window, const char* name, const QString& caption, QRgb color,
                           QRect geometry) {
    auto* button = new TCuteButton(window);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setColor(QColor(color));
    return button;
}

} // namespace quillon::widgets
