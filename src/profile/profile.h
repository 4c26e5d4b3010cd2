#pragma once
// Profiles: an image's settings as a readable YAML file, by the keys of `kprtool show`.
//
// A profile is a YAML mapping of setting keys to values, optionally under `settings:` with
// a `kpr35t_profile: 1` marker beside it (what export writes):
//
//     kpr35t_profile: 1
//     settings:
//       band: "..."
//       capcode.1: "1234567"
//
// Nested mappings are read as dotted keys (`capcode: {1: "1234"}` is `capcode.1`).
//
// Importing applies every key through the editor's own handler, as `kprtool set` does, in
// this fixed order, so a key never meets a control that an earlier key would have changed,
// hidden or filled:
//   1. band, spacing            5. password, battery levels     9. logo_font
//   2. frequency                6. capcodes and their switches 10. source_prompts
//   3. the switches that show   7. function bits               11. prompts and their
//      or hide other controls   8. alerts and maildrops;           switches
//   4. every other switch and      language
//      list
// A key whose value the editor already shows is left alone, so a profile imported onto the
// image it was exported from changes no byte. Every problem is reported with its line; a
// caller writes nothing when there is one.
#include "editor/editor.h"

#include <string>
#include <vector>

namespace kpr {

struct ProfileEntry {
    std::string key;
    std::string value;
    int line = 0; // 1-based line of the key in the file
};

struct ProfileProblem {
    int line = 0; // 1-based; 0 when the problem has no line (the file itself)
    std::string key;
    std::string text;
};

// "profile.yaml:12: capcode.1: ..." (the line left out when it is 0, the key when empty).
std::string describe_problem(const ProfileProblem& p, const std::string& fileName);

struct ParsedProfile {
    std::vector<ProfileEntry> entries;
    std::vector<ProfileProblem> problems; // syntax, structure, unknown or read-only keys

    bool ok() const { return problems.empty(); }
};

// A profile is a few kilobytes; anything over this is refused before it is parsed.
inline constexpr std::size_t MaxProfileBytes = 1024 * 1024;

// Reads a profile's text. Checks the YAML, the structure, and that every key exists and can
// be set; values are checked when they are applied.
ParsedProfile parse_profile(const std::string& text);

// The entries in the order they are applied.
std::vector<ProfileEntry> application_order(const std::vector<ProfileEntry>& entries);

struct ProfileResult {
    std::vector<ProfileProblem> problems;
    int applied = 0; // keys whose value changed the editor

    bool ok() const { return problems.empty(); }
};

// Applies a parsed profile to the editor in the fixed order. Messages the handlers raise are
// collected as problems of their key instead of reaching the editor's operator messages.
// On problems the editor is left as far as it got: callers use a scratch editor or restore.
ProfileResult apply_profile(Editor& editor, const ParsedProfile& profile);

// The settable keys the editor shows now, with their values. Keys whose control is hidden
// or disabled are left out: they would not apply to an image without the same switches.
std::vector<ProfileEntry> profile_entries(Editor& editor);

// The profile text for the editor's image. `comment` lines (without '#') head the file.
std::string export_profile(Editor& editor, const std::vector<std::string>& comment = {});

// --- files ------------------------------------------------------------------------------

inline constexpr const char* ProfileExtension = ".yaml";

// True for a name ending in .yaml or .yml (any case): File > Open / Save As take it as a
// profile rather than a table file.
bool is_profile_path(const std::string& path);

// Save As of a profile in the window and `kprtool export -o`: the profile of the editor's
// image (as `kprtool export` gives for that image saved as a table file), saved as a table
// file is (safe_save); false with `error` set. The editor itself is not touched.
bool save_profile_file(const Editor& editor, const std::string& path, std::string& error,
                       const std::vector<std::string>& comment = {});

// Reads and applies a profile file onto `base` in an editor of its own, which opens `base`
// as File > Open opens a table file. The resulting image is in `image` when ok().
struct ProfileImport {
    ProfileResult result;
    PagerImage image;
    // Set when the file itself could not be read: the message a table file gets for the
    // same fault (also the one problem in `result`).
    std::string fileError;
    bool ok() const { return result.ok(); }
};
ProfileImport import_profile_file(const std::string& path, const PagerImage& base);

// File > Open of a profile in the window: applies it to a copy of the editor's image and,
// only when every key applied, loads the result into the editor as File > Open loads a
// table file. On problems the editor is untouched and the problems are returned.
ProfileResult open_profile_in_editor(Editor& editor, const std::string& path);

} // namespace kpr
