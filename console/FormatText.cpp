#include "FormatText.h"

#include <cstdarg>
#include <cstdio>

namespace quillon::console {

std::string formatText(const char* pattern, ...) {
    std::va_list values;
    va_start(values, pattern);
    std::va_list again;
    va_copy(again, values);
    const int length = std::vsnprintf(nullptr, 0, pattern, values);
    va_end(values);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    va_end(again);
    return text;
}

} // namespace quillon::console
