#include "profile/profile.h"

#include "common/input_file.h"
#include "common/printable_text.h"
#include "common/safe_save.h"
#include "editor/control_dependencies.h"
#include "editor/settings_keys.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace kpr {

namespace {

constexpr const char* MarkerKey = "kpr35t_profile";
constexpr const char* SettingsKey = "settings";
constexpr int FormatVersion = 1;

// Collects what the handlers say while a profile is applied, so each message lands on the
// line of the key that caused it. Questions are answered No: a profile never confirms
// anything on the operator's behalf.
class CollectingMessages final : public OperatorMessages {
  public:
    void message(const std::string& text, MessageIcon) override { texts.push_back(text); }
    bool ask(const std::string& text) override {
        texts.push_back(text);
        return false;
    }
    std::vector<std::string> texts;
};

// Swaps the editor's operator messages for the lifetime of the object.
class MessagesSwap {
  public:
    MessagesSwap(Editor& e, OperatorMessages& m) : e_(e), old_(e.state().messages) {
        e_.state().messages = &m;
    }
    ~MessagesSwap() { e_.state().messages = old_; }
    MessagesSwap(const MessagesSwap&) = delete;
    MessagesSwap& operator=(const MessagesSwap&) = delete;

  private:
    Editor& e_;
    OperatorMessages* old_;
};

int group_of(const std::string& key) {
    if (key == "band" || key == "spacing")
        return 0;
    if (key == "frequency")
        return 1;
    if (key.starts_with("battery.") || key == "password")
        return 4;
    if (key.starts_with("capcode."))
        return 5;
    if (key.starts_with("function."))
        return 6;
    if (key == "alert.personal" || key.starts_with("maildrop."))
        return 7;
    if (key == "language")
        return 8;
    if (key == "logo_font")
        return 9;
    if (key == "source_prompts")
        return 10;
    if (key.starts_with("prompt."))
        return 11;
    // The bound switches and lists, the lockout / out-of-range lists, menu switches, zoom,
    // contrast and tone: governing ones first.
    const SettingKey* k = find_setting_key(key);
    return k && governs_others(k->control) ? 2 : 3;
}

std::size_t key_position(const std::string& key) {
    static const std::map<std::string, std::size_t> index = [] {
        std::map<std::string, std::size_t> m;
        const auto& keys = setting_keys();
        for (std::size_t i = 0; i < keys.size(); ++i)
            m[keys[i].key] = i;
        return m;
    }();
    const auto it = index.find(key);
    return it == index.end() ? index.size() : it->second;
}

std::string join_messages(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts)
        out += (out.empty() ? "" : " / ") + t;
    return out;
}

int line_of(const YAML::Node& n) {
    const YAML::Mark m = n.Mark();
    return m.line >= 0 ? m.line + 1 : 0;
}

// Far more than any profile holds: a file beyond it (aliases can multiply a small file) is
// refused rather than walked.
constexpr std::size_t MaxProfileLines = 10000;
constexpr int MaxNesting = 8;
// Nodes visited while walking a profile, every alias expansion counted again: an exported
// profile visits about 1500, and the bound keeps an alias bomb to a few milliseconds.
constexpr long MaxWalkedNodes = 200000;

// The work left for walking one profile.
struct WalkBudget {
    long left = MaxWalkedNodes;
    bool exhausted = false;

    // False (once with a problem) when the node would pass the bound.
    bool visit(const YAML::Node& n, ParsedProfile& out) {
        if (exhausted)
            return false;
        if (--left >= 0)
            return true;
        exhausted = true;
        out.problems.push_back({line_of(n),
                                {},
                                "the profile is too large to read (more than " +
                                    std::to_string(MaxWalkedNodes) +
                                    " entries, counting every alias expansion)"});
        return false;
    }
};

// The same key twice in one mapping is an error at the second; yaml-cpp keeps both.
bool first_in_map(const std::string& key, int line, std::map<std::string, int>& keysHere,
                  const std::string& shown, ParsedProfile& out) {
    const auto [it, fresh] = keysHere.emplace(key, line);
    if (!fresh)
        out.problems.push_back(
            {line, shown, "given twice (first on line " + std::to_string(it->second) + ")"});
    return fresh;
}

