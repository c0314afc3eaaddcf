#include "SimTarget.h"

#include "DriveTiming.h"
#include "Exchange.h"

namespace quillon::sim {

namespace {

constexpr std::uint8_t AbsentLunPeripheral = 0x7F; // qualifier 011b, type 1Fh

} // namespace

SimTarget::SimTarget(const DriveConfig& config) {
    addLun(0, config);
}

SimDrive& SimTarget::addLun(std::uint8_t lun, const DriveConfig& config) {
    auto& slot = luns_[lun];
    slot = std::make_unique<SimDrive>(config);
    return *slot;
}

SimDrive* SimTarget::lun(std::uint8_t lun) {
    const auto it = luns_.find(lun);
    return it == luns_.end() ? nullptr : it->second.get();
}

std::vector<std::uint8_t> SimTarget::luns() const {
    std::vector<std::uint8_t> numbers;
    for (const auto& [number, drive] : luns_) {
        numbers.push_back(number);
    }
    return numbers;
}

CommandOutcome SimTarget::execute(std::uint8_t lun, const CommandRequest& request) {
    {
        std::lock_guard lock(traceMutex_);
        if (tracing_) {
            trace_.push_back({lun,
                              {request.cdb.begin(), request.cdb.end()},
                              {request.dataOut.begin(), request.dataOut.end()}});
        }
    }
    if (auto* drive = this->lun(lun)) {
        return drive->execute(request);
    }
    return answerAbsentLun(request);
}

CommandOutcome SimTarget::answerAbsentLun(const CommandRequest& request) {
    CommandOutcome outcome;
    outcome.duration = DriveTiming::CommandOverhead;
    Exchange x(request, outcome);
    const auto& first = *luns_.begin()->second;
    const auto sense = SenseData::of(sense_key::IllegalRequest, 0x25);
    const std::uint8_t opcode = request.cdb.empty() ? 0xFF : x.opcode();
    if (opcode == op::Inquiry) {
        x.send(first.inquiryData(AbsentLunPeripheral), x.be16(3));
    } else if (opcode == op::RequestSense) {
        x.send(sense.encode(first.legacySense()).span(), x.byte(4) == 0 ? 4 : x.byte(4));
    } else {
        const auto encoded = sense.encode(first.legacySense());
        outcome.status = status::CheckCondition;
        outcome.sense = encoded.bytes;
        outcome.senseLength = encoded.length;
    }
    return outcome;
}

void SimTarget::setTracing(bool on) {
    std::lock_guard lock(traceMutex_);
    tracing_ = on;
}

std::vector<TraceEntry> SimTarget::trace() const {
    std::lock_guard lock(traceMutex_);
    return trace_;
}

void SimTarget::clearTrace() {
    std::lock_guard lock(traceMutex_);
    trace_.clear();
}

} // namespace quillon::sim
