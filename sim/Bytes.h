#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Big-endian fields of SCSI data.
namespace quillon::sim {

inline void putBe16(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}

inline void putBe24(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value >> 16);
    putBe16(out, at + 1, value);
}

inline void putBe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    putBe16(out, at, value >> 16);
    putBe16(out, at + 2, value);
}

inline std::uint32_t getBe16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint32_t>(in[at] << 8 | in[at + 1]);
}

inline std::uint32_t getBe32(std::span<const std::uint8_t> in, std::size_t at) {
    return getBe16(in, at) << 16 | getBe16(in, at + 2);
}

// A 10-byte CDB with a block address in bytes 2-5 and a count in bytes 7-8:
// the shape of READ(10), WRITE(10), VERIFY(10), READ LONG and their kin.
inline std::array<std::uint8_t, 10> cdb10(std::uint8_t opcode, std::uint32_t lba,
                                          std::uint16_t count) {
    std::array<std::uint8_t, 10> cdb{opcode};
    putBe32(cdb, 2, lba);
    putBe16(cdb, 7, count);
    return cdb;
}

} // namespace quillon::sim
