#pragma once
// The pager's character set. The editor keeps texts in Latin-1; the pager has no codes above
// 127 and, per language, puts national letters on a few ASCII punctuation positions. These
// routines convert the image's three text regions between the two forms, using the
// language code the image itself holds.
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <array>
#include <cstdint>
#include <span>

namespace kpr {

// Language codes as stored in image &H3A bits 0-3 (and the copy in &H3E bits 0-3).
namespace language_code {
inline constexpr uint8_t English = 2;
inline constexpr uint8_t Spanish = 5;
inline constexpr uint8_t French = 6;
inline constexpr uint8_t German = 8;
inline constexpr uint8_t Danish = 11;
inline constexpr uint8_t Swedish = 15;
} // namespace language_code

// One row of a national table: the Latin-1 code and the pager code whose place it takes.
struct CharPair {
    uint8_t pc;
    uint8_t pager;
};

// The table in force for a language code; empty (identity) for English and every code
// without a table of its own.
std::span<const CharPair> charset_pairs(int languageCode);

// Per character, for a given language code. A code in no row passes unchanged.
uint8_t char_to_pager_for(int languageCode, uint8_t c);
uint8_t char_from_pager_for(int languageCode, uint8_t c);

// Per character, with the language code read from the image (&H3A bits 0-3) on every call.
uint8_t language_code_of(const PagerImage& image);
uint8_t char_to_pager(const PagerImage& image, uint8_t c);
uint8_t char_from_pager(const PagerImage& image, uint8_t c);

// The regions that hold pager texts, inclusive; nothing else is ever converted (not the
// FLASH ONLY entry at &HA0, not the model text, not a settings byte).
struct AddressRange {
    int first;
    int last;
};
inline constexpr std::array<AddressRange, 3> ConvertedTextRanges{{
    {0x100, 0x36B}, // the 31 built-in texts
    {0x3B8, 0x3DF}, // the two history texts
    {0x540, 0x7BF}, // the 32 source prompts
}};
bool is_converted_address(int addr);

// In place, ascending address order, every byte of the three regions (header bytes of the
// entries included). text_to_pager runs just before an image goes to a pager (write,
// verify); text_from_pager after one comes back (and when the write/verify dialog closes).
// Table files hold the PC form and are never converted.
void text_to_pager(PagerImage& image);
void text_from_pager(PagerImage& image);

} // namespace kpr
