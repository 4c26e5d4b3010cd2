#include "registry/registry_text.h"

#include "common/hex.h"
#include "registry/registry_access.h"

namespace kpr::registry_text {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string toUpper(std::string s) {
    for (char& c : s)
        c = upper(c);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (upper(s[i]) != upper(prefix[i]))
            return false;
    return true;
}

// Every occurrence of `from` (any letter case) replaced by `to`, left to right.
std::string replaceNoCase(const std::string& s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (startsWithNoCase(std::string_view(s).substr(i), from)) {
            out += to;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::string trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string removeBlanks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != ' ')
            out += c;
    return out;
}

// Whole bytes of hex digits, blanks ignored; empty text is zero bytes.
bool isWholeHexBytes(const std::string& hex) {
    const std::string digits = removeBlanks(hex);
    return digits.empty() || (digits.size() % 2 == 0 && clsRegistryAccess::isBinValid(digits));
}

// The number a "dword:" entry holds: the hex digits up to the first other character (none
// gives 0). More than eight significant digits do not fit and are refused.
std::optional<std::int32_t> parseDword(std::string_view s) {
    std::uint64_t value = 0;
    int significant = 0;
    for (char c : s) {
        const int d = hex_digit(c);
        if (d < 0)
            break;
        if (significant > 0 || d != 0)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(d);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace kpr::registry_text
