#pragma once

#include <cstdio>
#include <string>

namespace quillon::console {

// A printf-style format applied to values, as the log lines are written.
template <typename... Values> std::string formatText(const char* pattern, Values... values) {
    const int length = std::snprintf(nullptr, 0, pattern, values...);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, values...);
    return text;
}

} // namespace quillon::console
