#pragma once
// Alert length, memory share and history depth per message class: PG (personal and group)
// and mail drops 1-15.
#include "image/image_addresses.h"
#include "image/pager_image.h"

#include <optional>
#include <string>

namespace kpr {

inline constexpr int MailDrops = 15;
inline constexpr int MailDropsWithMemory = 14;

bool mail_drop_enabled(const PagerImage& image, int drop);
void set_mail_drop_enabled(PagerImage& image, int drop, bool on);

// The cell texts; nothing when the stored value has no text (the cell keeps its text).
std::optional<std::string> personal_length_text(const PagerImage& image);
std::optional<std::string> mail_drop_length_text(const PagerImage& image, int drop);
// Quarter KB as whole KB, format "00" (a half goes to the even neighbour).
std::string memory_text(int quarters);
// Stored depth + 1 shown as the depth, format "00".
std::string history_text(int stored);

// cboPersonal: entries "2 sec" .. "continuos" <-> stored 2, 8, 16, 32, 0.
inline constexpr int PersonalEntryCount = 5;
int personal_value_for_entry(int entry);
int personal_entry_for_value(int value); // -1 when none
// cboMailAler: 0 "Disable", 1 "Beep", 2 "1 sec", 3 "16 sec".
int mail_alert_entry(const PagerImage& image, int drop); // -1 when the length has no entry
void set_mail_alert_entry(PagerImage& image, int drop, int entry);
// cboHis: entries "0" .. "9".
int history_entry(const PagerImage& image, int drop); // -1 when outside 0..9
void set_history_entry(PagerImage& image, int drop, int entry);

// Two-digit text of a whole number the way the "00" format shows it (-1 gives "-01").
std::string format_00(long long value);

} // namespace kpr
