#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon::scsicore {

// The sense data a drive keeps after a command ends in CHECK CONDITION: sense
// key, additional sense code and qualifier, the information field (the block
// at fault or a length residue) and the sense-key specific bytes. It renders
// itself in fixed format (70h, 18 bytes) or in the legacy 4-byte non-extended
// format of early SCSI devices.
struct SenseData {
    static constexpr std::size_t FixedLength = 18;
    static constexpr std::size_t LegacyLength = 4;

    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    bool informationValid = false;
    std::uint32_t information = 0;
    bool incorrectLength = false;
    bool keySpecificValid = false;
    std::array<std::uint8_t, 3> keySpecific{};

    static SenseData of(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0) {
        SenseData s;
        s.key = key;
        s.asc = asc;
        s.ascq = ascq;
        return s;
    }

    SenseData& withInformation(std::uint32_t value) {
        informationValid = true;
        information = value;
        return *this;
    }

    // Points at the CDB (inCdb) or parameter-list byte and bit that is wrong.
    SenseData& withFieldPointer(bool inCdb, std::size_t byte, int bit = -1);

    // Progress of a long operation as a fraction of 65536.
    SenseData& withProgress(std::uint16_t fraction);

    bool isNoSense() const { return key == 0 && asc == 0 && ascq == 0; }

    std::array<std::uint8_t, FixedLength> fixedFormat() const;
    std::array<std::uint8_t, LegacyLength> legacyFormat() const;

    // The bytes a drive sends: fixed format, or legacy on a drive that
    // answers with non-extended sense.
    struct Encoded {
        std::array<std::uint8_t, FixedLength> bytes{};
        std::size_t length = 0;
        std::span<const std::uint8_t> span() const { return {bytes.data(), length}; }
    };
    Encoded encode(bool legacy) const;
};

} // namespace quillon::scsicore
