#pragma once
// Write, read and verify of a whole pager image, the programming dialog's batch step and
// capcode increment, and Help > Check Firmware. Plain synchronous calls: the GUI runs them
// on a worker thread, kprtool on its main thread. Progress goes to a ProgressSink, every
// message to OperatorMessages, editor access through EditorHooks.
#include "common/operator_messages.h"
#include "common/progress.h"
#include "image/pager_image.h"
#include "ops/block_transfer.h"
#include "ops/editor_hooks.h"
#include "settings/capcode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kpr {

class TransferObserver; // ops/transfer_observer.h

enum class LinkKind { Usb, Lpt };

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

// A write cancelled after its first block went out: the pager holds part of the new image.
inline constexpr const char* MsgWriteIncomplete =
    "The write was cancelled after it had begun: the pager is incomplete and must be written "
    "again.";

// Everything a whole-image operation works with, shared with the parallel-port variants.
struct OpContext {
    EditorHooks& editor;
    OperatorMessages& messages;
    ProgressSink& progress;
    const CancelToken* cancel = nullptr; // set by Operations
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

// The parallel-port board's whole-image operations. Plugged in when that link is built.
class LptOperations {
  public:
    virtual ~LptOperations() = default;
    virtual OpOutcome lpt_writeall(OpContext& ctx, PagerImage& img, int strt, int stp) = 0;
    virtual ReadOutcome lpt_readall(OpContext& ctx, int strt, int stp) = 0;
    virtual OpOutcome lpt_verify(OpContext& ctx, const PagerImage& img, int strt, int stp) = 0;
};

inline constexpr const char* LptUnavailableMessage =
    "The parallel-port programmer is not available in this build.";

class Operations {
  public:
    Operations(EditorHooks& editor, BlockTransfer& usb, OperatorMessages& messages,
               ProgressSink& progress);

    void setLinkKind(LinkKind kind) { linkKind_ = kind; }
    LinkKind linkKind() const { return linkKind_; }
    void setLptOperations(LptOperations* lpt) { lpt_ = lpt; }
    // Told of every accepted read and of every image about to be written (backups).
    void setTransferObserver(TransferObserver* observer) { observer_ = observer; }
    // Cancelling, from any thread: the running operation stops at its next block or step
    // and fails with OpOutcome::Cancelled / ReadOutcome::Cancelled, port closed, no
    // success reported. A new operation started from outside clears it.
    // The board's one stop request, shared with the link (any thread). It stays set for the
    // jobs not yet started until cleared; a job that starts clears it.
    void request_cancel();
    void clear_cancel() { cancel_.reset(); }
    bool cancel_requested() const { return cancel_.cancelled(); }

    bool OpFailed() const { return ctx_.OpFailed; }
    // The last write was cancelled part-way and MsgWriteIncomplete has been shown.
    bool writeLeftIncomplete() const { return ctx_.WriteIncomplete; }
    OpContext& context() { return ctx_; }

    // Dispatchers by link kind, and the USB operations. img is the editor's image.
    OpOutcome tbl_writeall(PagerImage& img, int strt, int stp);
    OpOutcome usb_writeall(PagerImage& img, int strt, int stp);
    ReadOutcome tbl_readall(int strt, int stp);
    ReadOutcome usb_readall(int strt, int stp);
    OpOutcome tbl_verify(const PagerImage& img, int strt, int stp);
    OpOutcome usb_verify(const PagerImage& img, int strt, int stp);

    // --- The programming dialog ---------------------------------------------------

    enum class DialogNext { Close, AwaitBatch };
    // What the dialog does as it opens, by flags().OperationKind: read, verify, or write
    // (refused in "Modify Mode"; with auto-increase ticked it waits for the operator,
    // otherwise it writes and then verifies). The outcome of the operation run, if any,
    // is in lastOutcome() / lastReadOutcome().
    DialogNext activate();
    // Write then verify, as the dialog does when no auto-increase is ticked.
    OpOutcome write_and_verify();
    // The batch labels " 1st capcode : N" / " 2nd capcode : N" for the pager about to
    // be written.
    std::string batch_label(int index);
    // One batch step (cmdWrite_Click): write, verify, raise the ticked capcodes, reload
    // the editor, reset the bar and status text.
    OpOutcome batch_step();
    // Raises capcode entry index (0 or 1) by one; false when refused at 2097151 (the
    // message has been shown).
    bool set_capcode(int index);
    // The last batch step could not raise a ticked capcode: the next pager would get the
    // same address.
    bool lastIncrementRefused() const { return incrementRefused_; }

    OpOutcome lastOutcome() const { return lastOutcome_; }
    ReadOutcome lastReadOutcome() const { return lastRead_; }

    // Help > Check Firmware: reads byte 1113 over USB (whatever the link kind) and shows
    // "Version = ...". The byte read, or nothing when the read failed.
    std::optional<uint8_t> check_firmware();

  private:
    // Marks the outermost public call: a cancel left from an earlier operation is cleared
    // when a new one starts, never in the middle of one.
    class Job {
      public:
        explicit Job(Operations& ops);
        ~Job();

      private:
        Operations& ops_;
    };
    OpOutcome fail(bool cancelled);
    bool read_blocks(int strt, int stp);

    CancelToken cancel_;
    int depth_ = 0;
    OpContext ctx_;
    BlockTransfer& usb_;
    LptOperations* lpt_ = nullptr;
    TransferObserver* observer_ = nullptr;
    LinkKind linkKind_ = LinkKind::Usb;
    OpOutcome lastOutcome_ = OpOutcome::Success;
    ReadOutcome lastRead_ = ReadOutcome::Accepted;
    bool incrementRefused_ = false;
};

// The capcode number a text entry holds, read as leading digits ("" gives 0).
long long capcode_value(const std::string& text);

} // namespace kpr
