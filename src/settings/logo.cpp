#include "settings/logo.h"

#include <array>

namespace kpr {

namespace {

constexpr std::array<LogoFont, LogoFontCount> Fonts = {{
    {"English(Large)", 0, true, 16, 17},
    {"English(Small)", 2, false, 21, 22},
    {"Spainish", 5, false, 21, 22},
    {"French", 6, false, 21, 22},
    {"German", 8, false, 21, 22},
    {"Danish", 11, false, 21, 22},
    {"Swedish", 15, false, 21, 22},
}};

} // namespace

const LogoFont& logo_font(int listPosition) {
    return Fonts.at(static_cast<std::size_t>(listPosition));
}

std::optional<int> logo_font_position(int value) {
    if (value == 1)
        return 0;
    for (int p = 0; p < LogoFontCount; ++p)
        if (Fonts[static_cast<std::size_t>(p)].value == value)
            return p;
    return std::nullopt;
}

} // namespace kpr
