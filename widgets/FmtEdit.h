#pragma once

#include "widgets/EditTyping.h"
#include "widgets/TextPlacement.h"

#include <QDateTime>
#include <QLineEdit>
#include <QLocale>
#include <compare>
#include <optional>
#include <stdexcept>

namespace quillon::widgets {

// What a formatted field holds: any text, an integer, a decimal number, Y or
// N, a date, a time, or text from a character set of the caller's choosing.
enum class TFmtKind { fkAll, fkInt, fkFloat, fkYesNo, fkDate, fkTime, fkAppoint };

// fmStrictRange checks the range on leaving; fmIllegalBeep beeps at refused
// keys and failed checks; fmErrMsg shows a failed check in a message box;
// fmErrNext lets the focus go on after a failed check; fmArrowNext and
// fmEnterNext move the focus with the up and down arrows and Enter;
// fmThousands shows numbers with thousands separators.
enum class TFmtMode {
    fmStrictRange = 0x01,
    fmIllegalBeep = 0x02,
    fmErrMsg = 0x04,
    fmErrNext = 0x08,
    fmArrowNext = 0x10,
    fmEnterNext = 0x20,
    fmThousands = 0x40,
};
Q_DECLARE_FLAGS(TFmtModes, TFmtMode)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFmtModes)

// Raised when a formatted field is read or written as a type its kind does
// not hold; names the field and the type ("Boolean", "DateTime", "Float",
// "Integer").
class EFmtEditError : public std::runtime_error {
public:
    EFmtEditError(const QString& itemName, const QString& typeName);
};

// A one-line field for text of one kind: it accepts only the characters of
// its kind while typing, tidies the text into its kind's notation and checks
// it against a range when the focus leaves, and reads and writes the value
// as the type its kind holds. Dates show as yyyy/MM/dd, times as hh:mm:ss.
class TFmtEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TFmtEdit(QWidget* parent = nullptr);

    TFmtKind FmtKind() const { return kind_; }
    void setFmtKind(TFmtKind kind) { kind_ = kind; }
    TFmtModes FmtModes() const { return modes_; }
    void setFmtModes(TFmtModes modes) { modes_ = modes; }
    int Decimals() const { return decimals_; }
    void setDecimals(int decimals) { decimals_ = decimals; }
    // Bounds in the field's own notation; empty for none on that side.
    QString MinValue() const { return min_; }
    void setMinValue(const QString& value) { min_ = value; }
    QString MaxValue() const { return max_; }
    void setMaxValue(const QString& value) { max_ = value; }
    // The characters typing accepts, empty for any; only fkAppoint takes
    // characters of the caller's choosing, the other kinds keep their own.
    QString ValidChars() const;
    void setValidChars(const QString& chars);

    TOverWriteMode OverWriteMode() const { return typing_.Mode(); }
    void setOverWriteMode(TOverWriteMode mode) { typing_.setMode(mode); }
    bool Overwriting() const { return typing_.Overwriting(); }
    TAlignment Alignment() const { return fromQtAlignment(alignment()); }
    void setAlignment(TAlignment alignment) { setAlignment(toQtAlignment(alignment)); }
    using QLineEdit::setAlignment;

    // Each throws EFmtEditError on a field of another kind, and the readers
    // std::invalid_argument when the text does not read as the type.
    bool AsBoolean() const;
    void setAsBoolean(bool value);
    // A time alone reads as that time on 1970-01-01.
    QDateTime AsDateTime() const;
    void setAsDateTime(const QDateTime& value);
    double AsFloat() const;
    void setAsFloat(double value);
    int AsInteger() const;
    void setAsInteger(int value);

    // The complaint leaving the field makes about its text, in the user
    // interface language; empty when the text lies in the range.
    QString RangeMessage() const;

signals:
    void OnChange();
    void beeped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool holdsValue() const;
    void requireKind(bool holds, const char* typeName) const;
    QLocale numberLocale() const;
    QString floatText(double value) const;
    std::optional<double> valueOf(const QString& text) const;
    std::partial_ordering compare(const QString& text, const QString& bound) const;
    QString formatted(const QString& text) const;
    std::optional<bool> focusMove(const QKeyEvent& event) const;
    bool acceptsText(const QString& text) const;
    void leaveField();
    void complain(const QString& message);
    void beep();

    TFmtKind kind_ = TFmtKind::fkAll;
    TFmtModes modes_ = TFmtMode::fmStrictRange | TFmtMode::fmIllegalBeep;
    int decimals_ = 2;
    QString min_;
    QString max_;
    QString appointChars_;
    EditTyping typing_;
};

} // namespace quillon::widgets
