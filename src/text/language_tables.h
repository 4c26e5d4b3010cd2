#pragma once
// The pager's built-in texts in the four languages the programmer carries, as constant tables.
//
// A text entry is 20 bytes: attribute byte (bits 4-7 display attributes, bits 0-3 indent),
// length byte (0-18), then 18 character bytes. Bytes past the length are part of the stored
// entry and are copied as they are: several tables deliberately carry leftovers there.
// Characters above 127 are Latin-1 codes (the editor's character set); nothing here is in
// pager codes.
#include "image/image_addresses.h"
#include <array>
#include <cstdint>

namespace kpr {

inline constexpr int TextEntrySize = 20;
inline constexpr int TextEntryMaxChars = 18;
inline constexpr int TextBlockEntries = 31;
inline constexpr int TextBlockSize = TextBlockEntries * TextEntrySize; // 620
inline constexpr int HistoryPairSize = 2 * TextEntrySize;              // 40

using TextEntry = std::array<uint8_t, TextEntrySize>;
using TextBlock = std::array<uint8_t, TextBlockSize>;
using HistoryPair = std::array<uint8_t, HistoryPairSize>;

// The languages that have texts of their own. Danish and Swedish use the English texts.
enum class TextLanguage { English, Spanish, French, German };

// The 31 built-in texts (entry n at byte 20 * n); entry 0 is the power-up logo text.
const TextBlock& text_block(TextLanguage lang);

// The FLASH ONLY entry (&HA0) of each language.
const TextEntry& flash_only_entry(TextLanguage lang);

// The history pair (&H3B8) a language selection writes: French and German only; nullptr
// for English and Spanish, whose selection leaves &H3B8-&H3DF alone.
const HistoryPair* language_history_pair(TextLanguage lang);

// The English history pair (SET HISTORY / HISTORY SET) that only the default image carries.
const HistoryPair& default_history_pair();

} // namespace kpr
