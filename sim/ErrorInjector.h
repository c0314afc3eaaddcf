#pragma once

#include <cstdint>
#include <functional>
#include <random>

namespace quillon::sim {

// Random raw byte errors of a read channel: each byte read is wrong with a
// fixed probability, drawn afresh on every read from a seeded generator, so a
// run of commands is reproducible from its seed. The distance to the next
// error is drawn from the geometric distribution, so a read costs time only
// for the errors it contains, not for every byte.
class ErrorInjector {
public:
    explicit ErrorInjector(double byteErrorRate = 2e-5, std::uint64_t seed = 1);

    void reset(double byteErrorRate, std::uint64_t seed);
    double byteErrorRate() const { return rate_; }

    // Reads `length` more bytes off the medium; calls hit(offset, mask) for
    // each byte that comes out wrong, mask being the non-zero XOR to apply.
    // Returns how many bytes were hit.
    std::uint32_t read(std::uint32_t length,
                       const std::function<void(std::uint32_t, std::uint8_t)>& hit);

private:
    std::uint64_t drawGap();

    double rate_ = 0;
    double logKeep_ = 0;
    std::mt19937_64 rng_;
    std::uint64_t untilNextError_ = 0;
};

} // namespace quillon::sim
