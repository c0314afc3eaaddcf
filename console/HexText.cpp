#include "HexText.h"

#include <array>
#include <cstdlib>
#include <iconv.h>
#include <string_view>

namespace quillon::console {

namespace {

bool printable(std::uint8_t byte) {
    return byte >= 0x20 && byte <= 0x7E;
}

bool shiftJisLead(std::uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// A Shift-JIS pair (code page 932) as UTF-8; empty when the pair is not a
// character.
std::string shiftJisCharacter(std::uint8_t lead, std::uint8_t trail) {
    thread_local const iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::array<char, 2> in{static_cast<char>(lead), static_cast<char>(trail)};
    std::array<char, 8> out{};
    char* inAt = in.data();
    char* outAt = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    iconv(converter, nullptr, nullptr, nullptr, nullptr); // a fresh state
    if (iconv(converter, &inAt, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
        return {};
    }
    return std::string(out.data(), outAt);
}

} // namespace

std::string MakePrintable(std::span<const std::uint8_t> bytes, bool doubleByte) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t byte = bytes[i];
        if (printable(byte)) {
            text += static_cast<char>(byte);
            continue;
        }
        if (doubleByte && shiftJisLead(byte) && i + 1 < bytes.size()) {
            if (const std::string character = shiftJisCharacter(byte, bytes[i + 1]);
                !character.empty()) {
                text += character;
                ++i; // the trail byte is shown with its lead
                continue;
            }
        }
        text += '.';
    }
    return text;
}

bool DoubleByteLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return std::string_view(value).starts_with("ja");
        }
    }
    return false;
}

} // namespace quillon::console
