#pragma once
// Battery-gauge thresholds, alert tone, pager password and serial-number display.
#include "editor/editor_state.h"

namespace kpr {

// Creates cboTone, cboBatLev(0..5), txtPass (max 4), textSN and their captions.
void init_alert_controls(EditorState& st);

// Password entry from &H3B3..&H3B0. On failure records ReloadPass, returns false.
bool read_pass(EditorState& st);
// Battery lists of the active set from &H8D..&H8F. On failure records ReloadBatLev.
bool read_BatLev(EditorState& st);
// cboTone from &H2E and cboZoom from &H3C bit 4.
bool read_SetAlarm(EditorState& st);
// textSN: the 12 serial-number bytes when their sum matches, else empty.
bool read_SN(EditorState& st);

} // namespace kpr
