#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>

namespace quillon::widgets {

// A 32-bit number read from a text in some radix, with the position where the
// reading stopped: at the end of the text, at the first character that is no
// digit of the radix, or at the digit that overflowed.
struct RadixReading {
    std::int32_t value = 0;
    qsizetype stop = 0;
};

// A radix names a base from 2 to 36 by its absolute value; a negative radix
// reads and shows numbers as signed, a positive one as unsigned 32-bit values.
constexpr bool isRadix(int radix) {
    return (radix >= 2 && radix <= 36) || (radix <= -2 && radix >= -36);
}

// The digit character for 0 to 35: 0-9, then capital A-Z.
char radixDigit(int digit);

// The value of a digit character, 0-9 and A-Z in either case, or -1.
int radixDigitValue(QChar c);

// Reads a number after leading blanks and control characters 9 to 13, with an
// optional sign and, in base 16, an optional "0x", "0X" or "$" prefix. A value
// too large saturates at 2147483647 (signed) or 4294967295 (unsigned) and stops
// the reading at the digit that overflowed; "-" negates the result.
RadixReading readRadix(QStringView text, int radix);

// Shows a value in the radix: a negative value of a signed radix as "-" and
// its magnitude, anything else as unsigned digits; no prefix, no padding.
QString formatRadix(std::int32_t value, int radix);

// The value as the radix compares it: signed, or as an unsigned 32-bit number.
constexpr std::int64_t radixOrder(std::int32_t value, int radix) {
    return radix < 0 ? std::int64_t{value} : std::int64_t{static_cast<std::uint32_t>(value)};
}

} // namespace quillon::widgets
