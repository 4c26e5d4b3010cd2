#include "editor/settings_keys.h"

#include "common/hex.h"

#include "editor/editor_internal.h"
#include "image/bound_controls.h"
#include "settings/alert_lengths.h"
#include "settings/battery.h"
#include "settings/function_bits.h"
#include "settings/latin1_text.h"
#include "settings/logo.h"
#include "tables/band.h"
#include "text/charset.h"
#include "text/language.h"

#include <cctype>
#include <charconv>
#include <map>

namespace kpr {

namespace {

class SilentMessages final : public OperatorMessages {
  public:
    void message(const std::string&, MessageIcon) override {}
    bool ask(const std::string&) override { return false; }
};

std::function<std::string(const Editor&)> fixed(std::string name) {
    return [name = std::move(name)](const Editor&) { return name; };
}

SettingKey& add(std::vector<SettingKey>& v, std::string key, SettingKind kind, std::string control,
                std::function<void(Editor&)> prepare = {}) {
    SettingKey k;
    k.key = std::move(key);
    k.kind = kind;
    k.control = fixed(std::move(control));
    k.prepare = std::move(prepare);
    v.push_back(std::move(k));
    return v.back();
}

// The stored code of a setting that is one byte of the image.
void byte_code(SettingKey& k, int addr) {
    k.storedCode = [addr](const PagerImage& img) { return static_cast<int>(img[addr]); };
    k.storeCode = [addr](PagerImage& img, int code) { img[addr] = static_cast<uint8_t>(code); };
}

// The stored code of a setting that is a bit field of the image.
void bits_code(SettingKey& k, int addr, int bit, int len) {
    k.storedCode = [=](const PagerImage& img) { return img.get_bits(addr, bit, len); };
    k.storeCode = [=](PagerImage& img, int code) { img.set_bits(addr, bit, code, len); };
    k.codeMax = (1 << len) - 1;
}

// Names of the bound lists, which carry no caption of their own.
const std::map<int, std::string>& bound_list_keys() {
    static const std::map<int, std::string> names = {
        {0, "bandwidth"}, {2, "alert_time"},  {3, "lamp_mode"}, {4, "time_out"},
        {5, "polarity"},  {6, "date_format"}, {9, "data_rate"},
    };
    return names;
}

std::vector<SettingKey> build_keys() {
    std::vector<SettingKey> v;
    using K = SettingKind;

    add(v, "band", K::List, "cboDft");
    add(v, "spacing", K::List, "cboRoHS");
    add(v, "frequency", K::Entry, "txtFreq");
    add(v, "base_frequency", K::Display, "lblBfreq");
    add(v, "pll.n", K::Display, "lblPLLN");
    add(v, "pll.r", K::Display, "lblPLLR");
    add(v, "incd", K::Display, "lblINCD");
    add(v, "channel", K::Display, "lblCHANNEL");

    for (int n = 1; n <= 8; ++n) {
        const std::string p = "capcode." + std::to_string(n);
        add(v, p, K::Entry, ctl("txtAddr", n - 1));
        add(v, p + ".enabled", K::Check, ctl("chkCtl", 29 + n));
        // The summaries the window shows beside the capcode.
        add(v, p + ".display", K::Display, ctl("tlblDisp", n - 1));
        add(v, p + ".type", K::Display, ctl("tlblType", n - 1));
        add(v, p + ".priority", K::Display, ctl("tlblPri", n - 1));
    }
    for (int n = 1; n <= 8; ++n) {
        auto open = [n](Editor& e) { e.route(ctl("cmdFunc", n - 1), ControlEvent::Click); };
        for (int f = 0; f < 4; ++f) {
            const std::string p = "function." + std::to_string(n) + "." + "ABCD"[f];
            const int slot = n - 1;
            byte_code(add(v, p + ".display", K::List, ctl("cboDisp", f), open),
                      DisplayCodeAddress + 4 * slot + f);
            byte_code(add(v, p + ".class", K::List, ctl("cboType", f), open),
                      ClassCodeAddress + 4 * slot + f);
            add(v, p + ".priority", K::Check, ctl("chkPri", f), open);
        }
    }

    for (const BoundControl& b : bound_controls()) {
        if (b.name == "chkCtl" && b.index >= 30 && b.index <= 37)
            continue; // capcode.N.enabled
        if (b.name == "chkCtl") {
            add(v, snake_case_key(b.caption), K::Check, b.key());
        } else if (b.name == "cboCtl") {
            const auto it = bound_list_keys().find(b.index);
            bits_code(
                add(v, it != bound_list_keys().end() ? it->second : b.key(), K::List, b.key()),
                b.field.addr, b.field.bit, b.field.len);
        }
    }
    add(v, "sequential_lockout", K::List, "cboSLC");
    add(v, "out_of_service", K::List, "cboORC");
    static const char* const menu[7] = {"Zoom In/Out Off", "Set Scroll Off", "Set Time Off",
                                        "Set Alarm Off",   "Auto Sleep Off", "Pager Off Disable",
                                        "Set Alert Off"};
    for (int i = 0; i < 7; ++i)
        add(v, snake_case_key(menu[i]), K::Check, ctl("chkMenu", i));
    add(v, "zoom", K::List, "cboZoom");
    {
        SettingKey k;
        k.key = "contrast";
        k.kind = K::Slider;
        k.control = fixed("Slider1");
        k.sliderMin = 1;
        k.sliderMax = 8;
        byte_code(k, 0x89);
        v.push_back(std::move(k));
    }
    {
        SettingKey& tone = add(v, "tone", K::List, "cboTone");
        byte_code(tone, ToneAddress);
        tone.entryOf = [](const PagerImage& img) {
            return find_code(tone_entries(), img[ToneAddress]);
        };
    }
    static const char* const levels[3] = {"low", "med", "high"};
    for (int k = 0; k < 3; ++k) {
        SettingKey s;
        s.key = std::string("battery.") + levels[k];
        s.kind = K::List;
        // The lists of the battery type the image holds.
        s.control = [k](const Editor& e) {
            return ctl("cboBatLev", e.image().get_bits(0x4FC, 2, 1) == 1 ? k : k + 3);
        };
        byte_code(s, BatteryLevelAddress + k);
        s.entryOf = [k](const PagerImage& img) {
            return find_code(is_rechargeable(img) ? rechargeable_levels() : single_cell_levels(),
                             img[BatteryLevelAddress + k]);
        };
        v.push_back(std::move(s));
    }
    add(v, "password", K::Entry, "txtPass");
    add(v, "serial_number", K::Display, "textSN");

    auto openAlerts = [](Editor& e) { e.route("cmdAlert", ControlEvent::Click); };
    byte_code(add(v, "alert.personal", K::List, "cboPersonal", openAlerts), PersonalAlertAddress);
    {
        SettingKey& length = add(v, "alert.personal.length", K::Display, ctl("lblLength", 0));
        byte_code(length, PersonalAlertAddress);
        length.textOf = personal_length_text;
    }
    add(v, "memory.personal", K::Display, ctl("lblMemory", 0));
    for (int n = 1; n <= 15; ++n) {
        const std::string p = "maildrop." + std::to_string(n);
        // The alert length list: "Disable" while the drop is off, else its length byte.
        SettingKey& alert = add(v, p + ".alert", K::List, ctl("cboMailAler", n - 1), openAlerts);
        alert.storedCode = [n](const PagerImage& img) {
            return static_cast<int>(img[MailDropAlertAddress + n - 1]);
        };
        alert.storeCode = [n](PagerImage& img, int code) {
            set_mail_drop_enabled(img, n, true);
            img[MailDropAlertAddress + n - 1] = static_cast<uint8_t>(code);
        };
        byte_code(add(v, p + ".history", K::List, ctl("cboHis", n - 1), openAlerts),
                  MailDropHistoryAddress + n - 1);
        // The summaries of the window's alert table.
        SettingKey& length = add(v, p + ".alert_length", K::Display, ctl("lblLength", n));
        byte_code(length, MailDropAlertAddress + n - 1);
        length.textOf = [n](const PagerImage& img) { return mail_drop_length_text(img, n); };
        add(v, p + ".history_depth", K::Display, ctl("lblHistory", n));
        if (n <= 14)
            add(v, p + ".memory", K::Display, ctl("lblMemory", n));
    }

    {
        SettingKey& language = add(v, "language", K::List, "cboLng");
        bits_code(language, LanguageCodeCopyAddress, 0, 4);
        language.entryOf = [](const PagerImage& img) {
            return language_list_position_for_code(img.get_bits(LanguageCodeCopyAddress, 0, 4));
        };
        SettingKey& logo = add(v, "logo_font", K::List, "cboLogo");
        bits_code(logo, 0x3F, 0, 4);
        logo.entryOf = [](const PagerImage& img) {
            return logo_font_position(img.get_bits(0x3F, 0, 4));
        };
    }
    add(v, "source_prompts", K::List, "cboSource");
    for (int i = 0; i <= 71; ++i) {
        if (i == 66 || i == 67 || i == 69)
            continue;
        add(v, "prompt." + std::to_string(i), K::Entry, ctl("txtPrompt", i));
        if (i >= 33 && i <= 64)
            add(v, "prompt." + std::to_string(i) + ".enabled", K::Check, ctl("chkSource", i));
    }
    return v;
}

std::string lower(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

constexpr const char* CodePrefix = "code ";
// The band of an image whose synthesiser words name none: the list keeps what it showed
// before, which is not what the file holds.
constexpr const char* NoBand = "none";

std::string code_text(int code) {
    return CodePrefix + std::to_string(code);
}

bool band_unknown(const Editor& e) {
    return !derive_band(e.image()).has_value();
}

std::string value_of(Editor& e, const SettingKey& k) {
    if (k.prepare)
        k.prepare(e);
    if (k.key == "band" && band_unknown(e))
        return NoBand;
    const std::string name = k.control(e);
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

// "code N" (any case, blanks around N allowed) as a number, or nothing.
std::optional<int> parse_code(const std::string& value) {
    if (value.size() <= 5 || lower(value.substr(0, 5)) != CodePrefix)
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

std::string join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& i : items)
        out += (out.empty() ? "\"" : ", \"") + i + "\"";
    return out;
}

} // namespace

std::string printable_value(const std::string& value) {
    std::string out;
    auto escape = [&](unsigned char b) { out += hex_escape(b); };
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto b = static_cast<unsigned char>(value[i]);
        if (b < 0x20 || b == 0x7F) {
            escape(b);
        } else if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            // Whole UTF-8 sequences stay; the C1 controls (U+0080-U+009F) show as the
            // Latin-1 byte the image holds, stray bytes as themselves.
            std::size_t len = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
            if (len == 0 || i + len > value.size()) {
                escape(b);
                continue;
            }
            bool whole = true;
            for (std::size_t k = 1; k < len; ++k)
                whole = whole && (static_cast<unsigned char>(value[i + k]) & 0xC0) == 0x80;
            if (!whole) {
                escape(b);
            } else if (b == 0xC2 && static_cast<unsigned char>(value[i + 1]) < 0xA0) {
                escape(static_cast<unsigned char>(value[i + 1]));
                i += 1;
            } else {
                out.append(value, i, len);
                i += len - 1;
            }
        }
    }
    return out;
}

