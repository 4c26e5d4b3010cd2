#pragma once
// Every setting of the editor by a stable key ("band", "capcode.1", "history_disable",
// "function.3.C.class", ...), for kprtool show/get/set/diff and profiles. Reading a key
// reads the control the editor shows; setting one goes through the very handler a person
// would use, with the same checks, side effects and messages.
#include "editor/editor.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kpr {

enum class SettingKind {
    Check,   // "0" or "1"
    List,    // the list text; set by text or by position
    Entry,   // the entry text, typed and left as a person would
    Slider,  // a whole number in the slider's range
    Display, // shown only (synthesiser words, serial number, memory); cannot be set
};

struct SettingKey {
    std::string key;
    SettingKind kind = SettingKind::Display;
    // The control that shows the setting. The battery keys name the lists of the battery
    // set the image holds instead (controlFor); `control` is then the single-cell one.
    std::string control;
    std::function<std::string(const PagerImage&)> controlFor;
    // The control that shows the setting in the editor's current state.
    std::string control_in(const Editor& editor) const {
        return controlFor ? controlFor(editor.image()) : control;
    }
    // Run before the control is read or set: fills a dialog (function bits, alert lengths).
    std::function<void(Editor&)> prepare;
    int sliderMin = 0;
    int sliderMax = 0;
    // Lists (and the slider) whose stored code can have no entry: the code the image holds.
    // A value with no entry reads as "code N" and "code N" sets exactly that code, so a
    // setting the list cannot show still survives show/export/import unchanged.
    std::function<int(const PagerImage&)> storedCode;
    std::function<void(PagerImage&, int)> storeCode;
    int codeMax = 255;
    // For controls that keep the previous image's entry when a code has none (as the window
    // does): the entry the image's code names, read from the image itself.
    std::function<std::optional<int>(const PagerImage&)> entryOf;
    // Likewise for a summary cell that keeps its previous text.
    std::function<std::optional<std::string>(const PagerImage&)> textOf;
};

// Every key in the order `show` lists them.
const std::vector<SettingKey>& setting_keys();
const SettingKey* find_setting_key(const std::string& key);

struct SettingValue {
    std::string key;
    std::string value;
};

// The value of every key as the editor shows it now.
std::vector<SettingValue> read_settings(Editor& editor);
// One key's value, or nothing for an unknown key.
std::optional<std::string> read_setting(Editor& editor, const std::string& key);

struct SetOutcome {
    bool ok = false;
    // Our own explanation when the value never reached a handler (unknown key, not one of
    // the list entries, too long, shown only, control hidden or disabled). Empty when a
    // handler refused it: its own message has then been shown.
    std::string error;
};

// Applies key=value as a person changing that control would.
SetOutcome apply_setting(Editor& editor, const std::string& key, const std::string& value);

struct SettingChange {
    std::string key;
    std::string a;
    std::string b;
};

// The keys whose values differ when each image is opened in an editor of its own, in the
// order of setting_keys().
std::vector<SettingChange> compare_settings(const PagerImage& a, const PagerImage& b);

} // namespace kpr
