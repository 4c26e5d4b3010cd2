#pragma once
// Values shown to a person or written into a file line: bytes that may not be shown are
// escaped, long values cut, captions turned into keys.
#include <string>

namespace kpr {

// Every byte that is not printable as "\\xNN" (the value itself is left as is when it has
// none).
std::string printable_value(const std::string& value);
// A value named in a message: printable and cut to a few dozen characters, so a huge
// refused value is never echoed whole.
std::string brief_value(const std::string& value);

// "Rechargeable Bat. 2.4V" -> "rechargeable_bat_2_4v"; "Ext. Charger's Beeper" ->
// "ext_chargers_beeper".
std::string snake_case_key(const std::string& caption);

// Characters first..first+count-1 (1-based, as the pager's model strings are cut); characters
// past its end are empty.
std::string mid(const std::string& s, size_t first, size_t count);

} // namespace kpr
