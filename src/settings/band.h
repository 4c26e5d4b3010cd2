#pragma once
// Which frequency band an image belongs to, judged from its channel increment (INCD at
// &H0C-&H0D) and the high nibble of the base frequency's second byte (&H65). Used after a
// table file is opened and after a pager is read.
#include "image/pager_image.h"

#include <optional>

namespace kpr {

// Positions of the band list.
inline constexpr int Band130to180 = 0; // "130-180MHz-GP(RoHS)"
inline constexpr int Band380to499 = 1; // "380-499MHz"
inline constexpr int Band929to932 = 2; // "929-932MHz"

enum class BandRule {
    // Table files and the USB read: INCD >= 128 gives band 0; else nibble 3 or 4 gives
    // band 1, nibble 8 band 2.
    Standard,
    // The parallel-port read: band 0 when &H0C is not 0; else nibble 3 gives band 1,
    // nibble 8 band 2.
    ParallelPort,
};

// The band position the image selects, or nothing when the band choice is to stay as it was.
std::optional<int> derive_band(const PagerImage& image, BandRule rule = BandRule::Standard);

} // namespace kpr
