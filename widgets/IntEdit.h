#pragma once

#include "widgets/EditTyping.h"
#include "widgets/TextPlacement.h"

#include <QAbstractSpinBox>
#include <bitset>
#include <cstdint>
#include <optional>

namespace quillon::widgets {

// Stepping past a bound wraps to the other bound; Enter moves the focus on.
enum class TIntEditMode { imArrowWrap = 0x1, imEnterNext = 0x2 };
Q_DECLARE_FLAGS(TIntEditModes, TIntEditMode)
Q_DECLARE_OPERATORS_FOR_FLAGS(TIntEditModes)

// The integer entry field used for every address, count and parameter: a
// 32-bit number shown in capitals in any radix from 2 to 36, signed or
// unsigned, that accepts only the characters of its radix, is held inside
// its range whenever its text is written and when the focus leaves it, can
// type over instead of inserting, and steps by Increment with the up and down
// buttons and arrow keys only (not the page keys or the mouse wheel). Every
// refused key or correction beeps.
class TIntEdit : public QAbstractSpinBox {
    Q_OBJECT
    // The value and its range under the names through which assistive
    // technology reads and sets a spin box's value.
    Q_PROPERTY(int value READ Value WRITE setValue)
    Q_PROPERTY(int minimum READ MinValue)
    Q_PROPERTY(int maximum READ MaxValue)

public:
    explicit TIntEdit(QWidget* parent = nullptr);

    int Radix() const { return radix_; }
    // Ignores with a beep anything but 2 to 36 or -36 to -2; keeps the value.
    void setRadix(int radix);
    std::int32_t MinValue() const { return min_; }
    void setMinValue(std::int32_t value);
    std::int32_t MaxValue() const { return max_; }
    void setMaxValue(std::int32_t value);
    // The text read in the radix; writing shows the value held in the range.
    std::int32_t Value() const;
    void setValue(std::int32_t value);
    // Shows the text in capitals, or the bound it lies beyond.
    void setText(const QString& text);

    TAlignment Alignment() const { return fromQtAlignment(alignment()); }
    void setAlignment(TAlignment alignment) { setAlignment(toQtAlignment(alignment)); }
    using QAbstractSpinBox::setAlignment;
    TIntEditModes EditModes() const { return modes_; }
    void setEditModes(TIntEditModes modes) { modes_ = modes; }
    TOverWriteMode OverWriteMode() const { return typing_.Mode(); }
    void setOverWriteMode(TOverWriteMode mode) { typing_.setMode(mode); }
    bool Overwriting() const { return typing_.Overwriting(); }

    int Increment() const { return increment_; }
    void setIncrement(int increment) { increment_ = increment; }
    // Without the editor only the buttons and arrow keys change the value.
    bool EditorEnabled() const { return editorEnabled_; }
    void setEditorEnabled(bool enabled);
    // 0 for no limit.
    int MaxLength() const;
    void setMaxLength(int length);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void stepBy(int steps) override;

signals:
    void OnChange();
    void beeped();

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool isRangeEmpty() const;
    std::int64_t order(std::int32_t value) const;
    std::optional<std::int32_t> boundReplacing(const QString& text) const;
    void showBound(std::int32_t bound);
    std::int32_t stepped(std::int32_t value, int direction) const;
    bool acceptsKey(const QKeyEvent& event) const;
    bool isValidText(const QString& text) const;
    void placeSign();
    void rebuildValidChars();
    void beep();

    int radix_ = -10;
    std::int32_t min_ = -2147483647;
    std::int32_t max_ = 2147483647;
    int increment_ = 1;
    bool editorEnabled_ = true;
    TIntEditModes modes_;
    EditTyping typing_;
    std::bitset<256> validChars_;
};

} // namespace quillon::widgets
