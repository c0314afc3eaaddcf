#include "CommandResult.h"

#include <cstdio>

namespace quillon::drive::command_result {

namespace host_status = scsi::host_status;

int Of(const scsi::TSRB_ExecSCSICmd& srb, bool completed) {
    if (completed || srb.SRB_TargStat != 0) {
        return srb.SRB_TargStat;
    }
    if (srb.SRB_Status == scsi::SS_ABORTED || srb.SRB_HaStat == host_status::Timeout) {
        return TimedOut;
    }
    if (srb.SRB_Status == scsi::SS_INVALID_HA || srb.SRB_HaStat == host_status::SelectionTimeout ||
        srb.SRB_Status == scsi::SS_PENDING) {
        return NoDevice;
    }
    return TransportError + srb.SRB_HaStat;
}

std::string Describe(int result) {
    switch (result) {
    case TimedOut:
        return "Time out: the device did not answer in time and the command was aborted";
    case NoDevice:
        return "No device answered at this address";
    case TransportError + host_status::DataOverrunUnderrun:
        return "Transport error: the data did not fit the transfer length (overrun or underrun)";
    case TransportError + host_status::UnexpectedBusFree:
        return "Transport error: the connection to the device was lost";
    default:
        break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Transport error: host adapter status %02Xh",
                  static_cast<unsigned>(result & 0xFF));
    return text;
}

} // namespace quillon::drive::command_result