void flatten(const YAML::Node& map, const std::string& prefix, ParsedProfile& out,
             std::map<std::string, int>& seen, WalkBudget& budget, int depth = 0) {
    if (depth > MaxNesting) {
        out.problems.push_back({line_of(map), prefix, "nested too deep"});
        return;
    }
    std::map<std::string, int> keysHere;
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (out.entries.size() + out.problems.size() > MaxProfileLines) {
            out.problems.push_back({line_of(it->first), {}, "too many entries for a profile"});
            return;
        }
        // Copies: the iterator hands out a temporary pair, so a reference would dangle.
        const YAML::Node k = it->first;
        const YAML::Node v = it->second;
        if (!budget.visit(k, out) || !budget.visit(v, out))
            return;
        const int line = line_of(k);
        if (!k.IsScalar()) {
            out.problems.push_back({line, {}, "a key must be a plain name"});
            continue;
        }
        const std::string key = prefix + k.Scalar();
        if (!first_in_map(k.Scalar(), line, keysHere, key, out))
            continue;
        if (prefix.empty() && key == MarkerKey)
            continue;
        if (v.IsMap()) {
            flatten(v, key + ".", out, seen, budget, depth + 1);
            if (budget.exhausted)
                return;
            continue;
        }
        if (const auto s = seen.find(key); s != seen.end()) {
            out.problems.push_back(
                {line, key, "given twice (first on line " + std::to_string(s->second) + ")"});
            continue;
        }
        seen[key] = line;
        if (v.IsSequence()) {
            out.problems.push_back({line, key, "takes a single value, not a list"});
            continue;
        }
        const SettingKey* sk = find_setting_key(key);
        if (!sk) {
            out.problems.push_back({line, key, "unknown setting (kprtool show lists the keys)"});
            continue;
        }
        if (sk->kind == SettingKind::Display) {
            out.problems.push_back({line, key, "is shown only; it cannot be set"});
            continue;
        }
        // An empty value ("key:") is the empty text.
        out.entries.push_back({key, v.IsNull() ? std::string{} : v.Scalar(), line});
    }
}

std::string too_large_text() {
    return "the profile is larger than 1 MiB; a profile is a few kilobytes";
}

std::string value_for_yaml(const std::string& v) {
    YAML::Emitter e;
    e << v;
    return e.c_str();
}

} // namespace

std::string describe_problem(const ProfileProblem& p, const std::string& fileName) {
    std::string s = fileName;
    if (p.line > 0)
        s += (s.empty() ? "line " : ":") + std::to_string(p.line);
    s += ": ";
    if (!p.key.empty())
        s += brief_value(p.key) + ": ";
    return s + p.text;
}

ParsedProfile parse_profile(const std::string& text) {
    ParsedProfile out;
    if (text.size() > MaxProfileBytes) {
        out.problems.push_back({0, {}, too_large_text()});
        return out;
    }
    YAML::Node root;
    try {
        root = YAML::Load(text);
    } catch (const YAML::Exception& e) {
        out.problems.push_back(
            {e.mark.line >= 0 ? e.mark.line + 1 : 0, {}, "not valid YAML: " + e.msg});
        return out;
    }
    if (root.IsNull()) {
        out.problems.push_back({0, {}, "the profile holds no settings"});
        return out;
    }
    if (!root.IsMap()) {
        out.problems.push_back(
            {line_of(root), {}, "a profile is a mapping of setting keys to values"});
        return out;
    }
    std::map<std::string, int> seen;
    WalkBudget budget;
    // Looked up without root[...]: on a mapping that holds a key twice that picks one
    // silently, and the walk below reports the second.
    bool hasSettings = false;
    YAML::Node settings;
    for (auto it = root.begin(); it != root.end(); ++it)
        if (it->first.IsScalar() && it->first.Scalar() == SettingsKey && !hasSettings) {
            hasSettings = true;
            settings = it->second;
        }
    if (hasSettings) {
        std::map<std::string, int> keysHere;
        for (auto it = root.begin(); it != root.end(); ++it) {
            if (!budget.visit(it->first, out))
                return out;
            const std::string k = it->first.IsScalar() ? it->first.Scalar() : std::string{};
            if (!first_in_map(k, line_of(it->first), keysHere, k, out))
                continue;
            if (k == SettingsKey)
                continue;
            if (k == MarkerKey) {
                if (!it->second.IsScalar() || it->second.Scalar() != std::to_string(FormatVersion))
                    out.problems.push_back({line_of(it->first), k,
                                            "this program reads profiles of version " +
                                                std::to_string(FormatVersion)});
                continue;
            }
            out.problems.push_back({line_of(it->first), k,
                                    "unknown entry beside \"settings\" (keys belong under it)"});
        }
        if (settings.IsNull())
            return out;
        if (!settings.IsMap()) {
            out.problems.push_back(
                {line_of(settings), SettingsKey, "must be a mapping of setting keys to values"});
            return out;
        }
        flatten(settings, {}, out, seen, budget);
    } else {
        // A hand-written profile may list its keys at the top.
        flatten(root, {}, out, seen, budget);
    }
    return out;
}

std::vector<ProfileEntry> application_order(const std::vector<ProfileEntry>& entries) {
    std::vector<ProfileEntry> v = entries;
    std::stable_sort(v.begin(), v.end(), [](const ProfileEntry& a, const ProfileEntry& b) {
        const int ga = group_of(a.key);
        const int gb = group_of(b.key);
        if (ga != gb)
            return ga < gb;
        return key_position(a.key) < key_position(b.key);
    });
    return v;
}

