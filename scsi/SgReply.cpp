#include "SgReply.h"

#include "scsicore/ScsiConstants.h"
#include "scsicore/SenseDecoder.h"

#include <algorithm>
#include <span>

namespace quillon::scsi {

int sgDirection(DataDirection direction, bool copyIn) {
    switch (direction) {
    case DataDirection::In:
        return copyIn ? SG_DXFER_TO_FROM_DEV : SG_DXFER_FROM_DEV;
    case DataDirection::Out:
        return SG_DXFER_TO_DEV;
    case DataDirection::None:
        break;
    }
    return SG_DXFER_NONE;
}

std::uint8_t hostStatusFor(std::uint16_t linuxHost, std::uint16_t linuxDriver) {
    switch (linuxHost) {
    case linux_host::Ok:
        break;
    case linux_host::NoConnect:
    case linux_host::BadTarget:
        return host_status::SelectionTimeout;
    case linux_host::TimeOut:
        return host_status::Timeout;
    default:
        return host_status::UnexpectedBusFree;
    }
    const std::uint16_t driver = linuxDriver & linux_driver::Mask;
    if (driver == linux_driver::Ok || driver == linux_driver::Sense) {
        return host_status::Ok;
    }
    if (driver == linux_driver::Timeout) {
        return host_status::Timeout;
    }
    return host_status::UnexpectedBusFree;
}

std::size_t dataInLength(const sg_io_hdr& reply, std::size_t length) {
    if (reply.dxfer_direction == SG_DXFER_TO_FROM_DEV) {
        return length;
    }
    if (reply.dxfer_direction != SG_DXFER_FROM_DEV || reply.host_status != linux_host::Ok) {
        return 0;
    }
    if (reply.resid > 0) {
        return length - std::min(static_cast<std::size_t>(reply.resid), length);
    }
    const std::uint8_t status = reply.status & scsicore::status::CodeMask;
    if (status == scsicore::status::Good || status == scsicore::status::ConditionMet) {
        return length;
    }
    if (status == scsicore::status::CheckCondition && reply.sbp != nullptr &&
        scsicore::senseKeepsData(std::span(reply.sbp, reply.sb_len_wr))) {
        return length;
    }
    return 0;
}

TransportCommand::Result resultFromReply(const sg_io_hdr& reply) {
    TransportCommand::Result result;
    std::uint8_t status = reply.status;
    if (status == 0 && reply.masked_status != 0) {
        // Drivers of old kept only the status shifted right by one.
        status = static_cast<std::uint8_t>(reply.masked_status << 1);
    }
    result.targetStatus = status;
    // Sense data alone is no driver error; other driver states are, unless
    // the target's own status already tells that the command failed.
    result.hostStatus = hostStatusFor(reply.host_status, reply.driver_status);
    if (result.hostStatus == host_status::UnexpectedBusFree && reply.host_status == 0 &&
        status != 0) {
        result.hostStatus = host_status::Ok;
    }
    if (reply.sbp != nullptr) {
        result.senseLength = std::min<std::size_t>(reply.sb_len_wr, result.sense.size());
        std::copy_n(reply.sbp, result.senseLength, result.sense.begin());
    }
    result.completion =
        status == 0 && result.hostStatus == host_status::Ok ? Completion::Ok : Completion::Error;
    return result;
}

} // namespace quillon::scsi
