#include "widgets/RadixNumber.h"

#include <cstdlib>

namespace quillon::widgets {
namespace {

constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool isLeadingSpace(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

qsizetype hexPrefixLength(QStringView text) {
    if (text.startsWith(u'$'))
        return 1;
    if (text.startsWith(u"0x") || text.startsWith(u"0X"))
        return 2;
    return 0;
}

} // namespace

int radixDigitValue(QChar c) {
    const char16_t code = c.unicode();
    if (code >= u'0' && code <= u'9')
        return code - u'0';
    if (code >= u'A' && code <= u'Z')
        return code - u'A' + 10;
    if (code >= u'a' && code <= u'z')
        return code - u'a' + 10;
    return -1;
}

char radixDigit(int digit) {
    return kDigits[digit];
}

RadixReading readRadix(QStringView text, int radix) {
    const int base = std::abs(radix);
    const std::uint64_t limit = radix < 0 ? 0x7FFF'FFFFu : 0xFFFF'FFFFu;
    qsizetype pos = 0;
    while (pos < text.size() && isLeadingSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
        negative = text[pos++] == u'-';
    if (base == 16)
        pos += hexPrefixLength(text.sliced(pos));
    std::uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = radixDigitValue(text[pos]);
        if (digit < 0 || digit >= base)
            break;
        magnitude =
            magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit) {
            magnitude = limit;
            break;
        }
    }
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    return {static_cast<std::int32_t>(bits), pos};
}

QString formatRadix(std::int32_t value, int radix) {
    const auto base = static_cast<std::uint32_t>(std::abs(radix));
    const bool negative = radix < 0 && value < 0;
    auto magnitude = static_cast<std::uint32_t>(value);
    if (negative)
        magnitude = 0u - magnitude;
    QString digits;
    do {
        digits.prepend(QChar(radixDigit(static_cast<int>(magnitude % base))));
        magnitude /= base;
    } while (magnitude != 0);
    if (negative)
        digits.prepend(u'-');
    return digits;
}

} // namespace quillon::widgets
