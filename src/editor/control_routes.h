#pragma once
// Which handler each control of the editor's windows runs for each event, in one table keyed
// by control name. The window, the bound dialogs, kprtool and the settings keys all reach
// the handlers through Editor::route with it.
#include <string>

namespace kpr {

class Editor;

enum class ControlEvent { Click, GotFocus, KeyPress, KeyUp, LostFocus };
inline constexpr int ControlEventCount = 5;

struct ControlRoute {
    // An Editor handler (editor.h, "control handlers"): index is the array member (-1 for a
    // single control), arg the key of a KeyPress or the new value of a Click.
    using Handler = bool (Editor::*)(int index, int arg);

    const char* name; // a single control, or the array each "name(i)" belongs to
    bool array;
    bool clickStoresValue;   // a Click puts its value into the control before the handler
    const char* opensDialog; // "Form5" or "Form6": the dialog the window shows after a Click
    Handler on[ControlEventCount];

    Handler handler(ControlEvent e) const { return on[static_cast<int>(e)]; }
};

// The route of "chkCtl(3)", "txtFreq", ...; nullptr when the control has no handler at all.
const ControlRoute* find_control_route(const std::string& name);

} // namespace kpr
