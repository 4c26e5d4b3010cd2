#include "editor/settings_keys.h"

#include "common/printable_text.h"
#include "image/bound_controls.h"
#include "settings/alert_lengths.h"
#include "settings/battery.h"
#include "settings/function_bits.h"
#include "settings/logo.h"
#include "text/language.h"

#include <map>

namespace kpr {

namespace {

SettingKey& add(std::vector<SettingKey>& v, std::string key, SettingKind kind, std::string control,
                std::function<void(Editor&)> prepare = {}) {
    SettingKey k;
    k.key = std::move(key);
    k.kind = kind;
    k.control = std::move(control);
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
                      AddrDisplayCode + 4 * slot + f);
            byte_code(add(v, p + ".class", K::List, ctl("cboType", f), open),
                      AddrClassCode + 4 * slot + f);
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
        k.control = "Slider1";
        k.sliderMin = 1;
        k.sliderMax = 8;
        byte_code(k, AddrContrast);
        v.push_back(std::move(k));
    }
    {
        SettingKey& tone = add(v, "tone", K::List, "cboTone");
        byte_code(tone, AddrTone);
        tone.entryOf = [](const PagerImage& img) {
            return find_code(tone_entries(), img[AddrTone]);
        };
    }
    static const char* const levels[3] = {"low", "med", "high"};
    for (int k = 0; k < 3; ++k) {
        SettingKey s;
        s.key = std::string("battery.") + levels[k];
        s.kind = K::List;
        // The lists of the battery type the image holds.
        s.control = ctl("cboBatLev", k + 3);
        s.controlFor = [k](const PagerImage& img) {
            return ctl("cboBatLev", is_rechargeable(img) ? k : k + 3);
        };
        byte_code(s, AddrBatteryLevel + k);
        s.entryOf = [k](const PagerImage& img) {
            return find_code(is_rechargeable(img) ? rechargeable_levels() : single_cell_levels(),
                             img[AddrBatteryLevel + k]);
        };
        v.push_back(std::move(s));
    }
    add(v, "password", K::Entry, "txtPass");
    add(v, "serial_number", K::Display, "textSN");

    auto openAlerts = [](Editor& e) { e.route("cmdAlert", ControlEvent::Click); };
    byte_code(add(v, "alert.personal", K::List, "cboPersonal", openAlerts), AddrPersonalAlert);
    {
        SettingKey& length = add(v, "alert.personal.length", K::Display, ctl("lblLength", 0));
        byte_code(length, AddrPersonalAlert);
        length.textOf = personal_length_text;
    }
    add(v, "memory.personal", K::Display, ctl("lblMemory", 0));
    for (int n = 1; n <= 15; ++n) {
        const std::string p = "maildrop." + std::to_string(n);
        // The alert length list: "Disable" while the drop is off, else its length byte.
        SettingKey& alert = add(v, p + ".alert", K::List, ctl("cboMailAler", n - 1), openAlerts);
        alert.storedCode = [n](const PagerImage& img) {
            return static_cast<int>(img[AddrMailDropAlert + n - 1]);
        };
        alert.storeCode = [n](PagerImage& img, int code) {
            set_mail_drop_enabled(img, n, true);
            img[AddrMailDropAlert + n - 1] = static_cast<uint8_t>(code);
        };
        byte_code(add(v, p + ".history", K::List, ctl("cboHis", n - 1), openAlerts),
                  AddrMailDropHistory + n - 1);
        // The summaries of the window's alert table.
        SettingKey& length = add(v, p + ".alert_length", K::Display, ctl("lblLength", n));
        byte_code(length, AddrMailDropAlert + n - 1);
        length.textOf = [n](const PagerImage& img) { return mail_drop_length_text(img, n); };
        add(v, p + ".history_depth", K::Display, ctl("lblHistory", n));
        if (n <= 14)
            add(v, p + ".memory", K::Display, ctl("lblMemory", n));
    }

    {
        SettingKey& language = add(v, "language", K::List, "cboLng");
        bits_code(language, AddrLanguageCodeCopy, 0, 4);
        language.entryOf = [](const PagerImage& img) {
            return language_list_position_for_code(img.get_bits(AddrLanguageCodeCopy, 0, 4));
        };
        SettingKey& logo = add(v, "logo_font", K::List, "cboLogo");
        bits_code(logo, AddrLogoFont, 0, 4);
        logo.entryOf = [](const PagerImage& img) {
            return logo_font_position(img.get_bits(AddrLogoFont, 0, 4));
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

} // namespace

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

} // namespace kpr
