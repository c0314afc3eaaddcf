#include "ErrorInjector.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using quillon::sim::ErrorInjector;

namespace {

// Offsets from the first byte of the hits of `reads` reads of `length` bytes.
std::vector<std::uint64_t> hits(ErrorInjector& e, int reads, std::uint32_t length) {
    std::vector<std::uint64_t> all;
    for (std::uint64_t base = 0; reads-- > 0; base += length) {
        const std::size_t before = all.size();
        const auto n = e.read(length, [&](std::uint32_t offset, std::uint8_t mask) {
            EXPECT_LT(offset, length);
            EXPECT_TRUE(all.size() == before || base + offset > all.back());
            EXPECT_NE(mask, 0);
            all.push_back(base + offset);
        });
        EXPECT_EQ(n, all.size() - before);
    }
    return all;
}

} // namespace

TEST(ErrorInjector, NoErrorsAtRateZeroEveryByteAtRateOne) {
    ErrorInjector none(0, 5);
    EXPECT_TRUE(hits(none, 1000, 100000).empty());
    ErrorInjector all(1, 5);
    const auto h = hits(all, 3, 100);
    ASSERT_EQ(h.size(), 300u);
    EXPECT_EQ(h.back(), 299u);
}

TEST(ErrorInjector, RateWithinToleranceAndReproducibleBySeed) {
    for (const double rate : {2e-5, 1e-3, 0.05}) {
        ErrorInjector e(rate, 11);
        const double expected = rate * 20000 * 600;
        const auto h = hits(e, 20000, 600);
        // Within four standard deviations of the binomial count.
        EXPECT_NEAR(static_cast<double>(h.size()), expected, 4 * std::sqrt(expected)) << rate;
        e.reset(rate, 11);
        EXPECT_EQ(hits(e, 20000, 600), h);
        e.reset(rate, 12);
        EXPECT_NE(hits(e, 20000, 600), h);
    }
}
