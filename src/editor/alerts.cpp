#include "editor/alerts.h"
#include "editor/editor_internal.h"

#include "settings/battery.h"
#include "settings/latin1_text.h"
#include "settings/prompt_record.h"

#include <exception>

namespace kpr {

namespace {

constexpr const char* LevelCaptions[3] = {"Battery Gauge Level-Low", "Battery Gauge Level-Med",
                                          "Battery Gauge Level-High"};

std::vector<std::string> entry_texts(std::span<const CodedEntry> entries) {
    std::vector<std::string> texts;
    for (const CodedEntry& e : entries)
        texts.emplace_back(e.text);
    return texts;
}

std::span<const CodedEntry> level_set(int listIndex) {
    return listIndex < 3 ? rechargeable_levels() : single_cell_levels();
}

// Digits with an optional minus sign: a number the password entry can judge by value.
bool is_signed_integer(std::string_view t) {
    if (!t.empty() && t.front() == '-')
        t.remove_prefix(1);
    if (t.empty())
        return false;
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    return true;
}

void refuse_password(EditorState& st, const char* text) {
    st.messages->message(text, MessageIcon::Warning);
    read_pass(st);
    st.focusRequest = "txtPass";
}

} // namespace

void init_alert_controls(EditorState& st) {
    ControlState& tone = st.controls.add("cboTone");
    tone.items = entry_texts(tone_entries());
    tone.value = 0;
    // The zoom list sits with the menu boxes but holds the alarm byte's zoom bit.
    ControlState& zoom = st.controls.add("cboZoom");
    zoom.items = {"Zoom Out", "Zoom In"};
    zoom.value = -1;
    for (int k = 0; k < 6; ++k) {
        ControlState& c = st.controls.add(ctl("cboBatLev", k));
        c.items = entry_texts(level_set(k));
        c.value = 0;
        st.controls.add(ctl("lblBatLev", k)).text = LevelCaptions[k % 3];
    }
    ControlState& pass = st.controls.add("txtPass");
    pass.maxLength = 4;
    st.controls.add("lblPass").text = "Password(4 Dec)";
    st.controls.add("textSN");
}

bool read_pass(EditorState& st) {
    try {
        st.controls.at("txtPass").text = password_text(st.image);
        return true;
    } catch (const std::exception&) {
        st.flags.ReloadError = ReloadPass;
        return false;
    }
}

bool read_BatLev(EditorState& st) {
    try {
        const bool rech = is_rechargeable(st.image);
        for (int k = 0; k < 6; ++k) {
            ControlState& c = st.controls.at(ctl("cboBatLev", k));
            c.visible = (k < 3) == rech;
        }
        const int first = rech ? 0 : 3;
        for (int k = 0; k < 3; ++k) {
            ControlState& c = st.controls.at(ctl("cboBatLev", first + k));
            if (const auto p = find_code(level_set(first), st.image[AddrBatteryLevel + k]))
                c.value = *p;
        }
        return true;
    } catch (const std::exception&) {
        st.flags.ReloadError = ReloadBatLev;
        return false;
    }
}

bool read_SetAlarm(EditorState& st) {
    try {
        ControlState& tone = st.controls.at("cboTone");
        if (const auto p = find_code(tone_entries(), st.image[AddrTone]))
            tone.value = *p;
        st.controls["cboZoom"].value = st.image.get_bits(AddrLockoutZoom, 4, 1);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool read_SN(EditorState& st) {
    try {
        const auto sn = valid_serial_number(st.image);
        st.controls.at("textSN").text = sn ? latin1_to_utf8(*sn) : std::string{};
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool Editor::cboTone_Click(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const int p = st.controls.at("cboTone").value;
    const auto tones = tone_entries();
    if (p < 0 || p >= static_cast<int>(tones.size()))
        return true;
    st.image[AddrTone] = tones[static_cast<std::size_t>(p)].code;
    return true;
}

bool Editor::cboBatLev_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (index < 0 || index > 5)
        return true;
    const int p = st.controls.at(ctl("cboBatLev", index)).value;
    const auto set = level_set(index);
    if (p < 0 || p >= static_cast<int>(set.size()))
        return true;
    const int k = index < 3 ? index : index - 3;
    st.image[AddrBatteryLevel + k] = set[static_cast<std::size_t>(p)].code;
    if (!battery_levels_rising(st.image))
        st.messages->message("Waring ! You must let ( Level-High > Level-Med > Level-Low ).",
                             MessageIcon::Critical);
    return true;
}

bool Editor::txtPass_GotFocus(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    st.controls.at("txtPass").text.clear();
    return true;
}

bool Editor::txtPass_KeyPress(int, int keyAscii) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (keyAscii != 13)
        return false;
    st.focusRequest = "picTabBack";
    return true;
}

bool Editor::txtPass_KeyUp(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const std::string t = st.controls.at("txtPass").text;
    if (t.empty())
        return true;
    const std::string_view v = trim_blanks(t);
    // Only plain decimal digits may reach the password bytes: decimal points, exponents,
    // radix prefixes and letters are not a decimal number here.
    if (!is_signed_integer(v)) {
        refuse_password(st, "Please insert a decimal numeric!");
        return false;
    }
    if (utf8_length(t) > 4 || v.front() == '-' || v.size() > 4) {
        refuse_password(st, "Please insert a number between 0000 to 9999");
        return false;
    }
    store_password_digits(st.image, v);
    return true;
}

bool Editor::txtPass_LostFocus(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    read_pass(st);
    return true;
}

} // namespace kpr
