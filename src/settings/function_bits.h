#pragma once
// Per capcode slot s (0-7) and function bit f (A=0 .. D=3): message display, message class
// and priority alert, and the one-line summaries the main window shows.
#include "image/image_addresses.h"
#include "image/pager_image.h"
#include "settings/capcode.h"

#include <string>

namespace kpr {

inline constexpr int FunctionBits = 4;
inline constexpr int DisplayCodeCount = 6; // 0..5: "STD Numeric" .. "Disable"
inline constexpr int ClassEntryCount = 17; // "Personal", mail drops 1..F, "Group"
inline constexpr int GroupClass = 0xFF;

int display_code(const PagerImage& image, int slot, int f);
int class_code(const PagerImage& image, int slot, int f);
int priority_bit(const PagerImage& image, int slot, int f);

void set_display_code(PagerImage& image, int slot, int f, int code);
// Stores the class for a list entry: 0 personal, 1-15 mail drop, 16 group (&HFF).
void set_class_entry(PagerImage& image, int slot, int f, int entry);
void set_priority_bit(PagerImage& image, int slot, int f, int value);

// The summaries of one slot, letters for A, B, C, D.
std::string display_summary(const PagerImage& image, int slot);  // N P A I T, else -
std::string class_summary(const PagerImage& image, int slot);    // P, G, else hex code
std::string priority_summary(const PagerImage& image, int slot); // - or v

// List entry shown for a stored code, -1 when the code has no entry.
int display_entry_for_code(int code);
int class_entry_for_code(int code);

} // namespace kpr
