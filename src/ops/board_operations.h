#pragma once
// What a whole-image write, read or verify ends in and works with, and the interface each
// kind of programmer board implements: the USB board's (UsbBoardOperations) and the
// parallel-port board's (LptBoardOperations). Operations runs the board it was given.
#include "common/cancel_token.h"
#include "common/operator_messages.h"
#include "common/operator_texts.h"
#include "common/progress.h"
#include "image/pager_image.h"
#include "ops/editor_hooks.h"

namespace kpr {

class TransferObserver; // ops/transfer_observer.h

enum class OpOutcome {
    Success,
    Failed,    // message shown
    Cancelled, // stopped by the CancelToken; no message, nothing reported as success
};

enum class ReadOutcome {
    Accepted,      // "Read success!", the editor shows the pager's image
    LinkFailed,    // block read's message; editor untouched
    WrongModel,    // "This pager is not KPR35T !" ...; editor untouched
    ChecksumError, // "CheckSum Error!"; editor untouched
    ReloadError,   // "The data in this pager is wrong!(Error Code = N)"; editor restored
    Cancelled,     // editor untouched
};

// Everything a whole-image operation works with, whichever board it runs on.
struct OpContext {
    EditorHooks& editor;
    OperatorMessages& messages;
    ProgressSink& progress;
    const CancelToken* cancel = nullptr;  // set by Operations
    TransferObserver* observer = nullptr; // told of reads and writes (backups), if any
    // Result of the last write or verify: true when it failed or was cancelled.
    bool OpFailed = false;
    // The last write was cancelled after the pager had taken part of it (reported).
    bool WriteIncomplete = false;

    // A cancel after the pager took part of the image is no plain cancel: say so.
    void report_incomplete_write() {
        WriteIncomplete = true;
        messages.message(MsgWriteIncomplete, MessageIcon::Warning);
    }

    bool cancelled() const { return cancel && cancel->cancelled(); }
};

// The whole-image write, read and verify of one kind of programmer board.
class BoardOperations {
  public:
    virtual ~BoardOperations() = default;
    virtual OpOutcome writeall(OpContext& ctx, PagerImage& img, int strt, int stp) = 0;
    virtual ReadOutcome readall(OpContext& ctx, int strt, int stp) = 0;
    virtual OpOutcome verify(OpContext& ctx, const PagerImage& img, int strt, int stp) = 0;
};

} // namespace kpr
