#pragma once

#include <string>
#include <utility>

namespace quillon::scsi {

// Where the connection of one iSCSI session stands:
//
//   Idle               made by open(); the service thread connects at once.
//   Down               no connection; one is made when a command waits.
//   Connecting         the TCP connection is being made.
//   LoggingIn          the login is under way.
//   AskingLuns         REPORT LUNS, for a target whose LUNs the URLs leave
//                      open and that has not told them yet.
//   AskingLunsAgain    REPORT LUNS once more after a CHECK CONDITION, which
//                      may be the unit attention of the fresh login.
//   ClearingAttention  TEST UNIT READY on the known LUNs takes the unit
//                      attention of the login.
//   Up                 logged in: commands go straight out.
//   Broken (why)       still logged in, but the connection is not trusted
//                      any more; the service thread gives it up.
//   Failed (why)       the attempt failed in a callback; the service thread
//                      ends it.
//
// Transitions:
//
//   Idle, Down -> Connecting -> LoggingIn -> [AskingLuns [-> AskingLunsAgain]]
//              -> ClearingAttention -> Up
//   Connecting ... ClearingAttention -> Failed -> Down
//   Idle, Down, Connecting ... ClearingAttention -> Down   (no libiscsi context,
//              libiscsi refuses to connect, or the attempt's deadline passed)
//   Up -> Broken -> Down
//   any -> Down                                           (the transport closes)
//
// Only Broken and Failed carry a reason; entering any other phase forgets it.
class IscsiSessionState {
public:
    enum class Phase {
        Idle,
        Down,
        Connecting,
        LoggingIn,
        AskingLuns,
        AskingLunsAgain,
        ClearingAttention,
        Up,
        Broken,
        Failed,
    };

    Phase phase() const { return phase_; }
    bool is(Phase phase) const { return phase_ == phase; }
    // Why the connection broke or the attempt failed; empty in other phases.
    const std::string& reason() const { return reason_; }

    // An attempt is under way: Connecting to ClearingAttention.
    bool connecting() const { return phase_ >= Phase::Connecting && phase_ < Phase::Up; }
    // Logged in on the connection held: Up, or Broken and not yet given up.
    bool loggedIn() const { return phase_ == Phase::Up || phase_ == Phase::Broken; }
    // The first attempt has ended: Up, Broken or Down (every session starts
    // Idle, and only an attempt that ended leads to Down).
    bool settled() const { return loggedIn() || phase_ == Phase::Down; }
    // The service thread must act before it sleeps: Broken or Failed.
    bool awaitsService() const { return phase_ == Phase::Broken || phase_ == Phase::Failed; }

    // Moves to a phase that has no reason; Broken and Failed come only by
    // breakOff and fail.
    void enter(Phase phase) {
        phase_ = phase;
        reason_.clear();
    }
    // Up or Broken -> Broken: a later reason replaces an earlier one. Other
    // phases have no connection to break and stay as they are.
    void breakOff(std::string why) {
        if (loggedIn()) {
            phase_ = Phase::Broken;
            reason_ = std::move(why);
        }
    }
    // Up -> Broken; a connection already Broken keeps its reason.
    void breakOffIfUp(std::string why) {
        if (phase_ == Phase::Up) {
            breakOff(std::move(why));
        }
    }
    // Connecting ... ClearingAttention -> Failed. The first failure of an
    // attempt is the one told: a Failed session, and one not connecting,
    // stay as they are.
    void fail(std::string why) {
        if (connecting()) {
            phase_ = Phase::Failed;
            reason_ = std::move(why);
        }
    }

private:
    Phase phase_ = Phase::Idle;
    std::string reason_;
};

} // namespace quillon::scsi
