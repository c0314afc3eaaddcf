#include "ModePage.h"

#include <algorithm>

namespace quillon::console {

std::uint8_t PageByte(const ModeBuffer& data, std::size_t n) {
    const std::size_t at = 4 + std::size_t{data[3]} + n;
    return at < data.size() ? data[at] : 0;
}

void ModePage::SetByte(std::size_t n, std::uint8_t value) {
    const std::size_t at = Offset() + n;
    if (at < data_.size()) {
        data_[at] = value;
    }
}

std::int32_t ModePage::ParameterListLength() const {
    // MODE SELECT(6) gives the parameter list length in one byte.
    constexpr std::size_t MaxLength = 255;
    const std::size_t length = Offset() + 2 + Byte(1);
    return static_cast<std::int32_t>(std::min(length, MaxLength));
}

void ModePage::ClearForSelect() {
    constexpr std::uint8_t ParametersSavable = 0x80;
    std::fill_n(data_.begin(), 3, 0);
    SetByte(0, static_cast<std::uint8_t>(Byte(0) & ~ParametersSavable));
}

void ModePage::MaskWith(const ModeBuffer& changeable, const ModeBuffer& asRead) {
    // The count comes from page byte 7 (reserved, normally 0), read once.
    const std::size_t last = 2 + std::size_t{Byte(7)};
    for (std::size_t n = 2; n <= last && Offset() + n < data_.size(); ++n) {
        const std::uint8_t mask = PageByte(changeable, n);
        data_[Offset() + n] =
            static_cast<std::uint8_t>((data_[Offset() + n] & mask) | (PageByte(asRead, n) & ~mask));
    }
}

} // namespace quillon::console
