#pragma once
// The prompt language list cboLng.
#include "editor/editor_state.h"

namespace kpr {

// Creates cboLng with its entries.
void init_language_controls(EditorState& st);

// Selects cboLng from &H3E bits 0-3 with SuppressClick set around it. Writes nothing.
void read_Lng(EditorState& st);

} // namespace kpr
