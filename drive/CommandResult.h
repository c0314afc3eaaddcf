#pragma once

#include "scsi/Win32ASPI.h"

#include <string>

namespace quillon::drive {

// What a drive command method returns. A request that completed gives the
// target's status byte: 0 GOOD, 2 CHECK CONDITION, 8 BUSY … A request that
// did not complete has no status byte; it gives a value above the byte's
// range that says why, so that 0 means success and nothing else does.
namespace command_result {

// No answer within the time-out: the command was aborted.
inline constexpr int TimedOut = 0x100;
// No device answered: selection time-out, or no such host adapter.
inline constexpr int NoDevice = 0x101;
// The transport failed the command; the low byte is the host adapter status.
inline constexpr int TransportError = 0x200;

constexpr bool Completed(int result) {
    return result >= 0 && result <= 0xFF;
}

// The result of an executed request block: its status byte when the target
// sent one, else why it did not complete.
int Of(const scsi::TSRB_ExecSCSICmd& srb, bool completed);

// A result that did not complete, in words ("Time out: …").
std::string Describe(int result);

} // namespace command_result

} // namespace quillon::drive
