#include "ops/usb_operations.h"

#include "common/operator_texts.h"
#include "ops/seal.h"
#include "ops/transfer_observer.h"
#include "settings/band.h"

namespace kpr {

namespace {
constexpr int BlockSize = 128;

OpOutcome fail(OpContext& ctx, bool cancelled) {
    ctx.OpFailed = true;
    return cancelled ? OpOutcome::Cancelled : OpOutcome::Failed;
}
} // namespace

bool UsbBoardOperations::read_blocks(OpContext& ctx, int strt, int stp) {
    if (ctx.cancelled())
        return false;
    return usb_.readblk(strt, stp, BlockSize);
}

// --- Write --------------------------------------------------------------------------

OpOutcome UsbBoardOperations::writeall(OpContext& ctx, PagerImage& img, int strt, int stp) {
    ctx.OpFailed = false;
    ctx.WriteIncomplete = false;
    TransferFlags& flags = ctx.editor.flags();

    // The pager keeps its own firmware byte; the synthesiser words follow it.
    if (!read_blocks(ctx, AddrFirmware, AddrFirmware))
        return fail(ctx, ctx.cancelled() || usb_.lastCancelled());
    flags.UnversionedFirmware = merge_firmware_byte(img, usb_.readBuffer()[AddrFirmware]);
    ctx.editor.commit_frequency();

    // The pager keeps its own serial number when it has a valid one.
    bool recomputeSerial = true;
    if (flags.ScanIdle) {
        if (!read_blocks(ctx, AddrSerialFirst, AddrSerialSumLow))
            return fail(ctx, ctx.cancelled() || usb_.lastCancelled());
        recomputeSerial =
            merge_serial(img, usb_.readBuffer().subspan(AddrSerialFirst,
                                                        AddrSerialSumLow - AddrSerialFirst + 1));
    }
    finish_seal(img, stp, recomputeSerial);

    if (ctx.cancelled())
        return fail(ctx, true);
    if (ctx.observer && !ctx.observer->before_write(img, usb_, ctx.progress))
        return fail(ctx, ctx.cancelled() || usb_.lastCancelled());
    if (!usb_.writeblk(img.bytes(), strt, stp, BlockSize)) {
        const bool cancelled = ctx.cancelled() || usb_.lastCancelled();
        if (cancelled && usb_.lastWriteTouchedPager())
            ctx.report_incomplete_write();
        return fail(ctx, cancelled);
    }
    if (ctx.cancelled())
        return fail(ctx, true);
    ctx.OpFailed = false;
    return OpOutcome::Success;
}

// --- Read ---------------------------------------------------------------------------

ReadOutcome UsbBoardOperations::readall(OpContext& ctx, int strt, int stp) {
    EditorHooks& editor = ctx.editor;
    editor.imageBackup() = editor.image();
    ctx.OpFailed = false;

    auto failedRead = [&] {
        if (ctx.cancelled() || usb_.lastCancelled()) {
            ctx.OpFailed = true;
            return ReadOutcome::Cancelled;
        }
        return ReadOutcome::LinkFailed;
    };

    if (!read_blocks(ctx, AddrModelFirst, AddrModelLast))
        return failedRead();
    std::string s = model_text(usb_.readBuffer());
    if (!model_ok(s)) {
        ctx.messages.message(wrong_model_message(s), MessageIcon::Warning);
        ctx.OpFailed = true;
        return ReadOutcome::WrongModel;
    }
    bool testChecksums = checksum_switch_on(s);

    start_transfer_bar(ctx.progress, strt, stp, ColourPurple, MsgReadingNow);

    if (!read_blocks(ctx, strt, stp) || ctx.cancelled())
        return failedRead();
    std::span<const uint8_t> data = usb_.readBuffer();
    if (testChecksums && (!image_checksum_ok(data, stp) || !serial_checksum_ok(data))) {
        ctx.messages.message(MsgChecksumError);
        return ReadOutcome::ChecksumError;
    }
    ctx.messages.message(MsgReadSuccess);

    if (const int error = editor.load_from_pager(data, BandRule::Standard)) {
        ctx.messages.message(reload_error_message(error));
        return ReadOutcome::ReloadError;
    }
    if (ctx.observer)
        ctx.observer->read_accepted(editor.image());
    return ReadOutcome::Accepted;
}

// --- Verify -------------------------------------------------------------------------

OpOutcome UsbBoardOperations::verify(OpContext& ctx, const PagerImage& img, int strt, int stp) {
    start_transfer_bar(ctx.progress, strt, stp, ColourPurple, MsgVerifyingNow);

    if (!read_blocks(ctx, strt, stp) || ctx.cancelled())
        return fail(ctx, ctx.cancelled() || usb_.lastCancelled());
    if (first_difference(img.bytes(), usb_.readBuffer(), strt, stp)) {
        ctx.messages.message(MsgVerifyError);
        return fail(ctx, false);
    }
    ctx.editor.init_ctl();
    ctx.messages.message(MsgVerifySuccess);
    return OpOutcome::Success;
}

} // namespace kpr
