#pragma once
// The prompt entries txtPrompt(0..71), their alignment commands and the source-prompt switch.
// Refresh routines set controls from the image and never write it; handlers store at once.
#include "editor/editor_state.h"

#include <string>

namespace kpr {

// Creates txtPrompt(i) (tags "276,0", "&H540,0", ...), lblPrompt(i), optLeft/optCenter/optRight
// (0..2) and cboSource with their captions, hints and list entries.
void init_prompt_controls(EditorState& st);

// Refreshes every existing txtPrompt entry from its record. False when it had to stop.
bool read_prompt(EditorState& st);
// cboSource and the enabled state of chkSource(33..64) / txtPrompt(33..64). On failure
// records ReloadSourcePrompt and returns false.
bool read_SourcePrompt(EditorState& st);
// Maximum length, weight, width and hint of entries 1..71, then the logo box layout.
// Writes nothing into the image (not even the logo font value).
void Set_PromptEd_Width(EditorState& st);

// The entry's own maximum length for its font (before any widening to fit a longer
// stored text).
int prompt_nominal_max_length(const EditorState& st, int index);

} // namespace kpr
