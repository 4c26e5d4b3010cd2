#pragma once
// The settings-level part of `kprtool diff`: which settings (by key) differ between two
// images. `diff` prints this before the byte ranges.
#include "image/pager_image.h"

#include <optional>
#include <string>
#include <vector>

namespace kpr::cli {

struct SettingDifference {
    std::string key; // as `kprtool show` names it ("capcode.1", "history_disable", ...)
    std::string a;   // the value in the first image
    std::string b;   // the value in the second image
};

// The settings that differ, in the order `show` lists them; nothing when the settings keys
// are not available in this build, and `diff` then shows the byte ranges alone.
std::optional<std::vector<SettingDifference>> settings_differences(const PagerImage& a,
                                                                   const PagerImage& b);

} // namespace kpr::cli
