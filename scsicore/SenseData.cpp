#include "SenseData.h"

#include <algorithm>

namespace quillon::scsicore {

SenseData& SenseData::withFieldPointer(bool inCdb, std::size_t byte, int bit) {
    keySpecificValid = true;
    std::uint8_t flags = inCdb ? 0x40 : 0x00;
    if (bit >= 0) {
        flags |= static_cast<std::uint8_t>(0x08 | (bit & 0x07));
    }
    keySpecific = {flags, static_cast<std::uint8_t>(byte >> 8), static_cast<std::uint8_t>(byte)};
    return *this;
}

SenseData& SenseData::withProgress(std::uint16_t fraction) {
    keySpecificValid = true;
    keySpecific = {0, static_cast<std::uint8_t>(fraction >> 8),
                   static_cast<std::uint8_t>(fraction)};
    return *this;
}

std::array<std::uint8_t, SenseData::FixedLength> SenseData::fixedFormat() const {
    std::array<std::uint8_t, FixedLength> b{};
    b[0] = static_cast<std::uint8_t>(0x70 | (informationValid ? 0x80 : 0x00));
    b[2] = static_cast<std::uint8_t>((key & 0x0F) | (incorrectLength ? 0x20 : 0x00));
    b[3] = static_cast<std::uint8_t>(information >> 24);
    b[4] = static_cast<std::uint8_t>(information >> 16);
    b[5] = static_cast<std::uint8_t>(information >> 8);
    b[6] = static_cast<std::uint8_t>(information);
    b[7] = FixedLength - 8;
    b[12] = asc;
    b[13] = ascq;
    if (keySpecificValid) {
        b[15] = static_cast<std::uint8_t>(0x80 | keySpecific[0]);
        b[16] = keySpecific[1];
        b[17] = keySpecific[2];
    }
    return b;
}

// Non-extended sense: error class 0, the sense key as the error code, and a
// 21-bit logical block address when the information field holds one.
std::array<std::uint8_t, SenseData::LegacyLength> SenseData::legacyFormat() const {
    const bool addressValid = informationValid && information < (1u << 21);
    std::array<std::uint8_t, LegacyLength> b{};
    b[0] = static_cast<std::uint8_t>((addressValid ? 0x80 : 0x00) | (key & 0x0F));
    if (addressValid) {
        b[1] = static_cast<std::uint8_t>((information >> 16) & 0x1F);
        b[2] = static_cast<std::uint8_t>(information >> 8);
        b[3] = static_cast<std::uint8_t>(information);
    }
    return b;
}

SenseData::Encoded SenseData::encode(bool legacy) const {
    Encoded out;
    if (legacy) {
        const auto bytes = legacyFormat();
        std::copy(bytes.begin(), bytes.end(), out.bytes.begin());
        out.length = bytes.size();
    } else {
        out.bytes = fixedFormat();
        out.length = FixedLength;
    }
    return out;
}

} // namespace quillon::scsicore
