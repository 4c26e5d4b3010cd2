// Profile import: arbitrary text parsed as a YAML profile and applied onto the default
// image through the editor's handlers. Whatever comes: no crash or escaping exception, every
// problem says what and (for a key) where, a text over the size limit is refused, and a profile
// that applies without problems exports a profile that, imported onto the image it was exported
// from, changes no byte.
#include "editor/editor.h"
#include "profile/profile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Mid-sized texts only cost time; one just past the size limit checks its refusal.
    if (size > 8192 && size != kpr::MaxProfileBytes + 1)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);

    const kpr::ParsedProfile parsed = kpr::parse_profile(text);
    if (size > kpr::MaxProfileBytes && parsed.ok())
        std::abort();
    for (const kpr::ProfileProblem& p : parsed.problems)
        if (p.text.empty() || p.line < 0)
            std::abort();
    if (!parsed.ok())
        return 0;

    const auto headless = kpr::Editor::headless();
    kpr::Editor& editor = *headless;
    const kpr::ProfileResult r = kpr::apply_profile(editor, parsed);
    for (const kpr::ProfileProblem& p : r.problems)
        if (p.text.empty())
            std::abort();
    if (!r.ok())
        return 0;

    // What was applied exports, and importing that export onto the very image it came from
    // changes no byte.
    const std::string exported = kpr::export_profile(editor);
    const kpr::ParsedProfile again = kpr::parse_profile(exported);
    if (!again.ok())
        std::abort();
    const auto second = kpr::Editor::headless(editor.image());
    if (!kpr::apply_profile(*second, again).ok())
        std::abort();
    if (second->image() != editor.image())
        std::abort();
    return 0;
}
