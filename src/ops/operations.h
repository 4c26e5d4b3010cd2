#pragma once
// Write, read and verify of a whole pager image, the programming dialog's batch step and
// capcode increment, and Help > Check Firmware. Plain synchronous calls: the GUI runs them
// on a worker thread, kprtool on its main thread. Progress goes to a ProgressSink, every
// message to OperatorMessages, editor access through EditorHooks.
#include "common/operator_messages.h"
#include "common/progress.h"
#include "image/pager_image.h"
#include "ops/block_transfer.h"
#include "ops/board_operations.h"
#include "ops/usb_operations.h"
#include "settings/capcode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kpr {

class Operations {
  public:
    // `board` runs the whole-image operations; the operations never ask which kind it is.
    // `usb` is the USB board, which Check Firmware reads whatever the board. `cancel` is the
    // board's one stop request, shared with its link.
    Operations(EditorHooks& editor, BoardOperations& board, UsbBoardOperations& usb,
               CancelToken& cancel, OperatorMessages& messages, ProgressSink& progress);

    // Told of every accepted read and of every image about to be written (backups).
    void setTransferObserver(TransferObserver* observer) { ctx_.observer = observer; }
    // Cancelling, from any thread: the running operation stops at its next block or step
    // and fails with OpOutcome::Cancelled / ReadOutcome::Cancelled, port closed, no
    // success reported. It stays set for the jobs not yet started until cleared; a job
    // that starts clears it.
    void request_cancel() { cancel_.cancel(); }
    void clear_cancel() { cancel_.reset(); }
    bool cancel_requested() const { return cancel_.cancelled(); }

    bool OpFailed() const { return ctx_.OpFailed; }
    // The last write was cancelled part-way and MsgWriteIncomplete has been shown.
    bool writeLeftIncomplete() const { return ctx_.WriteIncomplete; }
    OpContext& context() { return ctx_; }

    // The board's write, read and verify. img is the editor's image.
    OpOutcome tbl_writeall(PagerImage& img, int strt, int stp);
    ReadOutcome tbl_readall(int strt, int stp);
    OpOutcome tbl_verify(const PagerImage& img, int strt, int stp);

    // --- The programming dialog ---------------------------------------------------

    enum class DialogNext { Close, AwaitBatch };
    // What the dialog does as it opens, by flags().OperationKind: read, verify, or write
    // (refused in "Modify Mode"; with auto-increase ticked it waits for the operator,
    // otherwise it writes and then verifies). The outcome of the operation run, if any,
    // is in lastOutcome() / lastReadOutcome().
    DialogNext activate();
    // Write then verify, as the dialog does when no auto-increase is ticked.
    OpOutcome write_and_verify();
    // Verify the pager against the editor's image (the Verify command).
    OpOutcome verify_editor_image();
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
    // "Version = ...". The byte read, or nothing when the read failed (reported).
    std::optional<uint8_t> check_firmware();
    // The same read without the version message, for a caller that prints the version as its
    // result.
    std::optional<uint8_t> read_firmware();

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

    CancelToken& cancel_;
    int depth_ = 0;
    OpContext ctx_;
    BoardOperations& board_;
    UsbBoardOperations& usbBoard_;
    OpOutcome lastOutcome_ = OpOutcome::Success;
    ReadOutcome lastRead_ = ReadOutcome::Accepted;
    bool incrementRefused_ = false;
};

// The capcode number a text entry holds, read as leading digits ("" gives 0).
long long capcode_value(const std::string& text);

} // namespace kpr
