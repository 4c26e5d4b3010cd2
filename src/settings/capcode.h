#pragma once
// The eight capcode slots: 21-bit receiver addresses packed into four image bytes each.
#include "image/pager_image.h"

#include <cstdint>
#include <string>

namespace kpr {

// A capcode, 0 - CapcodeMax: the one type a capcode has wherever it is kept or passed.
using Capcode = int32_t;

inline constexpr int CapcodeSlots = 8;
inline constexpr Capcode CapcodeMax = 2097151;

// First image byte of slot 0-7 (&H40, &H44, ... &H5C).
constexpr int capcode_base(int slot) {
    return 0x40 + 4 * slot;
}

// The capcode stored in a slot.
Capcode decode_capcode(const PagerImage& image, int slot);

// Stores c (0 - 2097151) into a slot; byte B and bits 5-7 of B+1 are kept.
void store_capcode(PagerImage& image, int slot, Capcode c);

// The capcode as shown in its entry: decimal, padded with zeros to 7 digits.
std::string capcode_text(Capcode c);

// The refusal when the capcode of auto-increased entry `entry` (1 or 2) is at CapcodeMax.
inline std::string capcode_limit_message(int entry) {
    return "Capcode " + std::to_string(entry) + " > 2097151 so can not be increase!";
}

} // namespace kpr
