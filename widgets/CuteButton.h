#pragma once

#include "widgets/Colors.h"
#include "widgets/TextPlacement.h"

#include <QAbstractButton>
#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QPainter;

namespace quillon::widgets {

// How one of the button's two bevels is drawn: not at all, sunk in or
// standing out.
enum class TPanelBevel { bvNone, bvLowered, bvRaised };

// The push button of every window of the tool. It paints itself as a face of
// its own colour framed by an outer and an inner bevel; the outer bevel shows
// the state (none at rest, raised when hot or focused, lowered while pressed).
// The caption can carry an & accelerator and is placed by alignment, layout and
// margins. A press can open a drop-down menu below the button, at once or
// after a delay, and clicks made while the click handler is still running can
// be swallowed.
//
// It is a QAbstractButton so that assistive technology sees a push button
// named by its caption (the button's text()) with a press action. Its own
// mouse and key handling replaces QAbstractButton's: the button never emits
// pressed() or released() for that input, and clicked() only for a click made
// through QAbstractButton (click(), animateClick(), the accessible press),
// which runs as a press of Enter. OnClick is the notification of every click.
class TCuteButton : public QAbstractButton {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TCuteButton& Sender)>;

    explicit TCuteButton(QWidget* parent = nullptr);

    // Called on each click; EgnoreContClick takes it off while it runs.
    TNotifyEvent OnClick;

    TPanelBevel BevelInner() const { return bevelInner_; }
    void setBevelInner(TPanelBevel value);
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void setBevelOuter(TPanelBevel value);
    int BevelWidth() const { return bevelWidth_; }
    void setBevelWidth(int value);
    QColor BevelHighlightColor() const { return bevelHighlightColor_; }
    void setBevelHighlightColor(const QColor& value);
    QColor BevelShadowColor() const { return bevelShadowColor_; }
    void setBevelShadowColor(const QColor& value);

    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    // Hides QWidget::setLayout(QLayout*): the button holds no child widgets.
    void setLayout(TTextLayout value);
    // The button's text(), drawn in the palette's ButtonText colour and the
    // widget's font; its & character makes Alt+character the button's shortcut.
    QString Caption() const { return text(); }
    void setCaption(const QString& value) { setText(value); }
    int MarginX() const { return marginX_; }
    void setMarginX(int value);
    int MarginY() const { return marginY_; }
    void setMarginY(int value);

    QColor Color() const { return color_; }
    void setColor(const QColor& value);
    QColor DisabledColor() const { return disabledColor_; }
    void setDisabledColor(const QColor& value);
    bool UseDisabledColor() const { return useDisabledColor_; }
    void setUseDisabledColor(bool value);
    bool Flat() const { return flat_; }
    void setFlat(bool value);
    bool ShowFocusRect() const { return showFocusRect_; }
    void setShowFocusRect(bool value);
    bool TabFocusUp() const { return tabFocusUp_; }
    void setTabFocusUp(bool value);

    QMenu* DropDownMenu() const { return dropDownMenu_; }
    void setDropDownMenu(QMenu* value);
    int DropDownDelay() const { return dropDownDelay_; }
    void setDropDownDelay(int value);
    bool EgnoreContClick() const { return egnoreContClick_; }
    void setEgnoreContClick(bool value);

    // Runs the click handler, unless the click is the one produced by the
    // press that opened the drop-down menu.
    void Click();
    // Opens the drop-down menu now, or arms the delay timer.
    virtual void DropDownStart();
    // Opens the drop-down menu below the button and restores the bevel after.
    virtual void DropDown();

    QSize sizeHint() const override;

signals:
    // The pointer's position in the button and the keyboard modifiers.
    void OnMouseEnter(Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseLeave(Qt::KeyboardModifiers Shift, int X, int Y);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    template <typename T> void assign(T& field, const T& value);
    void drawBevel(QPainter& painter, QRect& rect, TPanelBevel bevel) const;
    QRect captionRect() const;
    int captionFlags() const;
    void drawFocusRect(QPainter& painter, const QRect& rect) const;

    TPanelBevel focusBevel() const;
    TPanelBevel restingBevel() const;
    void pointerCrossed(bool inside, QPoint pos);
    void leftButtonUp(QPoint pos);
    void spaceUp();
    void pressBriefly();
    void clickedThroughButton();
    bool hasAccelerator(int key) const;
    bool pressButtonWithAccelerator(const QKeyEvent& e);
    void dropDownTimerFired();

    TPanelBevel bevelInner_ = TPanelBevel::bvRaised;
    TPanelBevel bevelOuter_ = TPanelBevel::bvNone;
    int bevelWidth_ = 1;
    QColor bevelHighlightColor_ = colors::clBtnHighlight();
    QColor bevelShadowColor_ = colors::clBtnShadow();
    TAlignment alignment_ = TAlignment::taCenter;
    TTextLayout layout_ = TTextLayout::tlCenter;
    int marginX_ = -1;
    int marginY_ = -1;
    QColor color_ = colors::clBtnFace();
    QColor disabledColor_ = colors::clGray;
    bool useDisabledColor_ = false;
    bool flat_ = false;
    bool showFocusRect_ = false;
    bool tabFocusUp_ = true;
    QPointer<QMenu> dropDownMenu_;
    int dropDownDelay_ = 0;
    bool egnoreContClick_ = false;

    bool skipNextClick_ = false;
    bool spaceDown_ = false;
    bool dropDownByKey_ = false;
    bool mouseCaptured_ = false; // a left press on the button is not released yet
    bool pointerInside_ = false;
    QTimer dropDownTimer_; // active while a delayed drop-down is pending
};

// A button as a window places it: named, placed, captioned and coloured.
TCuteButton* AddCuteButton(QWidget* window, const char* name, const QString& caption, QRgb color,
                           QRect geometry);

} // namespace quillon::widgets
