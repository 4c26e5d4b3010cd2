#pragma once
// Text helpers shared by the registry's key access and its REGEDIT4 scripts.
#include "registry/registry_backend.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kpr::registry_text {

struct RootName {
    const char* abbreviation;
    const char* fullName;
    HKey handle;
};

// The order full names are replaced in.
inline constexpr std::array<RootName, 7> RootNames = {{
    {"HKCU", "HKEY_CURRENT_USER", HKeyCurrentUser},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKeyLocalMachine},
    {"HKCR", "HKEY_CLASSES_ROOT", HKeyClassesRoot},
    {"HKUS", "HKEY_USERS", HKeyUsers},
    {"HKPD", "HKEY_PERFORMANCE_DATA", HKeyPerformanceData},
    {"HKDD", "HKEY_DYN_DATA", HKeyDynData},
    {"HKCC", "HKEY_CURRENT_CONFIG", HKeyCurrentConfig},
}};

char upper(char c);
std::string toUpper(std::string s);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
// Every occurrence of `from` (any letter case) replaced by `to`, left to right.
std::string replaceNoCase(const std::string& s, std::string_view from, std::string_view to);
bool hasLineBreak(std::string_view s);
std::string trimBlanks(std::string_view s);
std::string removeBlanks(std::string_view s);
// Whole bytes of hex digits, blanks ignored; empty text is zero bytes.
bool isWholeHexBytes(const std::string& hex);
// The number a "dword:" entry holds: the hex digits up to the first other character (none
// gives 0). More than eight significant digits do not fit and are refused.
std::optional<std::int32_t> parseDword(std::string_view s);

} // namespace kpr::registry_text