std::string brief_value(const std::string& value) {
    constexpr std::size_t Shown = 40;
    if (value.size() <= Shown)
        return printable_value(value);
    std::size_t cut = Shown;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return printable_value(value.substr(0, cut)) + "... (" + std::to_string(value.size()) +
           " bytes)";
}

std::string snake_case_key(const std::string& caption) {
    std::string out;
    bool gap = false;
    for (char ch : caption) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '\'')
            continue;
        if (std::isalnum(u)) {
            if (gap && !out.empty())
                out.push_back('_');
            out.push_back(static_cast<char>(std::tolower(u)));
            gap = false;
        } else {
            gap = true;
        }
    }
    return out;
}

const std::vector<SettingKey>& setting_keys() {
    static const std::vector<SettingKey> keys = build_keys();
    return keys;
}

const SettingKey* find_setting_key(const std::string& key) {
    static const std::map<std::string, const SettingKey*> index = [] {
        std::map<std::string, const SettingKey*> m;
        for (const SettingKey& k : setting_keys())
            m[k.key] = &k;
        return m;
    }();
    const auto it = index.find(key);
    return it == index.end() ? nullptr : it->second;
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

SetOutcome apply_setting(Editor& editor, const std::string& key, const std::string& value) {
    const SettingKey* k = find_setting_key(key);
    if (!k)
        return {false, "Unknown setting \"" + brief_value(key) + "\"."};
    const std::string quoted = "\"" + brief_value(value) + "\"";
    if (value.empty() && k->kind != SettingKind::Check && k->kind != SettingKind::Display &&
        key.rfind("prompt.", 0) != 0)
        // An empty entry leaves the stored value as it was: say so rather than succeed.
        return {false, "The setting \"" + key + "\" needs a value; an empty one changes nothing."};
    if (k->kind == SettingKind::Display)
        return {false, "The setting \"" + key + "\" is shown only; it cannot be set."};
    if (k->prepare)
        k->prepare(editor);
    const std::string name = k->control(editor);
    if (!editor.controls().contains(name))
        return {false, "Unknown setting \"" + key + "\"."};
    ControlState& c = editor.controls()[name];
    if (!c.visible || !c.enabled)
        return {false, "The setting \"" + key +
                           "\" cannot be changed now: the editor hides or disables it with the "
                           "current settings."};

    if (k->key == "band" && lower(value) == NoBand) {
        if (band_unknown(editor))
            return {true, {}};
        return {false, "The setting \"band\" takes \"none\" only for an image whose band cannot "
                       "be told from its synthesiser words; this one has a band."};
    }
    if (const auto code = parse_code(value); code && k->storeCode) {
        if (*code < 0 || *code > k->codeMax)
            return {false, "The setting \"" + key + "\" takes a code from 0 to " +
                               std::to_string(k->codeMax) + ", not " + quoted + "."};
        // The stored code itself, for a value the list has no entry for: the controls are
        // then refreshed from the image as after opening it.
        k->storeCode(editor.image(), *code);
        editor.init_ctl();
        if (k->prepare)
            k->prepare(editor);
        return {true, {}};
    }

    const bool pendingBefore = editor.flags().FreqErrorPending;
    switch (k->kind) {
    case SettingKind::Check: {
        const std::string v = lower(value);
        int state;
        if (v == "1" || v == "on" || v == "yes" || v == "true")
            state = 1;
        else if (v == "0" || v == "off" || v == "no" || v == "false")
            state = 0;
        else
            return {false, "The setting \"" + key + "\" takes 0 or 1, not " + quoted + "."};
        // A check box reacts only to a change of its state.
        if (c.value != state)
            editor.userChange(name, state);
        break;
    }
    case SettingKind::List: {
        int position = -1;
        for (std::size_t i = 0; i < c.items.size(); ++i)
            if (c.items[i] == value)
                position = static_cast<int>(i);
        if (position < 0) {
            for (std::size_t i = 0; i < c.items.size(); ++i)
                if (lower(c.items[i]) == lower(value))
                    position = static_cast<int>(i);
        }
        if (position < 0) {
            const auto n = whole_number(value);
            if (n && *n < static_cast<int>(c.items.size()))
                position = *n;
        }
        if (position < 0)
            return {false, "The setting \"" + key + "\" takes one of " + join(c.items) +
                               " (or its position from 0" +
                               (k->storeCode ? std::string(", or \"code N\"") : std::string()) +
                               "), not " + quoted + "."};
        editor.userChange(name, position);
        break;
    }
    case SettingKind::Slider: {
        const auto n = whole_number(value);
        if (!n || *n < k->sliderMin || *n > k->sliderMax)
            return {false, "The setting \"" + key + "\" takes a whole number from " +
                               std::to_string(k->sliderMin) + " to " +
                               std::to_string(k->sliderMax) + ", not " + quoted + "."};
        editor.userChange(name, *n);
        break;
    }
    case SettingKind::Entry: {
        if (!entry_accepts(c, value))
            return {false, "The setting \"" + key + "\" takes at most " +
                               std::to_string(c.maxLength) + " characters; " + quoted + " has " +
                               std::to_string(utf8_length(value)) + "."};
        if (name == "txtFreq" && editor.band() < 0)
            return {false, "Choose a band (band=0, 1 or 2) before setting the frequency."};
        if (!editor.userEnterText(name, value))
            return {false, {}};
        break;
    }
    default:
        break;
    }
    // A band or spacing choice commits a frequency; a refused commit refuses the choice.
    if (!pendingBefore && editor.flags().FreqErrorPending)
        return {false, {}};
    return {true, {}};
}

std::vector<SettingChange> compare_settings(const PagerImage& a, const PagerImage& b) {
    SilentMessages silent;
    Editor ea(silent);
    Editor eb(silent);
    ea.startup_finish({}, false);
    eb.startup_finish({}, false);
    ea.load_image(a);
    eb.load_image(b);
    const auto va = read_settings(ea);
    const auto vb = read_settings(eb);
    std::vector<SettingChange> out;
    for (std::size_t i = 0; i < va.size() && i < vb.size(); ++i)
        if (va[i].value != vb[i].value)
            out.push_back({va[i].key, va[i].value, vb[i].value});
    return out;
}

} // namespace kpr
