#pragma once
// The logo font selector (&H3F bits 0-3) and what each font allows the logo entry.
#include "image/image_addresses.h"

#include <optional>

namespace kpr {

inline constexpr int LogoFontCount = 7; // "English(Large)" .. "Swedish"

struct LogoFont {
    const char* caption;
    int value;         // written into &H3F bits 0-3
    bool bold;         // the entry's weight
    int capacity;      // characters the entry takes
    int widthInBlanks; // the entry is as wide as this many blanks
};

const LogoFont& logo_font(int listPosition); // 0..6
// List position for a stored value: 0 and 1 show "English(Large)", 2, 5, 6, 8, 11, 15 the
// others; any other value has no position.
std::optional<int> logo_font_position(int value);

} // namespace kpr
