#include "settings/latin1_text.h"

#include <cstdint>

namespace kpr {

std::string latin1_to_utf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::size_t utf8_decode(std::string_view text, std::size_t i, uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms and surrogates are not characters.
    static constexpr uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

Latin1Result utf8_to_latin1(std::string_view utf8) {
    Latin1Result r;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const std::size_t n = utf8_decode(utf8, i, cp);
        if (n == 0)
            return r;
        if (cp > 0xFF) {
            r.offending = std::string(utf8.substr(i, n));
            return r;
        }
        out += static_cast<char>(cp);
        i += n;
    }
    r.text = std::move(out);
    return r;
}

std::size_t utf8_length(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const std::size_t n = utf8_decode(utf8, i, cp);
        i += n == 0 ? 1 : n;
        ++count;
    }
    return count;
}

std::string not_latin1_message(const Latin1Result& result) {
    if (result.offending.empty())
        return "The text can not be stored in the pager! Please use Latin-1 characters only.";
    return "The character \"" + result.offending +
           "\" can not be stored in the pager! Please use Latin-1 characters only.";
}

} // namespace kpr
