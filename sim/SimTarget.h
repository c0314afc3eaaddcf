#pragma once

#include "SimDrive.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace quillon::sim {

// One command as the target received it, for tests that check the exact
// bytes a program sent.
struct TraceEntry {
    std::uint8_t lun = 0;
    std::vector<std::uint8_t> cdb;
    std::vector<std::uint8_t> dataOut; // as offered by the initiator
};

// A SCSI target: the logical units behind one target ID. Commands go to the
// logical unit they name; a logical unit that does not exist answers INQUIRY
// with peripheral qualifier 011b and type 1Fh and every other command with
// "logical unit not supported". Optionally records every command received.
class SimTarget {
public:
    // Logical unit 0 built from `config`.
    explicit SimTarget(const DriveConfig& config = {});

    // Adds (or replaces) a logical unit.
    SimDrive& addLun(std::uint8_t lun, const DriveConfig& config);
    // The logical unit, or nullptr.
    SimDrive* lun(std::uint8_t lun);
    std::vector<std::uint8_t> luns() const;

    CommandOutcome execute(std::uint8_t lun, const CommandRequest& request);

    void setTracing(bool on);
    std::vector<TraceEntry> trace() const;
    void clearTrace();

private:
    CommandOutcome answerAbsentLun(const CommandRequest& request);

    std::map<std::uint8_t, std::unique_ptr<SimDrive>> luns_;
    mutable std::mutex traceMutex_;
    bool tracing_ = false;
    std::vector<TraceEntry> trace_;
};

} // namespace quillon::sim
