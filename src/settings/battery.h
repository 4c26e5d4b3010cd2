#pragma once
// Battery-gauge thresholds, alert tone, pager password and serial number as stored in the
// image.
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kpr {

struct CodedEntry {
    const char* text;
    uint8_t code;
};

std::span<const CodedEntry> tone_entries();
std::span<const CodedEntry> rechargeable_levels();
std::span<const CodedEntry> single_cell_levels();

// First entry whose code equals code, or nothing.
std::optional<int> find_code(std::span<const CodedEntry> entries, int code);

bool is_rechargeable(const PagerImage& image);
// What changing the battery type does to the image: default thresholds of the new set
// (&HCC &HDA &HE1 rechargeable, &H66 &H6E &H77 single cell) and &H530-&H531 cleared.
void apply_battery_type_defaults(PagerImage& image, bool rechargeable);
// Low < Med < High.
bool battery_levels_rising(const PagerImage& image);

// The password as shown: the decimal text of &H3B3, &H3B2, &H3B1, &H3B0, concatenated.
std::string password_text(const PagerImage& image);
// Stores one to four decimal digits right-aligned with leading zeros. Anything else is
// refused (false) and leaves the image unchanged.
bool store_password_digits(PagerImage& image, std::string_view digits);

// The 16-bit sum the pager keeps over the twelve serial-number characters.
uint16_t serial_sum(std::span<const uint8_t> characters);
// Whether `area` (the twelve characters, then their sum, high byte first) is consistent.
bool serial_sum_matches(std::span<const uint8_t> area);
// The 12 serial-number bytes, when their stored 16-bit sum matches; else nothing.
std::optional<std::string> valid_serial_number(const PagerImage& image);
// A serial number as shown and searched for: printable ASCII as it is, every other byte
// (and the backslash) as "\\xNN", so no byte of a pager reaches a terminal or a file raw.
std::string shown_serial_number(const std::string& bytes);

} // namespace kpr
