#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace quillon::scsi {

// Which way a command's data moves, decided by its operation code.
enum class DataDirection : std::uint8_t { None, In, Out };

// The direction of the commands the tool sends; anything unknown moves no
// data.
DataDirection directionOf(std::uint8_t opcode);

// The completion state of a request, as the host adapter layer reports it:
// still running, done without error, done with an error.
enum class Completion : std::uint8_t { Pending, Ok, Error };

// What a host adapter tells about itself.
struct AdapterInfo {
    std::uint8_t scsiId = 0;
    std::string managerId;  // at most 16 characters
    std::string identifier; // at most 16 characters
    std::uint16_t bufferAlignment = 0;
    bool residualSupport = false;
    std::uint8_t maxTargets = 8; // 0 counts as 8
    std::uint32_t maxTransferLength = 0;
};

// Host adapter status values (ASPI's HASTAT codes) a transport may report.
namespace host_status {
inline constexpr std::uint8_t Ok = 0x00;
inline constexpr std::uint8_t SelectionTimeout = 0x11;
inline constexpr std::uint8_t DataOverrunUnderrun = 0x12;
inline constexpr std::uint8_t UnexpectedBusFree = 0x13;
inline constexpr std::uint8_t Timeout = 0x09;
} // namespace host_status

// One SCSI command between the caller that waits for it and the transport
// that carries it, possibly on another thread. The transport touches the
// caller's data buffer only through withBuffer, which does nothing once the
// caller has given up on the command (after a time-out), so a late completion
// can never write into memory the caller has freed.
class TransportCommand {
public:
    // Room for the most sense data a target sends (the additional sense
    // length is one byte).
    static constexpr std::size_t SenseAreaLength = 252;

    struct Result {
        Completion completion = Completion::Error;
        std::uint8_t targetStatus = 0; // 0 when the target sent none
        std::uint8_t hostStatus = host_status::Ok;
        std::array<std::uint8_t, SenseAreaLength> sense{};
        std::size_t senseLength = 0;
    };

    TransportCommand(std::uint8_t target, std::uint8_t lun, std::span<const std::uint8_t> cdb,
                     std::span<std::uint8_t> buffer, std::uint32_t timeoutMs);

    // Makes a finished command, that no transport holds any more, carry a new
    // one.
    void prepare(std::uint8_t target, std::uint8_t lun, std::span<const std::uint8_t> cdb,
                 std::span<std::uint8_t> buffer, std::uint32_t timeoutMs);

    std::uint8_t target() const { return target_; }
    std::uint8_t lun() const { return lun_; }
    std::span<const std::uint8_t> cdb() const { return {cdb_.data(), cdbLength_}; }
    DataDirection direction() const { return direction_; }
    std::size_t bufferLength() const { return bufferLength_; }
    std::uint32_t timeoutMs() const { return timeoutMs_; }

    // Transport side: runs fn(buffer) unless the caller has given up; tells
    // whether it ran.
    template <typename F> bool withBuffer(F&& fn) {
        std::lock_guard lock(mutex_);
        if (abandoned_) {
            return false;
        }
        fn(buffer_);
        return true;
    }
    // Transport side: stores the result and wakes the caller, once.
    void complete(const Result& result);

    // Caller side: waits until the command completes or the time passes.
    bool waitFor(std::uint32_t milliseconds);
    bool completed() const;
    // Caller side: gives up; the transport no longer touches the buffer.
    void abandon();
    Result result() const;

private:
    std::uint8_t target_ = 0;
    std::uint8_t lun_ = 0;
    std::array<std::uint8_t, 16> cdb_{};
    std::size_t cdbLength_ = 0;
    DataDirection direction_ = DataDirection::None;
    std::span<std::uint8_t> buffer_;
    std::size_t bufferLength_ = 0;
    std::uint32_t timeoutMs_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool completed_ = false;
    bool abandoned_ = false;
    Result result_;
};

// The result of a command that ended without a status from its target
// (Error, target status 0), the host status telling why.
TransportCommand::Result hostFailure(std::uint8_t hostStatus);

// A way to reach SCSI devices: the simulated bus, the Linux SCSI generic
// driver, iSCSI. It presents its host adapters by local index 0..n-1.
class Transport {
public:
    enum class Presence { Absent, Present, Incomplete };

    virtual ~Transport() = default;

    // A short name for logs: "sim", "sg", "iscsi".
    virtual std::string name() const = 0;
    // Whether the transport can be used here. Absent: silently none;
    // incomplete: a fatal set-up error.
    virtual Presence open() = 0;
    virtual int adapterCount() = 0;
    virtual bool inquireAdapter(int adapter, AdapterInfo& info) = 0;
    // Starts the command. Pending: it runs, and complete() follows; anything
    // else: it failed at once and nothing follows.
    virtual Completion execute(int adapter, const std::shared_ptr<TransportCommand>& command) = 0;
    // Starts the command as execute does and, when it runs (Pending), waits
    // at most milliseconds for it to end. A transport may collect the reply on
    // the caller's thread, sparing a hand-off between threads. Returns what
    // execute would; the command's completed() tells whether it ended in time
    // (one that did not may complete later).
    virtual Completion executeAndWait(int adapter, const std::shared_ptr<TransportCommand>& command,
                                      std::uint32_t milliseconds);
    // Asks the adapter to abort a pending command; true when it did.
    virtual bool abort(int adapter, TransportCommand& command) = 0;
};

} // namespace quillon::scsi
