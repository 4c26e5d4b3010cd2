#include "editor/setting_values.h"

#include "settings/band.h"

#include <cctype>
#include <charconv>

namespace kpr {

namespace {

constexpr const char* CodePrefix = "code ";

std::string code_text(int code) {
    return CodePrefix + std::to_string(code);
}

} // namespace

std::string ascii_lower(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

bool band_unknown(const Editor& e) {
    return !derive_band(e.image()).has_value();
}

std::string value_of(Editor& e, const SettingKey& k) {
    if (k.prepare)
        k.prepare(e);
    if (k.key == "band" && band_unknown(e))
        return NoBand;
    const std::string name = k.control_in(e);
    if (!e.controls().contains(name))
        return {};
    const ControlState& c = e.controls().at(name);
    switch (k.kind) {
    case SettingKind::Check:
        return c.value == 1 ? "1" : "0";
    case SettingKind::List: {
        const int shown = k.entryOf ? k.entryOf(e.image()).value_or(-1) : c.value;
        if (shown >= 0 && shown < static_cast<int>(c.items.size()))
            return c.items[static_cast<std::size_t>(shown)];
        return k.storedCode ? code_text(k.storedCode(e.image())) : std::string{};
    }
    case SettingKind::Slider: {
        const int stored = k.storedCode ? k.storedCode(e.image()) : c.value;
        if (stored < k.sliderMin || stored > k.sliderMax)
            return code_text(stored);
        return std::to_string(c.value);
    }
    default:
        if (k.textOf) {
            const auto text = k.textOf(e.image());
            return text ? *text : code_text(k.storedCode(e.image()));
        }
        return c.text;
    }
}

std::optional<int> parse_code(const std::string& value) {
    if (value.size() <= 5 || ascii_lower(value.substr(0, 5)) != CodePrefix)
        return std::nullopt;
    std::string_view digits(value);
    digits.remove_prefix(5);
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ')
        digits.remove_suffix(1);
    int n = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return n;
}

std::optional<int> whole_number(const std::string& s) {
    if (s.empty() || s.size() > 6)
        return std::nullopt;
    for (char ch : s)
        if (!std::isdigit(static_cast<unsigned char>(ch)))
            return std::nullopt;
    int n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return n;
}

std::string quoted_list(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& i : items)
        out += (out.empty() ? "\"" : ", \"") + i + "\"";
    return out;
}

std::vector<SettingValue> read_settings(Editor& editor) {
    std::vector<SettingValue> out;
    out.reserve(setting_keys().size());
    for (const SettingKey& k : setting_keys())
        out.push_back({k.key, value_of(editor, k)});
    return out;
}

std::optional<std::string> read_setting(Editor& editor, const std::string& key) {
    const SettingKey* k = find_setting_key(key);
    if (!k)
        return std::nullopt;
    return value_of(editor, *k);
}

} // namespace kpr
