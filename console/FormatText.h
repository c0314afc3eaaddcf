#pragma once

#include <string>

namespace quillon::console {

// A printf-style format applied to values, as the log lines are written. The
// compiler checks the values against the format.
[[gnu::format(printf, 1, 2)]] std::string formatText(const char* pattern, ...);

} // namespace quillon::console
