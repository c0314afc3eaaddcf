#include "DriveTiming.h"

#include <algorithm>
#include <cmath>

namespace quillon::sim {

Nanos DriveTiming::seek(std::uint32_t fromTrack, std::uint32_t toTrack) const {
    if (fromTrack == toTrack) {
        return Nanos{0};
    }
    // Beyond the first track, the travel grows with the square root of the
    // distance, up to the full stroke from the first to the last track in use.
    const double beyondFirst =
        (fromTrack > toTrack ? fromTrack - toTrack : toTrack - fromTrack) - 1;
    const double fullStroke = std::max(1u, profile_->trackOf(profile_->lastLba)) - 1;
    const double travel = static_cast<double>((FullStroke - Settle).count());
    const double fraction = fullStroke > 0 ? std::min(1.0, beyondFirst / fullStroke) : 1.0;
    return Settle + Nanos(static_cast<Nanos::rep>(travel * std::sqrt(fraction)));
}

Nanos DriveTiming::revolution() const {
    return Nanos(std::chrono::minutes(1)) / profile_->rpm;
}

} // namespace quillon::sim
