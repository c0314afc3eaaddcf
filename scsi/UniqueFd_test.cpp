#include "UniqueFd.h"
#include "WakeEvent.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <utility>

namespace quillon::scsi {
namespace {

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// Both ends of a new pipe, each with its owner.
std::pair<UniqueFd, UniqueFd> pipeEnds() {
    int fds[2] = {-1, -1};
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

TEST(UniqueFdTest, ClosesWhatItHoldsWhenItEnds) {
    int raw = -1;
    {
        auto [in, out] = pipeEnds();
        raw = in.get();
        ASSERT_TRUE(isOpen(raw));
        EXPECT_TRUE(static_cast<bool>(in));
    }
    EXPECT_FALSE(isOpen(raw));

    const UniqueFd empty;
    EXPECT_EQ(empty.get(), -1);
    EXPECT_FALSE(static_cast<bool>(empty));
}

TEST(UniqueFdTest, ResetClosesTheOldOneAndReleaseLetsGo) {
    auto [in, out] = pipeEnds();
    const int first = in.get();
    const int second = out.release();
    EXPECT_EQ(out.get(), -1);
    EXPECT_TRUE(isOpen(second)); // released, not closed

    in.reset(second);
    EXPECT_FALSE(isOpen(first));
    EXPECT_EQ(in.get(), second);
    in.reset(second); // the same one again: kept open
    EXPECT_TRUE(isOpen(second));

    // Closing does not disturb the errno of a failure being reported.
    errno = ENODEV;
    in.reset();
    EXPECT_EQ(errno, ENODEV);
    EXPECT_FALSE(isOpen(second));
    EXPECT_EQ(in.get(), -1);
}

TEST(UniqueFdTest, MovingHandsOverTheOneDutyToClose) {
    auto [in, out] = pipeEnds();
    const int a = in.get();
    const int b = out.get();

    UniqueFd moved(std::move(in));
    EXPECT_EQ(moved.get(), a);
    EXPECT_EQ(in.get(), -1); // left empty
    EXPECT_TRUE(isOpen(a));

    moved = std::move(out); // the descriptor assigned over is closed
    EXPECT_EQ(moved.get(), b);
    EXPECT_FALSE(isOpen(a));
    EXPECT_TRUE(isOpen(b));
}

bool readable(const WakeEvent& event) {
    pollfd fd{event.fd(), POLLIN, 0};
    return ::poll(&fd, 1, 0) == 1 && (fd.revents & POLLIN) != 0;
}

TEST(WakeEventTest, ASignalWakesThePollUntilDrained) {
    WakeEvent event;
    ASSERT_TRUE(event.open());
    ASSERT_GE(event.fd(), 0);
    EXPECT_FALSE(readable(event));
    event.signal();
    event.signal();
    EXPECT_TRUE(readable(event));
    event.drain(); // both at once
    EXPECT_FALSE(readable(event));
    event.drain(); // nothing to take: does not block
    EXPECT_FALSE(readable(event));
}

} // namespace
} // namespace quillon::scsi
