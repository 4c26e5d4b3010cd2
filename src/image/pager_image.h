#pragma once
// The pager's 2048-byte configuration memory, byte for byte, and its bit-field access.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kpr {

inline constexpr int ImageSize = 2048;
inline constexpr int16_t ImageUpperBound = ImageSize - 1;

class PagerImage {
  public:
    using Bytes = std::array<uint8_t, ImageSize>;

    PagerImage() { bytes_.fill(0); }
    explicit PagerImage(const Bytes& b) : bytes_(b) {}

    // Addresses outside 0..2047 throw std::out_of_range: an index error is a bug, never
    // silent memory corruption.
    uint8_t& operator[](int addr);
    uint8_t operator[](int addr) const;

    Bytes& bytes() { return bytes_; }
    const Bytes& bytes() const { return bytes_; }
    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    static constexpr int size() { return ImageSize; }

    // (image[addr] >> bit) & (2^len - 1).
    uint8_t get_bits(int addr, int bit, int len) const;
    // Note the argument order: address, bit, value, length. A field that reaches past bit 7
    // or a value that does not fit len bits is refused: returns false, image unchanged.
    bool set_bits(int addr, int bit, int value, int len);

    friend bool operator==(const PagerImage&, const PagerImage&) = default;

  private:
    Bytes bytes_;
};

} // namespace kpr
