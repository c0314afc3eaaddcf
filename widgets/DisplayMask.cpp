#include "widgets/DisplayMask.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quillon::widgets {

namespace {

bool isNumberText(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    });
}

// Splits at the separator where it is not inside quotes.
QStringList splitOutsideQuotes(const QString& text, QChar separator) {
    QStringList parts(QString{});
    QChar quote;
    for (QChar c : text) {
        if (quote.isNull() && c == separator) {
            parts.append(QString());
            continue;
        }
        if (c == u'"' || c == u'\'')
            quote = quote.isNull() ? c : (quote == c ? QChar() : quote);
        parts.last().append(c);
    }
    return parts;
}

// One section of a number format, read apart: the literal text before and
// after the number and what the number's digits are to look like.
struct NumberFormat {
    QString prefix;
    QString suffix;
    bool hasDigits = false;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
};

NumberFormat readNumberFormat(const QString& section) {
    NumberFormat format;
    bool afterPoint = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull() || c == u'"' || c == u'\'') {
            if (quote.isNull())
                quote = c;
            else if (c == quote)
                quote = QChar();
            else
                (format.hasDigits ? format.suffix : format.prefix).append(c);
            continue;
        }
        if (c == u'0' || c == u'#') {
            format.hasDigits = true;
            if (afterPoint) {
                ++format.maxDecimals;
                format.minDecimals += c == u'0' ? 1 : 0;
            } else {
                format.minIntegerDigits += c == u'0' ? 1 : 0;
            }
        } else if (c == u'.' && !afterPoint) {
            format.hasDigits = true;
            afterPoint = true;
        } else if (c == u',' && !afterPoint) {
            format.grouping = true;
        } else {
            (format.hasDigits ? format.suffix : format.prefix).append(c);
        }
    }
    return format;
}

// The magnitude's decimal digits rounded half away from zero to the given
// decimals: the integer part and exactly that many decimals. The digits come
// from the 15 significant digits a double holds, so that 2.675 is taken as
// written, not as the binary number just below it.
std::pair<QString, QString> roundedDigits(double magnitude, int decimals) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
    const QString scientific = QString::fromLatin1(buffer);
    const qsizetype e = scientific.indexOf(u'e');
    QString digits = scientific.left(e).remove(u'.');
    const int exponent = scientific.mid(e + 1).toInt();
    // Place the decimal point: digits[0 .. point) is the integer part.
    int point = exponent + 1;
    if (point <= 0) {
        digits.prepend(QString(1 - point, u'0'));
        point = 1;
    }
    const int keep = point + decimals;
    if (digits.size() < keep + 1)
        digits.append(QString(keep + 1 - digits.size(), u'0'));
    const bool roundUp = digits[keep] >= u'5';
    digits.truncate(keep);
    for (int i = keep - 1; roundUp && i >= 0; --i) {
        if (digits[i] == u'9') {
            digits[i] = u'0';
            if (i == 0) {
                digits.prepend(u'1');
                ++point;
            }
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            break;
        }
    }
    return {digits.left(point), digits.mid(point)};
}

QString groupThousands(const QString& digits, QChar separator) {
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped.append(separator);
        grouped.append(digits[i]);
    }
    return grouped;
}

} // namespace

QString formatFloat(double value, const QString& format) {
    if (!std::isfinite(value))
        return QLocale().toString(value);
    const QStringList sections = splitOutsideQuotes(format, u';');
    QString section = sections[0];
    bool showSign = true;
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty()) {
        section = sections[1];
        showSign = false;
    } else if (value == 0 && sections.size() > 2 && !sections[2].isEmpty()) {
        section = sections[2];
    }
    const NumberFormat number = readNumberFormat(section);
    if (!number.hasDigits)
        return number.prefix + number.suffix;

    auto [integer, fraction] = roundedDigits(std::fabs(value), number.maxDecimals);
    const bool zero =
        std::all_of(integer.begin(), integer.end(), [](QChar c) { return c == u'0'; }) &&
        std::all_of(fraction.begin(), fraction.end(), [](QChar c) { return c == u'0'; });
    while (integer.size() > number.minIntegerDigits && integer.startsWith(u'0'))
        integer.remove(0, 1);
    if (integer.size() < number.minIntegerDigits)
        integer.prepend(QString(number.minIntegerDigits - integer.size(), u'0'));
    while (fraction.size() > number.minDecimals && fraction.endsWith(u'0'))
        fraction.chop(1);

    const QLocale locale;
    QString shown =
        number.grouping ? groupThousands(integer, locale.groupSeparator().front()) : integer;
    if (!fraction.isEmpty())
        shown += locale.decimalPoint() + fraction;
    const QString sign = showSign && value < 0 && !zero ? QStringLiteral("-") : QString();
    return sign + number.prefix + shown + number.suffix;
}

QString formatMaskText(const QString& mask, const QString& text) {
    const QStringList fields = mask.split(u';');
    const QString& picture = fields[0];
    const bool keepLiterals = fields.size() < 2 || fields[1] != u"0";
    const QChar blank = fields.size() > 2 && !fields[2].isEmpty() ? fields[2][0] : QChar(u'_');
    enum class Case { keep, upper, lower } letterCase = Case::keep;
    QString shown;
    qsizetype next = 0;
    for (qsizetype i = 0; i < picture.size(); ++i) {
        const QChar c = picture[i];
        if (c == u'!')
            continue;
        if (c == u'<' && i + 1 < picture.size() && picture[i + 1] == u'>') {
            letterCase = Case::keep;
            ++i;
            continue;
        }
        if (c == u'>' || c == u'<') {
            letterCase = c == u'>' ? Case::upper : Case::lower;
            continue;
        }
        if (QStringView(u"LlAaCc09#").contains(c)) {
            QChar typed = next < text.size() ? text[next++] : blank;
            if (letterCase == Case::upper)
                typed = typed.toUpper();
            else if (letterCase == Case::lower)
                typed = typed.toLower();
            shown.append(typed);
            continue;
        }
        QChar literal = c;
        if (c == u'\\' && i + 1 < picture.size())
            literal = picture[++i];
        else if (c == u'_')
            literal = u' ';
        if (keepLiterals && next < text.size() && text[next] == literal)
            ++next;
        shown.append(literal);
    }
    return shown;
}

QString applyDisplayMask(const QString& text, const QString& mask) {
    if (text.isEmpty() || mask.isEmpty())
        return text;
    switch (mask[0].unicode()) {
    case u'x':
    case u'X':
    case u'h':
    case u'H':
        return text.right(mask.size());
    case u's':
    case u'S':
        return text;
    default:
        break;
    }
    if (isNumberText(text)) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok ? formatFloat(value, mask) : text;
    }
    return formatMaskText(mask, text);
}

bool showsTextLiterally(const QString& mask) {
    return mask.startsWith(u's') || mask.startsWith(u'S');
}

} // namespace quillon::widgets
