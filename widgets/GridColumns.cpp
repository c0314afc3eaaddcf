#include "widgets/GridColumns.h"

#include "widgets/RadixNumber.h"

#include <cstdint>
#include <optional>

namespace quillon::widgets {

namespace {

// The value of a non-empty run of digits of the base, if it is no larger
// than limit.
std::optional<std::int64_t> readDigits(QStringView digits, int base, std::int64_t limit) {
    if (digits.isEmpty())
        return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : digits) {
        const int digit = radixDigitValue(c);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

// A 32-bit integer in decimal, with an optional sign.
std::optional<std::int64_t> readInteger(QStringView text) {
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text = text.mid(1);
    const std::int64_t limit = negative ? 2147483648 : 2147483647;
    const std::optional<std::int64_t> magnitude = readDigits(text, 10, limit);
    if (!magnitude)
        return std::nullopt;
    return negative ? -*magnitude : *magnitude;
}

} // namespace

bool acceptsEditKey(TGridDataType type, QChar key) {
    const char16_t u = key.unicode();
    if (u < 0x20 || u == 0x7F || u == u' ')
        return true;
    switch (type) {
    case TGridDataType::dtInteger:
        return (u >= u'0' && u <= u'9') || u == u'+' || u == u'-' || u == u'.';
    case TGridDataType::dtHex: {
        const int digit = radixDigitValue(key);
        return digit >= 0 && digit < 16;
    }
    case TGridDataType::dtString:
        break;
    }
    return true;
}

QString cellTextFromEditor(TGridDataType type, const QString& text) {
    if (text.isEmpty())
        return text;
    switch (type) {
    case TGridDataType::dtInteger:
        if (text == u"-")
            return QStringLiteral("-0");
        if (const auto value = readInteger(text))
            return QString::number(*value);
        break;
    case TGridDataType::dtHex:
        if (const auto value = readDigits(text, 16, 0xFFFFFFFF))
            return QStringLiteral("%1").arg(*value, 4, 16, QLatin1Char('0')).toUpper();
        break;
    case TGridDataType::dtString:
        break;
    }
    return text;
}

TGridColumn::TGridColumn(std::function<void()> changed, const QColor& gridColor,
                         const QFont& gridFont)
    : TCollectionItem(std::move(changed)), color_(gridColor), font_(gridFont),
      fixCellFont_(gridFont) {}

void TGridColumn::setCaption(const QString& value) {
    assign(caption_, value.isEmpty() ? QStringLiteral(" ") : value);
}

void TGridColumn::setColor(const QColor& value) {
    ownColor_ = true;
    assign(color_, value);
}

void TGridColumn::setFont(const QFont& value) {
    ownFont_ = true;
    if (!ownFixCellFont_)
        fixCellFont_ = value;
    assign(font_, value);
}

void TGridColumn::setFixCellFont(const QFont& value) {
    ownFixCellFont_ = true;
    assign(fixCellFont_, value);
}

void TGridColumn::follow(const QColor& gridColor, const QFont& gridFont) {
    if (!ownColor_)
        color_ = gridColor;
    if (!ownFont_)
        font_ = gridFont;
    if (!ownFixCellFont_)
        fixCellFont_ = font_;
}

TGridColumns::TGridColumns(std::function<void()> changed, const QColor& gridColor,
                           const QFont& gridFont)
    : TCollection(std::move(changed)), gridColor_(gridColor), gridFont_(gridFont) {}

void TGridColumns::followGrid(const QColor& gridColor, const QFont& gridFont) {
    gridColor_ = gridColor;
    gridFont_ = gridFont;
    for (int i = 0; i < Count(); ++i)
        Items(i).follow(gridColor, gridFont);
}

} // namespace quillon::widgets
