#include "IscsiReply.h"

#include "scsicore/SenseDecoder.h"

#include <algorithm>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>

namespace quillon::scsi {

namespace {

// The most sense bytes a target sends (the additional length is one byte).
constexpr std::size_t SenseMax = 252;

} // namespace

TransportCommand::Result iscsiResult(int status, std::span<const std::uint8_t> sense) {
    TransportCommand::Result result;
    switch (status) {
    case SCSI_STATUS_GOOD:
        result.completion = Completion::Ok;
        return result;
    case SCSI_STATUS_CANCELLED:
    case SCSI_STATUS_ERROR:
    case SCSI_STATUS_TIMEOUT:
    case SCSI_STATUS_REDIRECT:
        // No status from the target: libiscsi gave the command up, or the
        // target answered with something libiscsi does not pass on.
        result.completion = Completion::Error;
        result.hostStatus = host_status::UnexpectedBusFree;
        return result;
    default:
        break;
    }
    result.completion = Completion::Error;
    if (status < 0 || status > 0xFF) {
        result.hostStatus = host_status::UnexpectedBusFree;
        return result;
    }
    result.targetStatus = static_cast<std::uint8_t>(status);
    result.senseLength = std::min(sense.size(), result.sense.size());
    std::copy_n(sense.begin(), result.senseLength, result.sense.begin());
    return result;
}

std::span<const std::uint8_t> iscsiSense(const scsi_task* task) {
    if (task == nullptr || task->datain.data == nullptr || task->datain.size < 2) {
        return {};
    }
    const auto* segment = task->datain.data;
    const std::size_t length = std::size_t{segment[0]} << 8 | segment[1];
    const std::size_t size = static_cast<std::size_t>(task->datain.size) - 2;
    return {segment + 2, std::min({length, size, SenseMax})};
}

std::size_t iscsiDataInLength(int status, const scsi_task& task, std::size_t length) {
    if (status == SCSI_STATUS_CHECK_CONDITION) {
        if (!scsicore::senseKeepsData(iscsiSense(&task))) {
            return 0;
        }
    } else if (status != SCSI_STATUS_GOOD) {
        return 0;
    }
    if (task.residual_status == SCSI_RESIDUAL_UNDERFLOW) {
        return length - std::min(task.residual, length);
    }
    return length;
}

} // namespace quillon::scsi
