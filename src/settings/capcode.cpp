#include "settings/capcode.h"

#include <cstdio>

namespace kpr {

Capcode decode_capcode(const PagerImage& image, int slot) {
    const int b = capcode_base(slot);
    const int32_t high = ((image[b + 1] & 3) * 256 + image[b + 2]) * 256 + image[b + 3];
    return (high * 8) | ((image[b + 1] >> 2) & 7);
}

void store_capcode(PagerImage& image, int slot, Capcode c) {
    const int b = capcode_base(slot);
    const int32_t frame = c & 7;
    const int32_t high = c / 8;
    image[b + 1] = static_cast<uint8_t>((image[b + 1] & 0xE0) | ((c / 524288) & 3) | (frame * 4));
    image[b + 2] = static_cast<uint8_t>((high / 256) & 255);
    image[b + 3] = static_cast<uint8_t>(high & 255);
}

std::string capcode_text(Capcode c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%07d", static_cast<int>(c));
    return buf;
}

} // namespace kpr
