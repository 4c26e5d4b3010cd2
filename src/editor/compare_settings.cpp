#include "editor/settings_keys.h"

namespace kpr {

std::vector<SettingChange> compare_settings(const PagerImage& a, const PagerImage& b) {
    const auto va = read_settings(*Editor::headless(a));
    const auto vb = read_settings(*Editor::headless(b));
    std::vector<SettingChange> out;
    for (std::size_t i = 0; i < va.size() && i < vb.size(); ++i)
        if (va[i].value != vb[i].value)
            out.push_back({va[i].key, va[i].value, vb[i].value});
    return out;
}

} // namespace kpr
