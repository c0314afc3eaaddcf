#pragma once

#include "UniqueFd.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillon::scsi {

// An eventfd that wakes a service thread out of poll(): the thread polls
// fd() for POLLIN beside its devices' descriptors, any thread signals, and
// the service thread drains the count once poll() has returned for it.
class WakeEvent {
public:
    // Makes the event; false, with errno telling why, when the system refuses.
    bool open() {
        fd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        return static_cast<bool>(fd_);
    }
    int fd() const { return fd_.get(); }

    // Wakes the thread polling fd(); any thread may, the event being
    // non-blocking.
    void signal() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(fd_.get(), &one, sizeof one);
    }

    // Takes the wake-ups signalled so far, so that poll() sleeps again.
    void drain() const {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = ::read(fd_.get(), &count, sizeof count);
    }

private:
    UniqueFd fd_;
};

} // namespace quillon::scsi
