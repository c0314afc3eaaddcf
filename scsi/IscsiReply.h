#pragma once

#include "Transport.h"

#include <cstddef>
#include <cstdint>
#include <span>

struct scsi_task; // libiscsi's command

namespace quillon::scsi {

// The host adapter layer's result for a command that libiscsi completed with
// a status (a SCSI status, or libiscsi's own ERROR or CANCELLED), given the
// sense data the target sent with it.
TransportCommand::Result iscsiResult(int status, std::span<const std::uint8_t> sense);

// The sense bytes libiscsi keeps for a CHECK CONDITION: the response's data
// segment, a two-byte length and then the sense data (at most the 252 bytes
// a target can send). Empty without a task or a segment.
std::span<const std::uint8_t> iscsiSense(const scsi_task* task);

// How many bytes of a data-in command's buffer of length bytes the target
// filled: all of them less what it counts missing. A command that failed
// hands back nothing unless its sense key says the data is good (NO SENSE,
// RECOVERED ERROR).
std::size_t iscsiDataInLength(int status, const scsi_task& task, std::size_t length);

} // namespace quillon::scsi
