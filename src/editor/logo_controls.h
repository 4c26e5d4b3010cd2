#pragma once
// The logo font list cboLogo and the layout of the logo entry txtPrompt(0).
#include "editor/editor_state.h"

namespace kpr {

// Creates cboLogo with its entries and tag "&H3F,0,4,Lng".
void init_logo_controls(EditorState& st);

// Selects cboLogo from &H3F bits 0-3 (unknown values leave it as it is). Writes nothing.
void read_LogoFont(EditorState& st);
// The layout half of the font handler: bold, capacity and width of txtPrompt(0) for the
// selected font. Writes nothing.
void layout_logo_entry(EditorState& st);

} // namespace kpr
