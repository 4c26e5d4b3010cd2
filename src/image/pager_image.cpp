#include "image/pager_image.h"

#include <stdexcept>
#include <string>

namespace kpr {

namespace {
void check_address(int addr) {
    if (addr < 0 || addr > ImageUpperBound)
        throw std::out_of_range("pager image address " + std::to_string(addr) + " out of range");
}
} // namespace

uint8_t& PagerImage::operator[](int addr) {
    check_address(addr);
    return bytes_[static_cast<std::size_t>(addr)];
}

uint8_t PagerImage::operator[](int addr) const {
    check_address(addr);
    return bytes_[static_cast<std::size_t>(addr)];
}

uint8_t PagerImage::get_bits(int addr, int bit, int len) const {
    const uint8_t b = (*this)[addr];
    if (bit < 0 || bit > 7 || len <= 0)
        return 0;
    const unsigned mask = len >= 8 ? 0xFFu : ((1u << len) - 1u);
    return static_cast<uint8_t>((b >> bit) & mask);
}

bool PagerImage::set_bits(int addr, int bit, int value, int len) {
    check_address(addr);
    if (bit < 0 || len < 1 || bit + len > 8 || value < 0)
        return false;
    const unsigned fieldMask = (1u << len) - 1u;
    if (static_cast<unsigned>(value) > fieldMask)
        return false;
    const unsigned keep = ~(fieldMask << bit) & 0xFFu;
    uint8_t& b = bytes_[static_cast<std::size_t>(addr)];
    b = static_cast<uint8_t>((b & keep) | (static_cast<unsigned>(value) << bit));
    return true;
}

} // namespace kpr
