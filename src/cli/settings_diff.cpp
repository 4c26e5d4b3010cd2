#include "cli/settings_diff.h"

namespace kpr::cli {

// The settings keys come with the editor's `show`; until they are wired in here, diff
// compares bytes only.
std::optional<std::vector<SettingDifference>> settings_differences(const PagerImage&,
                                                                   const PagerImage&) {
    return std::nullopt;
}

} // namespace kpr::cli
