#pragma once
// One call that creates every control of the settings areas (prompts, logo, language,
// alerts, function bits, alert lengths).
#include "editor/editor_state.h"

namespace kpr {

void init_settings_controls(EditorState& st);

} // namespace kpr
