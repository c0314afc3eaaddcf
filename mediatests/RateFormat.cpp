#include "RateFormat.h"

#include <cstdio>
#include <cstdlib>

namespace quillon::mediatests {

std::string FormatRate(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2E", rate);
    std::string formatted = text;
    const auto e = formatted.find('E');
    if (e != std::string::npos && e + 2 < formatted.size()) {
        const int exponent = std::atoi(formatted.c_str() + e + 2);
        std::snprintf(text, sizeof text, "%c%03d", formatted[e + 1], exponent);
        formatted = formatted.substr(0, e + 1) + text;
    }
    if (formatted.size() < 12) {
        formatted.insert(0, 12 - formatted.size(), ' ');
    }
    return formatted;
}

} // namespace quillon::mediatests
