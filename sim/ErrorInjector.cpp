#include "ErrorInjector.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon::sim {

ErrorInjector::ErrorInjector(double byteErrorRate, std::uint64_t seed) {
    reset(byteErrorRate, seed);
}

void ErrorInjector::reset(double byteErrorRate, std::uint64_t seed) {
    rate_ = std::clamp(byteErrorRate, 0.0, 1.0);
    logKeep_ = std::log1p(-rate_);
    rng_.seed(seed);
    untilNextError_ = drawGap();
}

std::uint64_t ErrorInjector::drawGap() {
    if (rate_ <= 0) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    if (rate_ >= 1) {
        return 0;
    }
    const double u = 1.0 - std::generate_canonical<double, 53>(rng_); // in (0, 1]
    const double gap = std::floor(std::log(u) / logKeep_);
    return gap >= 1e18 ? std::numeric_limits<std::uint64_t>::max()
                       : static_cast<std::uint64_t>(gap);
}

std::uint32_t ErrorInjector::read(std::uint32_t length,
                                  const std::function<void(std::uint32_t, std::uint8_t)>& hit) {
    std::uint32_t hits = 0;
    std::uint64_t offset = 0;
    while (untilNextError_ < length - offset) {
        offset += untilNextError_;
        const auto mask = static_cast<std::uint8_t>(1 + rng_() % 255);
        hit(static_cast<std::uint32_t>(offset), mask);
        ++hits;
        ++offset;
        untilNextError_ = drawGap();
    }
    untilNextError_ -= length - offset;
    return hits;
}

} // namespace quillon::sim
