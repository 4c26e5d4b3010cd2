#include "text/charset.h"

namespace kpr {
namespace {

constexpr CharPair SpanishPairs[] = {
    {161, 35},  // ¡ #
    {199, 91},  // Ç [
    {209, 92},  // Ñ backslash
    {186, 93},  // º ]
    {170, 94},  // ª ^
    {191, 96},  // ¿ `
    {231, 123}, // ç {
    {241, 124}, // ñ |
    {220, 125}, // Ü }
    {252, 126}, // ü ~
};

constexpr CharPair FrenchPairs[] = {
    {163, 35},  // £ #
    {224, 64},  // à @
    {176, 91},  // ° [
    {231, 92},  // ç backslash
    {167, 93},  // § ]
    {233, 123}, // é {
    {249, 124}, // ù |
    {232, 125}, // è }
    {175, 126}, // ¯ ~ (macron, not the diaeresis)
};

constexpr CharPair GermanPairs[] = {
    {167, 64},  // § @
    {196, 91},  // Ä [
    {214, 92},  // Ö backslash
    {220, 93},  // Ü ]
    {228, 123}, // ä {
    {246, 124}, // ö |
    {252, 125}, // ü }
    {223, 126}, // ß ~
};

constexpr CharPair DanishPairs[] = {
    {167, 64},  // § @
    {198, 91},  // Æ [
    {216, 92},  // Ø backslash
    {197, 93},  // Å ]
    {230, 123}, // æ {
    {248, 124}, // ø |
    {229, 125}, // å }
    {175, 126}, // ¯ ~
};

constexpr CharPair SwedishPairs[] = {
    {163, 35},  // £ #
    {200, 64},  // È @ (grave, not É)
    {196, 91},  // Ä [
    {214, 92},  // Ö backslash
    {197, 93},  // Å ]
    {220, 94},  // Ü ^
    {233, 96},  // é `
    {228, 123}, // ä {
    {246, 124}, // ö |
    {229, 125}, // å }
    {252, 126}, // ü ~
};

template <typename F> void convert_ranges(PagerImage& image, F convert) {
    for (const auto& r : ConvertedTextRanges)
        for (int a = r.first; a <= r.last; ++a)
            image[a] = convert(image, image[a]);
}

} // namespace

std::span<const CharPair> charset_pairs(int languageCode) {
    switch (languageCode) {
    case language_code::Spanish:
        return SpanishPairs;
    case language_code::French:
        return FrenchPairs;
    case language_code::German:
        return GermanPairs;
    case language_code::Danish:
        return DanishPairs;
    case language_code::Swedish:
        return SwedishPairs;
    default:
        return {};
    }
}

uint8_t char_to_pager_for(int languageCode, uint8_t c) {
    for (const CharPair& p : charset_pairs(languageCode))
        if (p.pc == c)
            return p.pager;
    return c;
}

uint8_t char_from_pager_for(int languageCode, uint8_t c) {
    for (const CharPair& p : charset_pairs(languageCode))
        if (p.pager == c)
            return p.pc;
    return c;
}

uint8_t language_code_of(const PagerImage& image) {
    return image.get_bits(AddrLanguageCode, 0, 4);
}

uint8_t char_to_pager(const PagerImage& image, uint8_t c) {
    return char_to_pager_for(language_code_of(image), c);
}

uint8_t char_from_pager(const PagerImage& image, uint8_t c) {
    return char_from_pager_for(language_code_of(image), c);
}

bool is_converted_address(int addr) {
    for (const auto& r : ConvertedTextRanges)
        if (addr >= r.first && addr <= r.last)
            return true;
    return false;
}

void text_to_pager(PagerImage& image) {
    convert_ranges(image, [](const PagerImage& img, uint8_t c) { return char_to_pager(img, c); });
}

void text_from_pager(PagerImage& image) {
    convert_ranges(image, [](const PagerImage& img, uint8_t c) { return char_from_pager(img, c); });
}

} // namespace kpr
