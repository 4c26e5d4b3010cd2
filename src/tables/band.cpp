#include "tables/band.h"

namespace kpr {

std::optional<int> derive_band(const PagerImage& image, BandRule rule) {
    const int nibble = image[0x65] >> 4;
    if (rule == BandRule::Standard) {
        const int incd = image[0x0C] * 256 + image[0x0D];
        if (incd >= 128)
            return Band130to180;
        if (nibble == 3 || nibble == 4)
            return Band380to499;
    } else {
        if (image[0x0C] != 0)
            return Band130to180;
        if (nibble == 3)
            return Band380to499;
    }
    if (nibble == 8)
        return Band929to932;
    return std::nullopt;
}

} // namespace kpr
