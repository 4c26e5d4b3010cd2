#include "common/printable_text.h"
#include "editor/setting_values.h"
#include "settings/latin1_text.h"

namespace kpr {

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
    const std::string name = k->control_in(editor);
    if (!editor.controls().contains(name))
        return {false, "Unknown setting \"" + key + "\"."};
    ControlState& c = editor.controls()[name];
    if (!c.visible || !c.enabled)
        return {false, "The setting \"" + key +
                           "\" cannot be changed now: the editor hides or disables it with the "
                           "current settings."};

    if (k->key == "band" && ascii_lower(value) == NoBand) {
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
        const std::string v = ascii_lower(value);
        int state;
        if (v == "1" || v == "on" || v == "yes" || v == "true")
            state = 1;
        else if (v == "0" || v == "off" || v == "no" || v == "false")
            state = 0;
        else
            return {false, "The setting \"" + key + "\" takes 0 or 1, not " + quoted + "."};
        // A check box reacts only to a change of its state.
        if (c.value != state)
            editor.user_change(name, state);
        break;
    }
    case SettingKind::List: {
        int position = -1;
        for (std::size_t i = 0; i < c.items.size(); ++i)
            if (c.items[i] == value)
                position = static_cast<int>(i);
        if (position < 0) {
            for (std::size_t i = 0; i < c.items.size(); ++i)
                if (ascii_lower(c.items[i]) == ascii_lower(value))
                    position = static_cast<int>(i);
        }
        if (position < 0) {
            const auto n = whole_number(value);
            if (n && *n < static_cast<int>(c.items.size()))
                position = *n;
        }
        if (position < 0)
            return {false, "The setting \"" + key + "\" takes one of " + quoted_list(c.items) +
                               " (or its position from 0" +
                               (k->storeCode ? std::string(", or \"code N\"") : std::string()) +
                               "), not " + quoted + "."};
        editor.user_change(name, position);
        break;
    }
    case SettingKind::Slider: {
        const auto n = whole_number(value);
        if (!n || *n < k->sliderMin || *n > k->sliderMax)
            return {false, "The setting \"" + key + "\" takes a whole number from " +
                               std::to_string(k->sliderMin) + " to " +
                               std::to_string(k->sliderMax) + ", not " + quoted + "."};
        editor.user_change(name, *n);
        break;
    }
    case SettingKind::Entry: {
        if (!entry_accepts(c, value))
            return {false, "The setting \"" + key + "\" takes at most " +
                               std::to_string(c.maxLength) + " characters; " + quoted + " has " +
                               std::to_string(utf8_length(value)) + "."};
        if (name == "txtFreq" && editor.band() < 0)
            return {false, "Choose a band (band=0, 1 or 2) before setting the frequency."};
        if (!editor.user_enter_text(name, value))
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

} // namespace kpr
