#include "common/printable_text.h"

#include "common/hex.h"

#include <cctype>

namespace kpr {

std::string printable_value(const std::string& value) {
    std::string out;
    auto escape = [&](unsigned char b) { out += hex_escape(b); };
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto b = static_cast<unsigned char>(value[i]);
        if (b < 0x20 || b == 0x7F) {
            escape(b);
        } else if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            // Whole UTF-8 sequences stay; the C1 controls (U+0080-U+009F) show as the
            // Latin-1 byte the image holds, stray bytes as themselves.
            std::size_t len = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
            if (len == 0 || i + len > value.size()) {
                escape(b);
                continue;
            }
            bool whole = true;
            for (std::size_t k = 1; k < len; ++k)
                whole = whole && (static_cast<unsigned char>(value[i + k]) & 0xC0) == 0x80;
            if (!whole) {
                escape(b);
            } else if (b == 0xC2 && static_cast<unsigned char>(value[i + 1]) < 0xA0) {
                escape(static_cast<unsigned char>(value[i + 1]));
                i += 1;
            } else {
                out.append(value, i, len);
                i += len - 1;
            }
        }
    }
    return out;
}

std::string brief_value(const std::string& value) {
    constexpr std::size_t Shown = 40;
    if (value.size() <= Shown)
        return printable_value(value);
    std::size_t cut = Shown;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return printable_value(value.substr(0, cut)) + "... (" + std::to_string(value.size()) +
           " bytes)";
}

std::string snake_case_key(const std::string& caption) {
    std::string out;
    bool gap = false;
    for (char ch : caption) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '\'')
            continue;
        if (std::isalnum(u)) {
            if (gap && !out.empty())
                out.push_back('_');
            out.push_back(static_cast<char>(std::tolower(u)));
            gap = false;
        } else {
            gap = true;
        }
    }
    return out;
}

// Characters first..first+count-1 (1-based) of s; characters past its end are empty.
std::string mid(const std::string& s, size_t first, size_t count) {
    if (first - 1 >= s.size())
        return {};
    return s.substr(first - 1, count);
}

} // namespace kpr
