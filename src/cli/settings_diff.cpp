#include "cli/settings_diff.h"

#include "editor/settings_keys.h"

namespace kpr::cli {

// Each image is opened in an editor of its own and the settings are compared by key.
std::optional<std::vector<SettingDifference>> settings_differences(const PagerImage& a,
                                                                   const PagerImage& b) {
    std::vector<SettingDifference> out;
    for (const SettingChange& c : compare_settings(a, b))
        out.push_back({c.key, c.a, c.b});
    return out;
}

} // namespace kpr::cli
