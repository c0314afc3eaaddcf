#include "Transport.h"

#include "scsicore/ScsiConstants.h"

#include <algorithm>
#include <chrono>

namespace quillon::scsi {

DataDirection directionOf(std::uint8_t opcode) {
    namespace op = scsicore::op;
    switch (opcode) {
    case op::Inquiry:
    case op::RequestSense:
    case op::ReadCapacity10:
    case op::Read10:
    case op::ModeSense6:
    case op::ReadDefectData10:
    case op::ReadLong10:
        return DataDirection::In;
    case op::Write10:
    case op::WriteAndVerify10:
    case op::ModeSelect6:
    case op::WriteLong10:
    case op::FormatUnit: // with a parameter list when it has a length
        return DataDirection::Out;
    default:
        return DataDirection::None;
    }
}

TransportCommand::TransportCommand(std::uint8_t target, std::uint8_t lun,
                                   std::span<const std::uint8_t> cdb,
                                   std::span<std::uint8_t> buffer, std::uint32_t timeoutMs) {
    prepare(target, lun, cdb, buffer, timeoutMs);
}

void TransportCommand::prepare(std::uint8_t target, std::uint8_t lun,
                               std::span<const std::uint8_t> cdb, std::span<std::uint8_t> buffer,
                               std::uint32_t timeoutMs) {
    std::lock_guard lock(mutex_);
    target_ = target;
    lun_ = lun;
    cdbLength_ = std::min(cdb.size(), cdb_.size());
    std::copy_n(cdb.begin(), cdbLength_, cdb_.begin());
    direction_ = buffer.empty() || cdb.empty() ? DataDirection::None : directionOf(cdb[0]);
    buffer_ = buffer;
    bufferLength_ = buffer.size();
    timeoutMs_ = timeoutMs;
    completed_ = false;
    abandoned_ = false;
    result_ = {};
}

void TransportCommand::complete(const Result& result) {
    {
        std::lock_guard lock(mutex_);
        if (completed_) {
            return;
        }
        completed_ = true;
        result_ = result;
    }
    done_.notify_all();
}

bool TransportCommand::waitFor(std::uint32_t milliseconds) {
    std::unique_lock lock(mutex_);
    if (completed_) {
        return true;
    }
    return done_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                          [this] { return completed_; });
}

bool TransportCommand::completed() const {
    std::lock_guard lock(mutex_);
    return completed_;
}

void TransportCommand::abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
}

TransportCommand::Result TransportCommand::result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

Completion Transport::executeAndWait(int adapter, const std::shared_ptr<TransportCommand>& command,
                                     std::uint32_t milliseconds) {
    const Completion started = execute(adapter, command);
    if (started == Completion::Pending) {
        command->waitFor(milliseconds);
    }
    return started;
}

TransportCommand::Result hostFailure(std::uint8_t hostStatus) {
    TransportCommand::Result result;
    result.completion = Completion::Error;
    result.hostStatus = hostStatus;
    return result;
}

} // namespace quillon::scsi
