#include "settings/band.h"

#include "image/image_addresses.h"

namespace kpr {

std::optional<int> derive_band(const PagerImage& image, BandRule rule) {
    const int nibble = image[AddrBaseFrequency + 1] >> 4;
    if (rule == BandRule::Standard) {
        const int incd = image[AddrIncd] * 256 + image[AddrIncd + 1];
        if (incd >= 128)
            return Band130to180;
        if (nibble == 3 || nibble == 4)
            return Band380to499;
    } else {
        if (image[AddrIncd] != 0)
            return Band130to180;
        if (nibble == 3)
            return Band380to499;
    }
    if (nibble == 8)
        return Band929to932;
    return std::nullopt;
}

} // namespace kpr
