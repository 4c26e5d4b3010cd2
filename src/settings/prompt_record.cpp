#include "settings/prompt_record.h"
#include "common/hex.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace kpr {

namespace {

constexpr std::array<const char*, 30> MenuPromptNames = {
    "NO PAGES",         "ESCAPE",         "MESSAGE LOCK", "MESSAGE UNLOCK", "DELETE",
    "DELETE ALL",       "MOVE TO MEMO",   "SET SCROLL",   "SET TIME",       "SET ALARM",
    "SET ALERT",        "PAGER OFF",      "TONE ONLY",    "SLEEP",          "SILENT",
    "PAGER OFF ?",      "DELETE?",        "DELETE ALL ?", "TIME SET",       "ALARM SET",
    "SCROLL SET",       "AUTO SLEEP SET", "START END",    "MESSAGE AREA",   "MAIL DROP AREA",
    "SILENT THEN BEEP", "ZOOM IN",        "ZOOM OUT",     "CHIRP ON",       "CHIRP OFF"};

} // namespace

bool prompt_exists(int index) {
    return index >= 0 && index < PromptCount && index != 66 && index != 67 && index != 69;
}

int prompt_record_address(int index) {
    if (!prompt_exists(index))
        return -1;
    if (index == 0)
        return 0x100;
    if (index <= 30)
        return 276 + 20 * (index - 1);
    if (index == 31)
        return 0x3B8;
    if (index == 32)
        return 0x3CC;
    if (index <= LastSourcePrompt)
        return 0x540 + 20 * (index - FirstSourcePrompt);
    switch (index) {
    case 65:
        return 0xA0;
    case 68:
        return 0x428;
    case 70:
        return 0x4E4;
    case 71:
        return 0x2E0;
    default:
        return -1;
    }
}

bool prompt_has_indent_offset(int index) {
    return index == 14 || index == 15 || index == 26 || index == 65;
}

std::string prompt_name(int index) {
    if (!prompt_exists(index) || index == 0)
        return {};
    if (index <= 30)
        return MenuPromptNames[index - 1];
    if (index <= LastSourcePrompt) {
        if (index == 31)
            return "SET HISTORY";
        if (index == 32)
            return "HISTORY SET";
        const int k = index - FirstSourcePrompt;
        return "Cap#" + std::to_string(k / 4 + 1) + " Fun.Bit " + std::string(1, "ABCD"[k % 4]);
    }
    switch (index) {
    case 65:
        return "FLASH ONLY";
    case 68:
        return "CHARGING";
    case 70:
        return "MAIL DROP AREA";
    default:
        return "MESSAGE AREA";
    }
}

std::string prompt_tag(int index) {
    const int addr = prompt_record_address(index);
    if (addr < 0)
        return {};
    if (index == 0)
        return hex_address(addr) + ",1";
    if (index <= 30)
        return std::to_string(addr) + ",0";
    return hex_address(addr) + ",0";
}

std::string_view trim_leading_blanks(std::string_view s) {
    const auto p = s.find_first_not_of(' ');
    return p == std::string_view::npos ? std::string_view{} : s.substr(p);
}

std::string_view trim_blanks(std::string_view s) {
    s = trim_leading_blanks(s);
    const auto p = s.find_last_not_of(' ');
    return p == std::string_view::npos ? std::string_view{} : s.substr(0, p + 1);
}

std::string read_prompt_record(const PagerImage& image, int addr, bool indentOffset) {
    const int d = image[addr];
    std::string text;
    if ((d & 15) != 0) {
        // The whole byte takes part, so an offset record with indent 1 or 2 wraps to 14/15.
        const int s = indentOffset ? ((d - 3) & 15) : (d & 15);
        text.assign(static_cast<std::size_t>(s), ' ');
    }
    const int n = std::min<int>(image[addr + 1], PromptTextMax);
    for (int k = 0; k < n; ++k)
        text += static_cast<char>(image[addr + 2 + k]);
    return text;
}

PromptStore store_prompt_record(PagerImage& image, int addr, bool indentOffset, bool isLogo,
                                std::string_view text) {
    const std::string_view afterBlanks = trim_leading_blanks(text);
    if (afterBlanks.size() > PromptTextMax)
        return PromptStore::TooLong;
    int s = static_cast<int>(text.size() - afterBlanks.size());
    if (indentOffset)
        s += 3;
    std::string stored;
    if (s >= PromptIndentMax) {
        stored.assign(static_cast<std::size_t>(s - PromptIndentMax), ' ');
        s = PromptIndentMax;
    }
    stored += trim_blanks(text);
    // Blanks past the indent's 15 take record space too; never write past the record.
    if (stored.size() > PromptTextMax)
        return PromptStore::IndentOverflow;

    if (stored.empty()) {
        // A record always holds at least one character. That blank is shown after the
        // indent, so it takes the place of the last typed blank: a blank-only text then
        // reads back exactly as it was typed instead of gaining a blank at every store.
        stored = " ";
        if (s > (indentOffset ? 3 : 0))
            --s;
        if (isLogo)
            image.set_bits(AddrPromptFlags, 0, 0, 2);
    } else if (isLogo) {
        image.set_bits(AddrPromptFlags, 0, 2, 2);
    }
    image[addr] = static_cast<uint8_t>((image[addr] & 0xF0) | s);
    image[addr + 1] = static_cast<uint8_t>(stored.size());
    for (std::size_t k = 0; k < stored.size(); ++k)
        image[addr + 2 + static_cast<int>(k)] = static_cast<uint8_t>(stored[k]);
    return PromptStore::Stored;
}

} // namespace kpr
