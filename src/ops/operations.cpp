#include "ops/operations.h"

#include "common/operator_texts.h"
#include "link/usb_link.h"
#include "ops/seal.h"
#include "ops/transfer_observer.h"
#include "tables/band.h"

#include <algorithm>
#include <cctype>

namespace kpr {

namespace {
constexpr int BlockSize = 128;
}

long long capcode_value(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (v < 1'000'000'000'000LL)
            v = v * 10 + (text[i] - '0');
    return negative ? -v : v;
}

Operations::Operations(EditorHooks& editor, BlockTransfer& usb, OperatorMessages& messages,
                       ProgressSink& progress)
    : ctx_{editor, messages, progress, &cancel_}, usb_(usb) {
    usb_.shareCancelToken(cancel_);
}

Operations::Job::Job(Operations& ops) : ops_(ops) {
    if (ops_.depth_++ == 0) {
        ops_.cancel_.reset();
    }
}

Operations::Job::~Job() {
    --ops_.depth_;
}

void Operations::request_cancel() {
    cancel_.cancel();
}

OpOutcome Operations::fail(bool cancelled) {
    ctx_.OpFailed = true;
    return cancelled ? OpOutcome::Cancelled : OpOutcome::Failed;
}

// A block read that also honours the cancel token before it starts.
bool Operations::read_blocks(int strt, int stp) {
    if (ctx_.cancelled())
        return false;
    return usb_.readblk(strt, stp, BlockSize);
}

// --- Write --------------------------------------------------------------------------

OpOutcome Operations::tbl_writeall(PagerImage& img, int strt, int stp) {
    Job job(*this);
    if (linkKind_ == LinkKind::Usb)
        return lastOutcome_ = usb_writeall(img, strt, stp);
    if (!lpt_) {
        ctx_.messages.message(LptUnavailableMessage, MessageIcon::Critical);
        return lastOutcome_ = fail(false);
    }
    return lastOutcome_ = lpt_->lpt_writeall(ctx_, img, strt, stp);
}

OpOutcome Operations::usb_writeall(PagerImage& img, int strt, int stp) {
    Job job(*this);
    ctx_.OpFailed = false;
    ctx_.WriteIncomplete = false;
    TransferFlags& flags = ctx_.editor.flags();

    // The pager keeps its own firmware byte; the synthesiser words follow it.
    if (!read_blocks(AddrFirmware, AddrFirmware))
        return fail(ctx_.cancelled() || usb_.lastCancelled());
    flags.UnversionedFirmware = merge_firmware_byte(img, usb_.readBuffer()[AddrFirmware]);
    ctx_.editor.commit_frequency();

    // The pager keeps its own serial number when it has a valid one.
    bool recomputeSerial = true;
    if (flags.ScanIdle) {
        if (!read_blocks(AddrSerialFirst, AddrSerialSumLow))
            return fail(ctx_.cancelled() || usb_.lastCancelled());
        recomputeSerial =
            merge_serial(img, usb_.readBuffer().subspan(AddrSerialFirst,
                                                        AddrSerialSumLow - AddrSerialFirst + 1));
    }
    finish_seal(img, stp, recomputeSerial);

    if (ctx_.cancelled())
        return fail(true);
    if (observer_ && !observer_->before_write(img, usb_, ctx_.progress))
        return fail(ctx_.cancelled() || usb_.lastCancelled());
    if (!usb_.writeblk(img.bytes(), strt, stp, BlockSize)) {
        const bool cancelled = ctx_.cancelled() || usb_.lastCancelled();
        if (cancelled && usb_.lastWriteTouchedPager())
            ctx_.report_incomplete_write();
        return fail(cancelled);
    }
    if (ctx_.cancelled())
        return fail(true);
    ctx_.OpFailed = false;
    return OpOutcome::Success;
}

// --- Read ---------------------------------------------------------------------------

ReadOutcome Operations::tbl_readall(int strt, int stp) {
    Job job(*this);
    if (linkKind_ == LinkKind::Usb)
        return lastRead_ = usb_readall(strt, stp);
    if (!lpt_) {
        ctx_.messages.message(LptUnavailableMessage, MessageIcon::Critical);
        return lastRead_ = ReadOutcome::LinkFailed;
    }
    return lastRead_ = lpt_->lpt_readall(ctx_, strt, stp);
}

ReadOutcome Operations::usb_readall(int strt, int stp) {
    Job job(*this);
    EditorHooks& editor = ctx_.editor;
    editor.imageBackup() = editor.image();
    ctx_.OpFailed = false;

    auto failedRead = [&] {
        if (ctx_.cancelled() || usb_.lastCancelled()) {
            ctx_.OpFailed = true;
            return ReadOutcome::Cancelled;
        }
        return ReadOutcome::LinkFailed;
    };

    if (!read_blocks(AddrModelFirst, AddrModelLast))
        return failedRead();
    std::string s = model_text(usb_.readBuffer());
    if (!model_ok(s)) {
        ctx_.messages.message(wrong_model_message(s), MessageIcon::Warning);
        ctx_.OpFailed = true;
        return ReadOutcome::WrongModel;
    }
    bool testChecksums = checksum_switch_on(s);

    ctx_.progress.setMaximum(stp - 16);
    ctx_.progress.setPosition(strt);
    ctx_.progress.setColour(ColourPurple);
    ctx_.progress.setStatus("Reading Now.......");

    if (!read_blocks(strt, stp) || ctx_.cancelled())
        return failedRead();
    std::span<const uint8_t> data = usb_.readBuffer();
    if (testChecksums && (!image_checksum_ok(data, stp) || !serial_checksum_ok(data))) {
        ctx_.messages.message(TextChecksumError);
        return ReadOutcome::ChecksumError;
    }
    ctx_.messages.message(TextReadSuccess);

    if (const int error = editor.load_from_pager(data, BandRule::Standard)) {
        ctx_.messages.message(reload_error_message(error));
        return ReadOutcome::ReloadError;
    }
    if (observer_)
        observer_->read_accepted(editor.image());
    return ReadOutcome::Accepted;
}

// --- Verify -------------------------------------------------------------------------

OpOutcome Operations::tbl_verify(const PagerImage& img, int strt, int stp) {
    Job job(*this);
    if (linkKind_ == LinkKind::Usb)
        return lastOutcome_ = usb_verify(img, strt, stp);
    if (!lpt_) {
        ctx_.messages.message(LptUnavailableMessage, MessageIcon::Critical);
        return lastOutcome_ = fail(false);
    }
    return lastOutcome_ = lpt_->lpt_verify(ctx_, img, strt, stp);
}

OpOutcome Operations::usb_verify(const PagerImage& img, int strt, int stp) {
    Job job(*this);
    ctx_.progress.setMaximum(stp - 16);
    ctx_.progress.setPosition(strt);
    ctx_.progress.setColour(ColourPurple);
    ctx_.progress.setStatus("Verifying Now.....");

    if (!read_blocks(strt, stp) || ctx_.cancelled())
        return fail(ctx_.cancelled() || usb_.lastCancelled());
    if (first_difference(img.bytes(), usb_.readBuffer(), strt, stp)) {
        ctx_.messages.message(TextVerifyError);
        return fail(false);
    }
    ctx_.editor.init_ctl();
    ctx_.messages.message("Verify Success!");
    return OpOutcome::Success;
}

// --- The programming dialog ---------------------------------------------------------

Operations::DialogNext Operations::activate() {
    Job job(*this);
    TransferFlags& flags = ctx_.editor.flags();
    switch (flags.OperationKind) {
    case 0:
        tbl_readall(0, ImageUpperBound);
        return DialogNext::Close;
    case 2:
        tbl_verify(ctx_.editor.image(), 0, ImageUpperBound);
        return DialogNext::Close;
    default:
        break;
    }
    if (ctx_.editor.modify_mode()) {
        ctx_.messages.message(TextModifyModeWrite, MessageIcon::Warning);
        lastOutcome_ = OpOutcome::Failed;
        return DialogNext::Close;
    }
    if (flags.AutoInc1 || flags.AutoInc2)
        return DialogNext::AwaitBatch;
    write_and_verify();
    return DialogNext::Close;
}

OpOutcome Operations::write_and_verify() {
    Job job(*this);
    PagerImage& image = ctx_.editor.image();
    OpOutcome r = tbl_writeall(image, 0, ImageUpperBound);
    if (!ctx_.OpFailed)
        r = tbl_verify(image, 0, ImageUpperBound);
    return lastOutcome_ = r;
}

std::string Operations::batch_label(int index) {
    return (index == 0 ? " 1st capcode : " : " 2nd capcode : ") + ctx_.editor.capcode_text(index);
}

OpOutcome Operations::batch_step() {
    Job job(*this);
    TransferFlags& flags = ctx_.editor.flags();
    incrementRefused_ = false;
    OpOutcome r = write_and_verify();
    if (!ctx_.OpFailed) {
        // A refused first capcode does not stop the second from rising.
        if (flags.AutoInc1 && !set_capcode(0))
            incrementRefused_ = true;
        if (flags.AutoInc2 && !set_capcode(1))
            incrementRefused_ = true;
    }
    ctx_.editor.init_ctl();
    ctx_.progress.setPosition(0);
    ctx_.progress.setStatus("");
    return lastOutcome_ = r;
}

bool Operations::set_capcode(int index) {
    long long v = capcode_value(ctx_.editor.capcode_text(index));
    if (v >= CapcodeMax) {
        ctx_.messages.message(capcode_limit_message(index + 1), MessageIcon::Warning);
        return false;
    }
    ctx_.editor.store_capcode_text(index, std::to_string(v + 1));
    ctx_.editor.read_capcode();
    return true;
}

std::optional<uint8_t> Operations::check_firmware() {
    Job job(*this);
    if (!read_blocks(AddrFirmware, AddrFirmware))
        return std::nullopt;
    uint8_t b = usb_.readBuffer()[AddrFirmware];
    ctx_.messages.message(firmware_version_text(b));
    return b;
}

} // namespace kpr
