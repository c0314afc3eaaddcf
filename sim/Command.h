#pragma once

#include "ScsiVocabulary.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quillon::sim {

// One command as an initiator hands it to a logical unit: the command
// descriptor block, the data it sends and the buffer for the data it receives
// (whose size is the initiator's transfer length). `at` is the model time at
// which the command arrives; without it the command starts when the previous
// one has ended.
struct CommandRequest {
    std::span<const std::uint8_t> cdb;
    std::span<const std::uint8_t> dataOut;
    std::span<std::uint8_t> dataIn;
    std::optional<Nanos> at;
};

// How a command ended: its status byte, the bytes moved each way, the sense
// data when it ended in CHECK CONDITION (fixed format, or legacy 4 bytes on a
// drive that answers so), and the time a real drive would have taken. A hung
// command never completes; only an abort ends it. A data length error means
// the initiator's buffer was shorter than the transfer the drive wanted (an
// overrun or underrun a host adapter would report).
struct CommandOutcome {
    std::uint8_t status = status::Good;
    std::size_t dataInLength = 0;
    std::size_t dataOutLength = 0;
    std::array<std::uint8_t, SenseData::FixedLength> sense{};
    std::size_t senseLength = 0;
    Nanos duration{};
    bool hang = false;
    bool dataLengthError = false;

    std::span<const std::uint8_t> senseBytes() const { return {sense.data(), senseLength}; }
};

} // namespace quillon::sim
