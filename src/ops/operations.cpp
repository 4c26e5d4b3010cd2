#include "ops/operations.h"

#include "common/operator_texts.h"
#include "image/image_addresses.h"
#include "link/usb_link.h"

#include <cctype>

namespace kpr {

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

Operations::Operations(EditorHooks& editor, BoardOperations& board, UsbBoardOperations& usb,
                       CancelToken& cancel, OperatorMessages& messages, ProgressSink& progress)
    : cancel_(cancel), ctx_{editor, messages, progress, &cancel_}, board_(board), usbBoard_(usb) {}

Operations::Job::Job(Operations& ops) : ops_(ops) {
    if (ops_.depth_++ == 0) {
        ops_.cancel_.reset();
    }
}

Operations::Job::~Job() {
    --ops_.depth_;
}

// --- Write --------------------------------------------------------------------------

OpOutcome Operations::tbl_writeall(PagerImage& img, int strt, int stp) {
    Job job(*this);
    return lastOutcome_ = board_.writeall(ctx_, img, strt, stp);
}

// --- Read ---------------------------------------------------------------------------

ReadOutcome Operations::tbl_readall(int strt, int stp) {
    Job job(*this);
    return lastRead_ = board_.readall(ctx_, strt, stp);
}

// --- Verify -------------------------------------------------------------------------

OpOutcome Operations::tbl_verify(const PagerImage& img, int strt, int stp) {
    Job job(*this);
    return lastOutcome_ = board_.verify(ctx_, img, strt, stp);
}

// --- The programming dialog ---------------------------------------------------------

Operations::DialogNext Operations::activate() {
    Job job(*this);
    TransferFlags& flags = ctx_.editor.flags();
    switch (flags.OperationKind) {
    case OperationKind::Read:
        tbl_readall(0, ImageUpperBound);
        return DialogNext::Close;
    case OperationKind::Verify:
        verify_editor_image();
        return DialogNext::Close;
    default:
        break;
    }
    if (ctx_.editor.modify_mode()) {
        ctx_.messages.message(MsgModifyModeWrite, MessageIcon::Warning);
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
    PagerCodesScope codes(ctx_.editor);
    PagerImage& image = ctx_.editor.image();
    OpOutcome r = tbl_writeall(image, 0, ImageUpperBound);
    if (!ctx_.OpFailed)
        r = tbl_verify(image, 0, ImageUpperBound);
    return lastOutcome_ = r;
}

OpOutcome Operations::verify_editor_image() {
    Job job(*this);
    PagerCodesScope codes(ctx_.editor);
    return tbl_verify(ctx_.editor.image(), 0, ImageUpperBound);
}

std::string Operations::batch_label(int index) {
    return (index == 0 ? " 1st capcode : " : " 2nd capcode : ") + ctx_.editor.capcode_text(index);
}

OpOutcome Operations::batch_step() {
    Job job(*this);
    TransferFlags& flags = ctx_.editor.flags();
    incrementRefused_ = false;
    PagerCodesScope codes(ctx_.editor); // the capcodes rise while the texts are in pager codes
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

std::optional<uint8_t> Operations::read_firmware() {
    Job job(*this);
    if (!usbBoard_.read_blocks(ctx_, AddrFirmware, AddrFirmware))
        return std::nullopt;
    return usbBoard_.transfer().readBuffer()[AddrFirmware];
}

std::optional<uint8_t> Operations::check_firmware() {
    const std::optional<uint8_t> b = read_firmware();
    if (b)
        ctx_.messages.message(firmware_version_text(*b));
    return b;
}

} // namespace kpr
