#pragma once

#include <string>

namespace quillon::mediatests {

// An error rate as the test windows show it: three significant digits, a
// capital E and at least three exponent digits, right-aligned in 12
// characters ("   1.50E-005", "   0.00E+000").
std::string FormatRate(double rate);

} // namespace quillon::mediatests
