#pragma once

#include <cstddef>
#include <cstdint>

// The SCSI vocabulary every layer shares: operation codes, status bytes and
// sense keys of the command set the tool sends and the simulated drive
// answers.
namespace quillon::scsicore {

namespace op {
inline constexpr std::uint8_t TestUnitReady = 0x00;
inline constexpr std::uint8_t RequestSense = 0x03;
inline constexpr std::uint8_t FormatUnit = 0x04;
inline constexpr std::uint8_t Inquiry = 0x12;
inline constexpr std::uint8_t ModeSelect6 = 0x15;
inline constexpr std::uint8_t ModeSense6 = 0x1A;
inline constexpr std::uint8_t StartStopUnit = 0x1B;
inline constexpr std::uint8_t PreventAllowMediumRemoval = 0x1E;
inline constexpr std::uint8_t ReadCapacity10 = 0x25;
inline constexpr std::uint8_t Read10 = 0x28;
inline constexpr std::uint8_t Write10 = 0x2A;
inline constexpr std::uint8_t Seek10 = 0x2B;
inline constexpr std::uint8_t WriteAndVerify10 = 0x2E;
inline constexpr std::uint8_t Verify10 = 0x2F;
inline constexpr std::uint8_t ReadDefectData10 = 0x37;
inline constexpr std::uint8_t ReadLong10 = 0x3E;
inline constexpr std::uint8_t WriteLong10 = 0x3F;
inline constexpr std::uint8_t ReportLuns = 0xA0;
} // namespace op

namespace status {
inline constexpr std::uint8_t Good = 0x00;
inline constexpr std::uint8_t CheckCondition = 0x02;
inline constexpr std::uint8_t ConditionMet = 0x04;
inline constexpr std::uint8_t Busy = 0x08;
inline constexpr std::uint8_t Intermediate = 0x10;
inline constexpr std::uint8_t IntermediateConditionMet = 0x14;
inline constexpr std::uint8_t ReservationConflict = 0x18;
inline constexpr std::uint8_t CommandTerminated = 0x22;
inline constexpr std::uint8_t QueueFull = 0x28;
// The bits of the status byte that carry the status code; the others are
// reserved or vendor-specific.
inline constexpr std::uint8_t CodeMask = 0x3E;

// The status's name ("GOOD", "CHECK CONDITION" …), or "" for a value that
// is none of the above.
const char* nameOf(std::uint8_t status);
} // namespace status

namespace sense_key {
inline constexpr std::uint8_t NoSense = 0x0;
inline constexpr std::uint8_t RecoveredError = 0x1;
inline constexpr std::uint8_t NotReady = 0x2;
inline constexpr std::uint8_t MediumError = 0x3;
inline constexpr std::uint8_t HardwareError = 0x4;
inline constexpr std::uint8_t IllegalRequest = 0x5;
inline constexpr std::uint8_t UnitAttention = 0x6;
inline constexpr std::uint8_t DataProtect = 0x7;
inline constexpr std::uint8_t AbortedCommand = 0xB;
inline constexpr std::uint8_t Miscompare = 0xE;
} // namespace sense_key

// Length of a command descriptor block, from the group code in the top three
// bits of its operation code; 0 for the groups that have no fixed length.
constexpr std::size_t cdbLengthOf(std::uint8_t opcode) {
    switch (opcode >> 5) {
    case 0:
        return 6;
    case 1:
    case 2:
        return 10;
    case 4:
        return 16;
    case 5:
        return 12;
    default:
        return 0;
    }
}

} // namespace quillon::scsicore
