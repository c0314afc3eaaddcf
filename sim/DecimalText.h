#pragma once

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon::sim {

// A decimal number given as text (an option's value): the whole text must be
// one finite number from low to high; anything else (trailing characters,
// "nan", "inf", a value out of range or beyond a double) gives nothing.
inline std::optional<double> decimalIn(std::string_view text, double low, double high) {
    const std::string whole(text);
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(whole, &used);
    } catch (const std::logic_error&) { // invalid_argument, out_of_range
        return std::nullopt;
    }
    if (used == 0 || used != whole.size() || !std::isfinite(value) || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace quillon::sim
