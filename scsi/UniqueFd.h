#pragma once

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace quillon::scsi {

// The one owner of a file descriptor: it closes the descriptor when it ends
// or takes another, and passes it on only by moving. Empty (-1) when it
// holds none. Closing leaves errno as it was, so that a failure being
// reported is not overwritten by the clean-up.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Gives the descriptor up without closing it; the caller closes it.
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor held, if any, and holds fd instead. Holding the
    // same descriptor again keeps it open.
    void reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd);
        if (old >= 0 && old != fd) {
            const int saved = errno;
            ::close(old);
            errno = saved;
        }
    }

private:
    int fd_ = -1;
};

} // namespace quillon::scsi
