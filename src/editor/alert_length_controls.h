#pragma once
// Alert lengths, memory and history: the table lblLength/lblMemory/lblHistory(0..15) and the
// dialog Form6 (cboPersonal, cboMailAler(0..14), cboHis(0..14)).
#include "editor/editor_state.h"

namespace kpr {

// Creates the table labels, the row captions lblAlertRow(0..15), cmdAlert and Form6 controls.
void init_alert_length_controls(EditorState& st);

// Rebuilds the table; false when it had to stop (no reload code of its own).
bool read_Alert(EditorState& st);

void Form6_Load(EditorState& st);

} // namespace kpr
