#include "IscsiSessionState.h"

#include <gtest/gtest.h>
#include <initializer_list>

namespace quillon::scsi {
namespace {

using Phase = IscsiSessionState::Phase;

constexpr std::initializer_list<Phase> ConnectingPhases{Phase::Connecting, Phase::LoggingIn,
                                                        Phase::AskingLuns, Phase::AskingLunsAgain,
                                                        Phase::ClearingAttention};

IscsiSessionState in(Phase phase) {
    IscsiSessionState state;
    state.enter(phase);
    return state;
}

TEST(IscsiSessionStateTest, ANewSessionIsIdleAndUnsettled) {
    const IscsiSessionState state;
    EXPECT_TRUE(state.is(Phase::Idle));
    EXPECT_FALSE(state.settled());
    EXPECT_FALSE(state.connecting());
    EXPECT_FALSE(state.loggedIn());
    EXPECT_FALSE(state.awaitsService());
    EXPECT_TRUE(state.reason().empty());
}

TEST(IscsiSessionStateTest, AnAttemptIsConnectingUntilUpAndSettledOnlyAfter) {
    for (const Phase phase : ConnectingPhases) {
        const IscsiSessionState state = in(phase);
        EXPECT_TRUE(state.connecting()) << static_cast<int>(phase);
        EXPECT_FALSE(state.loggedIn()) << static_cast<int>(phase);
        EXPECT_FALSE(state.settled()) << static_cast<int>(phase);
    }
    for (const Phase phase : {Phase::Idle, Phase::Down, Phase::Up}) {
        EXPECT_FALSE(in(phase).connecting()) << static_cast<int>(phase);
    }
    EXPECT_TRUE(in(Phase::Up).loggedIn());
    EXPECT_TRUE(in(Phase::Up).settled());
    // Down only follows an attempt that ended, so it counts as settled too.
    EXPECT_TRUE(in(Phase::Down).settled());
    EXPECT_FALSE(in(Phase::Down).loggedIn());
}

TEST(IscsiSessionStateTest, OnlyALoggedInSessionBreaksAndItStaysLoggedInUntilDropped) {
    IscsiSessionState state = in(Phase::Up);
    state.breakOff("reset by peer");
    EXPECT_TRUE(state.is(Phase::Broken));
    EXPECT_EQ(state.reason(), "reset by peer");
    EXPECT_TRUE(state.loggedIn());
    EXPECT_TRUE(state.settled());
    EXPECT_TRUE(state.awaitsService());
    EXPECT_FALSE(state.connecting());

    // A later precise reason replaces the first; a fallback does not.
    state.breakOffIfUp("the connection was lost");
    EXPECT_EQ(state.reason(), "reset by peer");
    state.breakOff("no answer to ABORT TASK");
    EXPECT_EQ(state.reason(), "no answer to ABORT TASK");

    // Given up, it forgets why.
    state.enter(Phase::Down);
    EXPECT_FALSE(state.awaitsService());
    EXPECT_TRUE(state.reason().empty());

    // Nothing to break before login or without a connection.
    for (const Phase phase :
         {Phase::Idle, Phase::Down, Phase::Connecting, Phase::LoggingIn, Phase::AskingLuns,
          Phase::AskingLunsAgain, Phase::ClearingAttention}) {
        IscsiSessionState other = in(phase);
        other.breakOff("x");
        other.breakOffIfUp("y");
        EXPECT_TRUE(other.is(phase)) << static_cast<int>(phase);
        EXPECT_TRUE(other.reason().empty()) << static_cast<int>(phase);
    }
    IscsiSessionState up = in(Phase::Up);
    up.breakOffIfUp("the target closed the connection");
    EXPECT_EQ(up.reason(), "the target closed the connection");
}

TEST(IscsiSessionStateTest, OnlyAnAttemptFailsAndItsFirstFailureIsTold) {
    for (const Phase phase : ConnectingPhases) {
        IscsiSessionState state = in(phase);
        state.fail("login failed: authentication");
        EXPECT_TRUE(state.is(Phase::Failed)) << static_cast<int>(phase);
        EXPECT_FALSE(state.connecting());
        EXPECT_FALSE(state.settled());
        EXPECT_TRUE(state.awaitsService());
        state.fail("the connection failed");
        EXPECT_EQ(state.reason(), "login failed: authentication");
        // A failed attempt has no connection to break.
        state.breakOff("x");
        EXPECT_TRUE(state.is(Phase::Failed));
    }
    for (const Phase phase : {Phase::Idle, Phase::Down, Phase::Up}) {
        IscsiSessionState state = in(phase);
        state.fail("x");
        EXPECT_TRUE(state.is(phase)) << static_cast<int>(phase);
        EXPECT_TRUE(state.reason().empty());
    }
    IscsiSessionState broken = in(Phase::Up);
    broken.breakOff("reset by peer");
    broken.fail("x");
    EXPECT_TRUE(broken.is(Phase::Broken));
    EXPECT_EQ(broken.reason(), "reset by peer");
}

} // namespace
} // namespace quillon::scsi
