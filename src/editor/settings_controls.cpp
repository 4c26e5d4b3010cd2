#include "editor/settings_controls.h"

#include "editor/alert_length_controls.h"
#include "editor/alerts.h"
#include "editor/function_bit_controls.h"
#include "editor/language_controls.h"
#include "editor/logo_controls.h"
#include "editor/prompts.h"

namespace kpr {

void init_settings_controls(EditorState& st) {
    // The logo list first: the prompt widths end with the logo entry's layout.
    init_logo_controls(st);
    init_language_controls(st);
    init_prompt_controls(st);
    init_alert_controls(st);
    init_function_bit_controls(st);
    init_alert_length_controls(st);
}

} // namespace kpr
