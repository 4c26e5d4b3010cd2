#pragma once
// How a setting's value is read from the editor and written as text, shared by reading and
// applying the settings keys; not part of their interface.
#include "editor/settings_keys.h"

#include <optional>
#include <string>
#include <vector>

namespace kpr {

// The band of an image whose synthesiser words name none: the list keeps what it showed
// before, which is not what the file holds.
inline constexpr const char* NoBand = "none";

std::string ascii_lower(std::string s);
bool band_unknown(const Editor& e);
// The key's value as the editor shows it now (runs the key's preparation first).
std::string value_of(Editor& e, const SettingKey& k);
// "code N" (any case, blanks around N allowed) as a number, or nothing.
std::optional<int> parse_code(const std::string& value);
// Up to six decimal digits, or nothing.
std::optional<int> whole_number(const std::string& s);
// "\"a\", \"b\"".
std::string quoted_list(const std::vector<std::string>& items);

} // namespace kpr
