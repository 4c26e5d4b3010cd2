#pragma once
// Everything the editor's handlers and refresh routines share: the image, the editor flags
// and the state of every control. The handlers are free functions or `Editor` methods that
// take this state; the `Editor` class owns one instance.
#include "common/operator_messages.h"
#include "editor/control_model.h"
#include "image/pager_image.h"
#include "ops/transfer_flags.h"

#include <string>

namespace kpr {

// Reload error codes of the refresh routines; 0 means none.
enum ReloadErrorCode : int {
    ReloadOk = 0,
    ReloadCapcode = 2,      // read_capcode
    ReloadBaseFreq = 3,     // read_BaseFreq
    ReloadSourcePrompt = 5, // read_SourcePrompt
    ReloadDisp = 6,         // read_Disp
    ReloadType = 7,         // read_Type
    ReloadPri = 8,          // read_Pri
    ReloadPass = 9,         // read_pass
    ReloadBatLev = 10,      // read_BatLev
};

// The flags the programming operations share (TransferFlags) and the editor's own.
struct EditorFlags : TransferFlags {
    bool FreqErrorPending = false;
    int CurrentPrompt = 0;
    int FunctionBitSlot = 0;
    bool StartupFinished = false;
    bool SaveToCurrent = false;
    std::string CurrentTablePath;
    std::string ProgramFolder;
    // Set while the function-bit (Form5) or alert (Form6) dialog fills its controls, so
    // their click handlers ignore those changes.
    bool Form5Loading = false;
    bool Form6Loading = false;
};

struct EditorState {
    explicit EditorState(OperatorMessages& m) : messages(&m) {}

    PagerImage image;
    PagerImage ImageBackup;
    EditorFlags flags;
    ControlModel controls;
    OperatorMessages* messages;
    // A focus move the handlers ask for ("picTabBack", "txtFreq", "txtPrompt(3)"); the GUI
    // carries it out and clears it.
    std::string focusRequest;
};

} // namespace kpr
