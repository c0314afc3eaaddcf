#pragma once

#include "Transport.h"
#include "sim/DriveSet.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon::scsi {

// The simulated bus: one host adapter (SCSI ID 7, 8 targets) holding the
// simulated drives. Each command completes after the time the drive model
// says a real drive would take, multiplied by the time scale: 1 feels like a
// real drive, 0 completes at once (the command then runs on the caller's
// thread, with no hand-off). A hung command completes only when aborted; a
// target ID without a drive fails like an empty ID on a real bus.
class SimTransport : public Transport {
public:
    static constexpr std::uint8_t AdapterScsiId = 7;

    SimTransport(sim::DriveSet drives, double timeScale);
    ~SimTransport() override;

    // The drive at a target ID, for the program's and the tests' control.
    sim::SimTarget* target(std::uint8_t id);

    std::string name() const override { return "sim"; }
    Presence open() override { return Presence::Present; }
    int adapterCount() override { return 1; }
    bool inquireAdapter(int adapter, AdapterInfo& info) override;
    Completion execute(int adapter, const std::shared_ptr<TransportCommand>& command) override;
    bool abort(int adapter, TransportCommand& command) override;

private:
    // A command that has run on the model and waits out its time (or, hung,
    // an abort).
    struct Waiting {
        std::shared_ptr<TransportCommand> command;
        TransportCommand::Result result;
        std::chrono::steady_clock::time_point due;
        bool hung = false;
    };

    // What the drive model made of a command.
    struct Ran {
        TransportCommand::Result result;
        sim::Nanos duration;
        bool hung;
    };

    // Runs the command on the drive model; nothing when the caller has
    // already given up on it.
    std::optional<Ran> run(TransportCommand& command, std::optional<sim::Nanos> at);
    sim::Nanos modelTime() const;
    void serve();

    sim::DriveSet drives_;
    const double timeScale_;
    const std::chrono::steady_clock::time_point epoch_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<TransportCommand>> queue_;
    std::vector<Waiting> waiting_;
    std::shared_ptr<TransportCommand> running_; // on the model now, in neither list
    bool runningAborted_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace quillon::scsi
