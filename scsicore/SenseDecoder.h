#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace quillon::scsicore {

// The layouts sense data comes in: fixed (response code 70h/71h), descriptor
// (72h/73h), and the 4-byte non-extended sense of early devices (error class
// 0-6 in byte 0).
enum class SenseFormat : std::uint8_t { Fixed, Descriptor, NonExtended };

// Sense data as a target sent it, decoded. Fixed and descriptor sense carry
// the sense key, ASC and ASCQ; non-extended sense an error class and code.
// A field whose bytes the data does not hold (or that lie beyond the
// additional sense length) reads 0; the information field (the block at
// fault) is present only when the target marks it valid and sends it whole.
struct DecodedSense {
    SenseFormat format = SenseFormat::Fixed;
    bool deferred = false; // 71h/73h: the error belongs to an earlier command
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    std::uint8_t errorClass = 0; // non-extended only
    std::uint8_t errorCode = 0;  // non-extended only
    // Fixed: bytes 3-6; descriptor: the information descriptor (00h), 64
    // bits; non-extended: bytes 1-3.
    std::optional<std::uint64_t> information;

    bool extended() const { return format != SenseFormat::NonExtended; }
};

// Decodes sense data of any of the three formats; nothing for data too
// short to hold its sense key (or error class) or of an unknown response
// code. Never reads past the span.
std::optional<DecodedSense> decodeSense(std::span<const std::uint8_t> sense);

// Whether a command that ended in CHECK CONDITION with this sense still
// transferred its data: NO SENSE and RECOVERED ERROR report on data that is
// good.
bool senseKeepsData(std::span<const std::uint8_t> sense);

} // namespace quillon::scsicore
