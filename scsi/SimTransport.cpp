#include "SimTransport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quillon::scsi {

namespace {

// Nanoseconds computed in floating point as a count the clocks take: never
// negative, and far enough below the largest that adding it to a time point
// cannot overflow.
std::int64_t clockNanos(double nanos) {
    constexpr double Longest = static_cast<double>(std::numeric_limits<std::int64_t>::max() / 4);
    return static_cast<std::int64_t>(std::clamp(nanos, 0.0, Longest));
}

} // namespace

SimTransport::SimTransport(sim::DriveSet drives, double timeScale)
    : drives_(std::move(drives)),
      timeScale_(std::isfinite(timeScale) ? std::max(timeScale, 0.0) : 0),
      epoch_(std::chrono::steady_clock::now()) {
    if (timeScale_ > 0) {
        worker_ = std::thread([this] { serve(); });
    }
}

SimTransport::~SimTransport() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (auto& command : queue_) {
            command->complete(hostFailure(host_status::UnexpectedBusFree));
        }
        for (auto& entry : waiting_) {
            entry.command->complete(hostFailure(host_status::UnexpectedBusFree));
        }
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

sim::SimTarget* SimTransport::target(std::uint8_t id) {
    const auto it = drives_.find(id);
    return it == drives_.end() ? nullptr : it->second.get();
}

bool SimTransport::inquireAdapter(int adapter, AdapterInfo& info) {
    if (adapter != 0) {
        return false;
    }
    info.scsiId = AdapterScsiId;
    info.managerId = "QUILLON SIM BUS";
    info.identifier = "SIMULATED MO";
    info.bufferAlignment = 0;
    info.residualSupport = true;
    info.maxTargets = 8;
    info.maxTransferLength = 16 * 1024 * 1024;
    return true;
}

sim::Nanos SimTransport::modelTime() const {
    const auto real = std::chrono::steady_clock::now() - epoch_;
    return sim::Nanos(clockNanos(
        static_cast<double>(std::chrono::duration_cast<sim::Nanos>(real).count()) / timeScale_));
}

std::optional<SimTransport::Ran> SimTransport::run(TransportCommand& command,
                                                   std::optional<sim::Nanos> at) {
    auto* drive = target(command.target());
    if (drive == nullptr) {
        return Ran{hostFailure(host_status::SelectionTimeout), {}, false};
    }
    sim::CommandOutcome outcome;
    const bool ran = command.withBuffer([&](std::span<std::uint8_t> buffer) {
        const bool out = command.direction() == DataDirection::Out;
        const bool in = command.direction() == DataDirection::In;
        outcome =
            drive->execute(command.lun(), {command.cdb(), out ? buffer : std::span<std::uint8_t>{},
                                           in ? buffer : std::span<std::uint8_t>{}, at});
    });
    if (!ran) {
        return std::nullopt;
    }
    Ran done{{}, outcome.duration, outcome.hang};
    auto& result = done.result;
    result.completion = outcome.status == sim::status::Good && !outcome.dataLengthError
                            ? Completion::Ok
                            : Completion::Error;
    result.targetStatus = outcome.status;
    result.hostStatus =
        outcome.dataLengthError ? host_status::DataOverrunUnderrun : host_status::Ok;
    result.senseLength = std::min(outcome.senseLength, result.sense.size());
    std::copy_n(outcome.sense.begin(), result.senseLength, result.sense.begin());
    return done;
}

Completion SimTransport::execute(int adapter, const std::shared_ptr<TransportCommand>& command) {
    if (adapter != 0) {
        return Completion::Error;
    }
    if (timeScale_ == 0) {
        const auto ran = run(*command, std::nullopt);
        if (ran && ran->hung) {
            std::lock_guard lock(mutex_);
            waiting_.push_back({command, ran->result, {}, true});
        } else if (ran) {
            command->complete(ran->result);
        }
        return Completion::Pending;
    }
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(command);
    }
    wake_.notify_one();
    return Completion::Pending;
}

bool SimTransport::abort(int adapter, TransportCommand& command) {
    if (adapter != 0) {
        return false;
    }
    std::shared_ptr<TransportCommand> found;
    {
        std::lock_guard lock(mutex_);
        const auto queued = std::find_if(queue_.begin(), queue_.end(),
                                         [&](const auto& c) { return c.get() == &command; });
        const auto waiting = std::find_if(waiting_.begin(), waiting_.end(), [&](const auto& w) {
            return w.command.get() == &command;
        });
        if (queued != queue_.end()) {
            found = *queued;
            queue_.erase(queued);
        } else if (waiting != waiting_.end()) {
            found = waiting->command;
            waiting_.erase(waiting);
        } else if (running_.get() == &command) {
            found = running_;
            runningAborted_ = true; // the worker drops it when the model is done
        }
    }
    if (!found) {
        return false;
    }
    found->complete(hostFailure(host_status::Ok));
    wake_.notify_all();
    return true;
}

// The worker: runs queued commands on the model as they arrive and completes
// each when its scaled time has passed.
void SimTransport::serve() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!queue_.empty()) {
            auto command = std::move(queue_.front());
            queue_.pop_front();
            running_ = command;
            runningAborted_ = false;
            lock.unlock();
            const auto ran = run(*command, modelTime());
            const auto due =
                std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::nanoseconds(clockNanos(
                        static_cast<double>(ran ? ran->duration.count() : 0) * timeScale_)));
            lock.lock();
            if (ran && !runningAborted_) {
                waiting_.push_back({std::move(command), ran->result, due, ran->hung});
            }
            running_.reset();
            continue;
        }
        const auto next =
            std::min_element(waiting_.begin(), waiting_.end(), [](const auto& a, const auto& b) {
                return !a.hung && (b.hung || a.due < b.due);
            });
        if (next == waiting_.end() || next->hung) {
            wake_.wait(lock);
        } else if (next->due <= std::chrono::steady_clock::now()) {
            next->command->complete(next->result);
            waiting_.erase(next);
        } else {
            wake_.wait_until(lock, next->due);
        }
    }
}

} // namespace quillon::scsi
