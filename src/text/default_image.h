#pragma once
// The default pager image the program starts from, and the per-prompt "Load Default".
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <array>
#include <cstdint>

namespace kpr {

// ---------------------------------------------------------------------------------------
// Values of our own choosing in the default image (the only ones not fixed by the pager's
// factory layout). Keep docs/default-image.md in step when changing them.
//
//   &H070-&H076  DefaultAirProgramText  "AIRPROG"       seven upper-case letters A-Z used by
//                                                       the air-programming function
//   &H532-&H53D  DefaultDisplayText     "   KPR35T   "  twelve printable characters, the
//                                                       model name centred (3 + 6 + 3)
//   &H3B0-&H3B3  DefaultPassword        "1234"          the pager password; one digit per
//                                                       byte, first digit at &H3B3:
//                                                       &H3B0..&H3B3 = 04 03 02 01
// ---------------------------------------------------------------------------------------
inline constexpr char DefaultAirProgramText[] = "AIRPROG";
inline constexpr char DefaultDisplayText[] = "   KPR35T   ";
inline constexpr char DefaultPassword[] = "1234";

inline constexpr char DefaultSerialText[] = "Vard0000000"; // 11 chars at &H4D6-&H4E0

// Assembles the default image byte for byte: settings, English FLASH ONLY entry, English
// text block, English history pair, model text "KPR35T" (bytes 993-997 read "KPR35"),
// CHARGING and second MAIL DROP AREA entries, source prompts "NEWS 1" ... "NEWS 32",
// enable and key-disable bytes. Language code 2 (English) in &H3A and &H3E.
PagerImage build_default_image();

// The same image, built once and kept (read-only).
const PagerImage& default_image();

// "Load Default" for one prompt: puts the built-in content back into the 20-byte record at
// recordAddress, taken from the tables of the language at languageListPosition
// (0 English, 1 Spanish, 2 French, 3 German, 4 Danish, 5 Swedish; Danish and Swedish use
// the English tables):
//   - &HA0: the language's FLASH ONLY entry;
//   - &H100-&H358 (below 875): the same place in the language's text block;
//   - &H36C-&H3FF (the history records): the default image's bytes (English history pair);
//   - &H400 and above (CHARGING, MAIL DROP AREA, source prompts): the default image's bytes.
// For French and German the language's history pair is then written to &H3B8-&H3DF as
// well, whatever the record. Nothing else changes (language codes, other records, settings).
// A position outside 0-5 (no language selected) writes nothing.
// Returns false, image unchanged, when recordAddress names no restorable 20-byte record
// (the source would run outside its table or past the image); true otherwise.
// The caller (the editor) takes the address from txtPrompt(CurrentPrompt) and afterwards
// refreshes the prompts (read_prompt) and moves the focus.
bool load_default_prompt(PagerImage& image, int recordAddress, int languageListPosition);

} // namespace kpr
