#pragma once
// The value of one hexadecimal digit, shared by every parser of "&H…" and hex-byte texts, and
// the one way a byte that may not be shown as it is is written: "\xNN".
#include <cstdio>
#include <string>

namespace kpr {

inline std::string hex_escape(unsigned char b) {
    static const char* const digits = "0123456789ABCDEF";
    return {'\\', 'x', digits[b >> 4], digits[b & 15]};
}

// An image address as the field descriptors and messages write it: "&H7E3".
inline std::string hex_address(int addr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X", static_cast<unsigned>(addr));
    return buf;
}

// 0-15 for 0-9, a-f, A-F; -1 for anything else.
constexpr int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace kpr