ProfileResult apply_profile(Editor& editor, const ParsedProfile& profile) {
    ProfileResult result;
    result.problems = profile.problems;
    CollectingMessages collected;
    MessagesSwap swap(editor, collected);

    struct Applied {
        const ProfileEntry* entry;
        std::string shown; // what the editor showed right after the key was applied
    };
    std::vector<Applied> applied;
    std::vector<const ProfileEntry*> recheck;
    const std::vector<ProfileEntry> ordered = application_order(profile.entries);
    for (const ProfileEntry& e : ordered) {
        if (read_setting(editor, e.key) == e.value)
            continue;
        collected.texts.clear();
        const SetOutcome r = apply_setting(editor, e.key, e.value);
        if (!r.ok) {
            std::string text = r.error;
            if (!collected.texts.empty())
                text += (text.empty() ? "" : " ") + join_messages(collected.texts);
            if (text.empty())
                text = "refused by the editor";
            result.problems.push_back({e.line, e.key, "\"" + brief_value(e.value) + "\": " + text});
            continue;
        }
        ++result.applied;
        if (!collected.texts.empty()) {
            // A list that stores its value and then warns (the battery levels must rise)
            // may only be between two keys that set it right: check it again at the end.
            const SettingKey* k = find_setting_key(e.key);
            if (k && k->kind == SettingKind::List)
                recheck.push_back(&e);
            else
                result.problems.push_back(
                    {e.line, e.key,
                     "\"" + brief_value(e.value) + "\": " + join_messages(collected.texts)});
        }
        applied.push_back({&e, read_setting(editor, e.key).value_or(std::string{})});
    }
    for (const ProfileEntry* e : recheck) {
        collected.texts.clear();
        apply_setting(editor, e->key, e->value);
        if (!collected.texts.empty())
            result.problems.push_back(
                {e->line, e->key,
                 "\"" + brief_value(e->value) + "\": " + join_messages(collected.texts)});
    }
    // A later key must not have undone an earlier one.
    for (const Applied& a : applied) {
        const std::string now = read_setting(editor, a.entry->key).value_or(std::string{});
        if (now != a.shown)
            result.problems.push_back({a.entry->line, a.entry->key,
                                       "ended as \"" + brief_value(now) + "\" instead of \"" +
                                           brief_value(a.shown) +
                                           "\": another setting of the profile changed it"});
    }
    std::stable_sort(
        result.problems.begin(), result.problems.end(),
        [](const ProfileProblem& a, const ProfileProblem& b) { return a.line < b.line; });
    return result;
}

std::vector<ProfileEntry> profile_entries(Editor& editor) {
    std::vector<ProfileEntry> out;
    for (const SettingKey& k : setting_keys()) {
        if (k.kind == SettingKind::Display)
            continue;
        const auto value = read_setting(editor, k.key); // runs the key's preparation
        const std::string name = k.control_in(editor);
        if (!value || !editor.controls().contains(name))
            continue;
        const ControlState& c = editor.controls().at(name);
        if (!c.visible || !c.enabled)
            continue;
        out.push_back({k.key, *value, 0});
    }
    return out;
}

std::string export_profile(Editor& editor, const std::vector<std::string>& comment) {
    std::ostringstream out;
    // A comment names files: a line break or other control character in a name must not
    // end the comment and start settings of its own.
    for (const auto& c : comment)
        out << "# " << printable_value(c) << "\n";
    out << MarkerKey << ": " << FormatVersion << "\n" << SettingsKey << ":\n";
    for (const ProfileEntry& e : profile_entries(editor))
        out << "  " << e.key << ": " << value_for_yaml(e.value) << "\n";
    return out.str();
}

bool is_profile_path(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".yaml" || ext == ".yml";
}

bool save_profile_file(const Editor& editor, const std::string& path, std::string& error,
                       const std::vector<std::string>& comment) {
    // Read from an editor of its own that opened the image, so the window's dialogs and
    // their state are not touched, and the profile is the one kprtool would export from the
    // same image saved as a table file.
    const std::string text = export_profile(*Editor::headless(editor.image()), comment);
    const SafeSaveResult r =
        safe_save(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (!r) {
        error = "The " + path + " could not be written: " + r.reason();
        return false;
    }
    return true;
}

ProfileImport import_profile_file(const std::string& path, const PagerImage& base) {
    ProfileImport out;
    const InputFile in = read_input_file(path, MaxProfileBytes, InputBeyondBound::Refuse);
    if (!in.ok()) {
        out.fileError = input_error_message(path, in);
        out.result.problems.push_back({0, {}, out.fileError});
        return out;
    }
    const std::string text(in.bytes.begin(), in.bytes.end());
    const ParsedProfile parsed = parse_profile(text);
    if (!parsed.ok()) {
        out.result.problems = parsed.problems;
        return out;
    }
    const auto editor = Editor::headless(base);
    out.result = apply_profile(*editor, parsed);
    out.image = editor->image();
    return out;
}

ProfileResult open_profile_in_editor(Editor& editor, const std::string& path) {
    const PagerImage current = editor.image();
    ProfileImport r = import_profile_file(path, current);
    if (r.ok())
        editor.load_image(r.image);
    return r.result;
}

} // namespace kpr
