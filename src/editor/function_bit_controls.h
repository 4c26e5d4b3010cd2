#pragma once
// Capcode function bits: the summaries tlblDisp/tlblType/tlblPri(0..7) of the main window
// and the dialog Form5 (cboDisp/cboType/chkPri(0..3), lblFuncSlot).
#include "editor/editor_state.h"

namespace kpr {

// Creates the summaries, cmdFunc(0..7) and the Form5 controls.
void init_function_bit_controls(EditorState& st);

bool read_Disp(EditorState& st); // ReloadDisp on failure
bool read_Type(EditorState& st); // ReloadType on failure
bool read_Pri(EditorState& st);  // ReloadPri on failure

// Fills the twelve Form5 controls of FunctionBitSlot (with Form5Loading set).
void Form5_Load(EditorState& st);

} // namespace kpr
