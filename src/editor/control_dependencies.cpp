#include "editor/control_dependencies.h"

#include "editor/control_model.h"

#include <algorithm>

namespace kpr {

namespace {

// The lamp switch governs its two companions, the lamp-mode list the switch that only its
// second mode has, and the menu switches the tone and zoom lists.
constexpr ControlDependency Dependencies[] = {
    {"chkCtl(17)", 1, "chkCtl(3)"}, {"chkCtl(17)", 1, "chkCtl(21)"}, {"cboCtl(3)", 1, "chkCtl(20)"},
    {"chkMenu(6)", 1, "cboTone"},   {"chkMenu(0)", 1, "cboZoom"},
};

} // namespace

std::span<const ControlDependency> control_dependencies() {
    return Dependencies;
}

void follow_governor(ControlModel& controls, const std::string& governor) {
    for (const ControlDependency& d : Dependencies)
        if (governor == d.governor)
            controls[d.dependent].visible = controls[governor].value == d.shownAt;
}

void follow_all_governors(ControlModel& controls) {
    for (const ControlDependency& d : Dependencies)
        controls[d.dependent].visible = controls[d.governor].value == d.shownAt;
}

bool governs_others(const std::string& control) {
    return std::any_of(std::begin(Dependencies), std::end(Dependencies),
                       [&](const ControlDependency& d) { return control == d.governor; });
}

} // namespace kpr
