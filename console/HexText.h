#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quillon::console {

// The ASCII column of the sector editor for one line of 16 bytes, as UTF-8
// text: a byte from 20h to 7Eh shows as itself, every other byte as ".".
// With double-byte rendering (a Japanese locale) a Shift-JIS lead byte and
// its trail byte show as their character; a lead byte with no valid trail
// byte after it in the line shows as ".".
std::string MakePrintable(std::span<const std::uint8_t> bytes, bool doubleByte);

// Whether the user's locale is Japanese, the one double-byte code page the
// editor renders: LC_ALL, LC_CTYPE or LANG (the first set) begins with "ja".
bool DoubleByteLocale();

} // namespace quillon::console
