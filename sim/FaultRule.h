#pragma once

#include "ScsiVocabulary.h"

#include <cstdint>
#include <optional>

namespace quillon::sim {

// What a matching fault rule makes the drive answer instead of executing the
// command.
enum class FaultKind {
    CheckCondition,      // CHECK CONDITION with the rule's sense
    Busy,                // status BUSY (08h)
    ReservationConflict, // status RESERVATION CONFLICT (18h)
    Hang,                // never completes; only an abort ends it
};

// An injected failure: commands with the given operation code (any when
// empty) that touch a block of [firstLba, lastLba] fail, after `skip`
// matching commands have gone through, for `count` occurrences (0: for ever).
// Commands without a block address match only a rule that covers every
// address. CHECK CONDITION names the first block at fault in the information
// field when the command has one.
struct FaultRule {
    std::optional<std::uint8_t> opcode;
    std::uint32_t firstLba = 0;
    std::uint32_t lastLba = UINT32_MAX;
    std::uint32_t skip = 0;
    std::uint32_t count = 1;
    FaultKind kind = FaultKind::CheckCondition;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;

    bool coversEveryAddress() const { return firstLba == 0 && lastLba == UINT32_MAX; }
};

// The blocks a command addresses, when it addresses any.
struct BlockRange {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

} // namespace quillon::sim
