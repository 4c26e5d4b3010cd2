#include "settings/function_bits.h"

#include <cstdio>

namespace kpr {

namespace {

int display_addr(int slot, int f) {
    return AddrDisplayCode + 4 * slot + f;
}
int class_addr(int slot, int f) {
    return AddrClassCode + 4 * slot + f;
}
int priority_addr(int slot) {
    return AddrPriority + slot / 2;
}
int priority_bit_no(int slot, int f) {
    return (slot % 2) * 4 + f;
}

} // namespace

int display_code(const PagerImage& image, int slot, int f) {
    return image[display_addr(slot, f)];
}

int class_code(const PagerImage& image, int slot, int f) {
    return image[class_addr(slot, f)];
}

int priority_bit(const PagerImage& image, int slot, int f) {
    return image.get_bits(priority_addr(slot), priority_bit_no(slot, f), 1);
}

void set_display_code(PagerImage& image, int slot, int f, int code) {
    image[display_addr(slot, f)] = static_cast<uint8_t>(code);
}

void set_class_entry(PagerImage& image, int slot, int f, int entry) {
    const int code = entry == ClassEntryCount - 1 ? GroupClass : entry;
    image[class_addr(slot, f)] = static_cast<uint8_t>(code);
}

void set_priority_bit(PagerImage& image, int slot, int f, int value) {
    image.set_bits(priority_addr(slot), priority_bit_no(slot, f), value ? 1 : 0, 1);
}

std::string display_summary(const PagerImage& image, int slot) {
    static constexpr char Letters[] = "NPAIT";
    std::string s;
    for (int f = 0; f < FunctionBits; ++f) {
        const int c = display_code(image, slot, f);
        s += c <= 4 ? Letters[c] : '-';
    }
    return s;
}

std::string class_summary(const PagerImage& image, int slot) {
    std::string s;
    for (int f = 0; f < FunctionBits; ++f) {
        const int c = class_code(image, slot, f);
        if (c == 0) {
            s += 'P';
        } else if (c == GroupClass) {
            s += 'G';
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%X", c);
            s += buf;
        }
    }
    return s;
}

std::string priority_summary(const PagerImage& image, int slot) {
    std::string s;
    for (int f = 0; f < FunctionBits; ++f)
        s += priority_bit(image, slot, f) ? 'v' : '-';
    return s;
}

int display_entry_for_code(int code) {
    return code >= 0 && code < DisplayCodeCount ? code : -1;
}

int class_entry_for_code(int code) {
    if (code == GroupClass)
        return ClassEntryCount - 1;
    return code >= 0 && code <= 15 ? code : -1;
}

} // namespace kpr
