#include "SenseTables.h"

#include <algorithm>

namespace quillon::drive {

std::optional<std::string_view> senseKeyName(std::int32_t key) {
    const auto it = std::find_if(SenseKeyTable.begin(), SenseKeyTable.end(),
                                 [key](const TRequestSenseKey& k) { return k.Key == key; });
    if (it == SenseKeyTable.end()) {
        return std::nullopt;
    }
    return it->Name;
}

std::optional<std::string_view> senseCodeText(std::int32_t asc, std::int32_t ascq) {
    const auto it =
        std::find_if(SenseCodeTable.begin(), SenseCodeTable.end(),
                     [=](const TRequestSenseCode& c) { return c.ASC == asc && c.ASCQ == ascq; });
    if (it == SenseCodeTable.end()) {
        return std::nullopt;
    }
    return it->Text;
}

std::string hexField(std::int32_t value, int minDigits) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    // A negative value has its top bit set, so it always takes eight digits.
    auto bits = static_cast<std::uint32_t>(value);
    std::string hex;
    do {
        hex.insert(hex.begin(), Digits[bits & 0xFu]);
        bits >>= 4;
    } while (bits != 0);
    if (static_cast<int>(hex.size()) < minDigits) {
        hex.insert(0, static_cast<std::size_t>(minDigits) - hex.size(), '0');
    }
    return " $" + hex;
}

} // namespace quillon::drive
