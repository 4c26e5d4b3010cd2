#pragma once
// Which control shows which other: one table, read by the editor's refresh and click handlers
// (a dependent control follows its governor) and by the profile's apply order (a governor is
// applied before the keys it may hide).
#include <span>
#include <string>

namespace kpr {

class ControlModel;

struct ControlDependency {
    const char* governor;  // "chkCtl(17)"
    int shownAt;           // the governor's value that shows the dependent
    const char* dependent; // "chkCtl(3)"
};

std::span<const ControlDependency> control_dependencies();

// Shows or hides every control `governor` governs, from the governor's value now.
void follow_governor(ControlModel& controls, const std::string& governor);
// The same for every governor of the table, as after a new image.
void follow_all_governors(ControlModel& controls);
// Whether the control shows or hides another one.
bool governs_others(const std::string& control);

} // namespace kpr
