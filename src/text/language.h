#pragma once
// The language list (cboLng) and what choosing one of its items does to an image.
#include "image/pager_image.h"
#include "text/language_tables.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kpr {

struct LanguageItem {
    const char* caption; // the list text exactly as shown
    uint8_t code;        // written to &H3A and &H3E bits 0-3
    TextLanguage texts;  // text block and FLASH ONLY entry copied
    bool writesHistory;  // French and German also write &H3B8-&H3DF
};

inline constexpr int LanguageListSize = 6;
// List order: "English", "Spainish", "French", "German", "Danish", "Swedish".
const std::array<LanguageItem, LanguageListSize>& language_list();

// The item at a list position, or nullptr when the position is not 0-5 (no selection).
const LanguageItem* language_item(int listPosition);

// The list position shown for a loaded image's code (&H3E bits 0-3): codes 0, 1 and 2 show
// "English", 5 "Spainish", 6 "French", 8 "German", 11 "Danish", 15 "Swedish"; any other
// code has no position and the list keeps its current selection.
std::optional<int> language_list_position_for_code(int code);

// Applies a language-list choice to the image (the cboLng click handler minus the controls):
//   1. &H3B bits 0-1 = 2 (logo text present) - always, even with no selection;
//   2. if listPosition is 0-5: &H3A and &H3E bits 0-3 = the item's code (upper nibbles kept),
//      then the item's text block to &H100-&H36B, for French and German the history pair to
//      &H3B8-&H3DF, then the item's FLASH ONLY entry to &HA0-&HB3.
// Nothing else changes: an English, Spanish, Danish or Swedish choice leaves an earlier
// French/German history pair in place. The texts go in as Latin-1 (PC) codes.
// Does not compare with the previous choice: choosing the same item again rewrites every
// text, the user's edits of the 31 built-in texts included.
// Returns true when a language was applied, false for no selection (only &H3B changed).
// The caller (the editor) handles SuppressClick before calling and refreshes the prompt
// entries (Set_PromptEd_Width, read_prompt) after.
bool apply_language(PagerImage& image, int listPosition);

} // namespace kpr
