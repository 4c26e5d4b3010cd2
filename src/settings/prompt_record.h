#pragma once
// Prompt records: 20 bytes at the address an entry names - attribute byte (bits 0-3 indent,
// bits 4-7 display attributes), length n (0-18), n character bytes (Latin-1).
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <string>
#include <string_view>

namespace kpr {

inline constexpr int PromptCount = 72;   // txtPrompt(0) .. txtPrompt(71)
inline constexpr int PromptTextMax = 18; // characters a record holds
inline constexpr int PromptIndentMax = 15;
inline constexpr int FirstSourcePrompt = 33;
inline constexpr int LastSourcePrompt = 64;

// 66, 67 and 69 and anything outside 0..71 have no entry.
bool prompt_exists(int index);
// The record address of an entry, or -1 when it has none.
int prompt_record_address(int index);
// SLEEP, SILENT, SILENT THEN BEEP and FLASH ONLY carry a fixed indent offset of 3 columns.
bool prompt_has_indent_offset(int index);
// The prompt's name ("NO PAGES", "Cap#1 Fun.Bit A", ...); empty for 0 and missing entries.
std::string prompt_name(int index);
// The entry's tag: record address and a flag, "&H100,1", "276,0", "&H540,0".
std::string prompt_tag(int index);

// The text an entry shows for the record at addr: its indent as leading blanks, then its
// characters (Latin-1). A length byte above 18 shows the 18 characters of the record.
std::string read_prompt_record(const PagerImage& image, int addr, bool indentOffset);

enum class PromptStore {
    Stored,
    TooLong,        // more than 18 characters after the leading blanks
    IndentOverflow, // blanks beyond the indent's 15 plus the text exceed 18 characters
};

// Stores an entry's text (Latin-1) into the record at addr. The attribute bits and the
// bytes past the new length stay. For the logo (isLogo) also sets the logo-present field.
// Anything but Stored leaves the image unchanged. A record keeps at least one character: an
// empty or blank-only text is stored as one blank after an indent one column shorter, so it
// reads back as typed ("" reads back as " ").
PromptStore store_prompt_record(PagerImage& image, int addr, bool indentOffset, bool isLogo,
                                std::string_view text);

// Blanks trimmed from both ends / from the front only.
std::string_view trim_blanks(std::string_view s);
std::string_view trim_leading_blanks(std::string_view s);

} // namespace kpr
