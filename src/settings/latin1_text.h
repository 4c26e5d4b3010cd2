#pragma once
// The image keeps texts one byte per character in Latin-1; the controls hold UTF-8. These
// convert between the two and refuse what the pager could not store.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kpr {

std::string latin1_to_utf8(std::string_view latin1);

struct Latin1Result {
    std::optional<std::string> text; // the Latin-1 bytes, when every character fits
    std::string offending;           // else the first character that does not (UTF-8), or
                                     // empty when the input is not valid UTF-8
};
Latin1Result utf8_to_latin1(std::string_view utf8);

// Decodes the code point at text[i] into cp; its byte count, or 0 where no valid UTF-8
// sequence starts there (overlong forms and surrogates are none).
std::size_t utf8_decode(std::string_view text, std::size_t i, uint32_t& cp);

// Number of characters (code points) of a UTF-8 text; a stray byte counts as one.
std::size_t utf8_length(std::string_view utf8);

// The operator message for a text that cannot be stored in the pager.
std::string not_latin1_message(const Latin1Result& result);

} // namespace kpr
