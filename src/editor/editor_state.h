#pragma once
// Everything the editor's handlers and refresh routines share: the image, the editor flags
// and the state of every control. The handlers are free functions or `Editor` methods that
// take this state; the `Editor` class owns one instance.
#include "common/operator_messages.h"
#include "editor/control_model.h"
#include "image/pager_image.h"

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

struct EditorFlags {
    bool SuppressClick = false;
    bool FreqErrorPending = false;
    int OperationKind = 0; // 0 read, 1 write, 2 verify
    bool ImageJustLoaded = false;
    bool UnversionedFirmware = false;
    int CurrentPrompt = 0;
    int FunctionBitSlot = 0;
    bool ScanIdle = false;
    bool AutoInc1 = false;
    bool AutoInc2 = false;
    bool StartupFinished = false;
    bool SaveToCurrent = false;
    std::string CurrentTablePath;
    std::string ProgramFolder;
    int ReloadError = 0;
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
