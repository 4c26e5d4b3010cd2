#include "ops/lpt_operations.h"

#include "common/operator_texts.h"
#include "common/printable_text.h"
#include "hardware/clock.h"
#include "link/usb_link.h"
#include "ops/seal.h"
#include "settings/band.h"

#include <array>
#include <stdexcept>

namespace kpr {

namespace {

void require_address_range(int strt, int stp) {
    if (strt < 0 || stp < strt || stp > ImageUpperBound)
        throw std::out_of_range("address range outside the pager's memory");
}

bool is_page_start(int a) {
    return a % LptPageSize == 0;
}
bool is_page_end(int a) {
    return (a + 1) % LptPageSize == 0;
}

} // namespace

std::string lpt_wrong_model_message(const std::string& s) {
    return "This pager is not KPR35T !\r\n\r\nIt is " + mid(s, 1, 6) + ", Software " +
           mid(s, 10, 5) + " )";
}

OpOutcome LptBoardOperations::write_failed(OpContext& ctx) {
    link_.lpt_park();
    ctx.messages.message(MsgWriteError);
    ctx.OpFailed = true;
    return OpOutcome::Failed;
}

// A cancelled transfer ends the transaction in hand (bytes already sent stay written, as
// whole blocks do on the USB board) and leaves the bus parked; nothing is reported.
OpOutcome LptBoardOperations::cancelled(OpContext& ctx) {
    link_.lpt_stop();
    link_.lpt_park();
    ctx.OpFailed = true;
    return OpOutcome::Cancelled;
}

// --- Write --------------------------------------------------------------------------

bool LptBoardOperations::open_write(int a) {
    // While the memory is still busy with the last page it does not acknowledge its
    // device byte; keep asking for a while.
    const int64_t t0 = link_.clock().nowMs();
    link_.lpt_start();
    while (!link_.lpt_sendbyte(lpt_device_byte(a))) {
        if (link_.clock().nowMs() - t0 > LptAckPollMs || link_.port_fault())
            return false;
        link_.lpt_start();
    }
    return true;
}

OpOutcome LptBoardOperations::writeall(OpContext& ctx, PagerImage& img, int strt, int stp) {
    require_address_range(strt, stp);
    ctx.WriteIncomplete = false;
    TransferFlags& flags = ctx.editor.flags();

    // The pager keeps its own serial number when it has a valid one.
    bool recomputeSerial = true;
    bool pagerSerialValid = false;
    if (flags.ScanIdle) {
        std::array<uint8_t, AddrSerialSumLow - AddrSerialFirst + 1> area{};
        for (size_t i = 0; i < area.size(); ++i) {
            if (ctx.cancelled())
                return cancelled(ctx);
            auto b = link_.lpt_readbyte(AddrSerialFirst + static_cast<int>(i));
            if (!b) {
                ctx.OpFailed = true;
                return OpOutcome::Failed;
            }
            area[i] = *b;
        }
        recomputeSerial = merge_serial(img, area);
        pagerSerialValid = !recomputeSerial;
    }
    finish_seal(img, stp, recomputeSerial);

    start_transfer_bar(ctx.progress, strt, stp, ColourHighlight, MsgWritingNow);
    ctx.OpFailed = false;

    for (int a = strt; a <= stp; ++a) {
        // The pager's own valid serial number and its checksum are left as they are.
        if (flags.ScanIdle && pagerSerialValid && a >= AddrSerialFirst && a <= AddrSerialSumLow)
            continue;
        const bool newTransaction =
            a == strt || is_page_start(a) || (a >= LptSingleByteFirst && a <= LptSingleByteLast);
        if (newTransaction) {
            if (ctx.cancelled()) {
                if (a != strt)
                    ctx.report_incomplete_write();
                return cancelled(ctx);
            }
            if (a != strt) {
                link_.lpt_stop();
                link_.delay_ms(LptWriteCycleMs);
            }
            if (!open_write(a))
                return write_failed(ctx);
            if (is_page_start(a))
                ctx.progress.setPosition(a);
            if (!link_.lpt_sendbyte(static_cast<uint8_t>(a & 0xFF)))
                return write_failed(ctx);
        }
        if (!link_.lpt_sendbyte(img[a]))
            return write_failed(ctx);
    }
    link_.lpt_stop();
    if (link_.port_fault())
        return write_failed(ctx);
    return OpOutcome::Success;
}

// --- Read ---------------------------------------------------------------------------

ReadOutcome LptBoardOperations::readall(OpContext& ctx, int strt, int stp) {
    require_address_range(strt, stp);
    EditorHooks& editor = ctx.editor;
    editor.imageBackup() = editor.image();
    ctx.OpFailed = false;

    auto stopped = [&] {
        cancelled(ctx);
        return ReadOutcome::Cancelled;
    };

    // The model text, a random read a byte.
    PagerImage modelBytes;
    for (int a = AddrModelFirst; a <= AddrModelLast; ++a) {
        if (ctx.cancelled())
            return stopped();
        auto b = link_.lpt_readbyte(a);
        if (!b) {
            ctx.OpFailed = true;
            return ReadOutcome::LinkFailed;
        }
        modelBytes[a] = *b;
    }
    const std::string s = model_text(modelBytes.bytes());
    if (!model_ok(s)) {
        ctx.messages.message(lpt_wrong_model_message(s), MessageIcon::Warning);
        ctx.OpFailed = true;
        return ReadOutcome::WrongModel;
    }
    const bool testChecksums = checksum_switch_on(s);

    start_transfer_bar(ctx.progress, strt, stp, ColourPurple, MsgReadingNow);

    // The bytes land on a copy of the editor's image, which takes them only once every
    // test has passed: a failed read leaves the editor's image as it was.
    const PagerImage preRead = editor.image();
    PagerImage data = preRead;
    for (int a = strt; a <= stp; ++a) {
        // A random read per page; every page's last byte and the range's last byte are
        // not acknowledged, which ends the memory's sending.
        if (a == strt || is_page_start(a)) {
            if (ctx.cancelled())
                return stopped();
            if (!link_.lpt_openread(a)) {
                ctx.OpFailed = true;
                return ReadOutcome::LinkFailed;
            }
        }
        const bool last = a == stp || is_page_end(a);
        data[a] = link_.lpt_recvbyte(last ? 0xFF : 0);
        if (is_page_end(a) && a != stp)
            ctx.progress.setPosition(a);
    }
    link_.lpt_stop();
    if (link_.port_fault()) {
        link_.lpt_park();
        ctx.messages.message(MsgReadError);
        ctx.OpFailed = true;
        return ReadOutcome::LinkFailed;
    }

    if (testChecksums &&
        (!image_checksum_ok(data.bytes(), stp) || !serial_checksum_ok(data.bytes()))) {
        link_.lpt_park();
        ctx.messages.message(MsgChecksumError);
        return ReadOutcome::ChecksumError;
    }
    link_.lpt_park();
    ctx.messages.message(MsgReadSuccess);

    // The board's identity bytes must be those the editor already holds.
    for (auto [first, last] : {std::pair{LptIdentityFirst1, LptIdentityLast1},
                               std::pair{LptIdentityFirst2, LptIdentityLast2}}) {
        for (int a = first; a <= last; ++a) {
            if (data[a] != preRead[a]) {
                ctx.messages.message(MsgPagerDataWrong);
                return ReadOutcome::ReloadError;
            }
        }
    }

    // Unlike the USB read, the parallel-port rule leaves ImageJustLoaded clear: the spacing
    // is not derived.
    if (const int error = editor.load_from_pager(data.bytes(), BandRule::ParallelPort)) {
        ctx.messages.message(reload_error_message(error));
        return ReadOutcome::ReloadError;
    }
    return ReadOutcome::Accepted;
}

// --- Verify -------------------------------------------------------------------------

OpOutcome LptBoardOperations::verify(OpContext& ctx, const PagerImage& img, int strt, int stp) {
    require_address_range(strt, stp);
    start_transfer_bar(ctx.progress, strt, stp, ColourPurple, MsgVerifyingNow);
    ctx.OpFailed = false;

    if (ctx.cancelled())
        return cancelled(ctx);
    // One sequential read over the whole range, compared as the bytes arrive.
    if (!link_.lpt_openread(strt)) {
        link_.lpt_stop();
        ctx.OpFailed = true;
        return OpOutcome::Failed;
    }
    for (int a = strt; a <= stp; ++a) {
        if (is_page_start(a)) {
            ctx.progress.setPosition(a);
            if (ctx.cancelled())
                return cancelled(ctx);
        }
        const uint8_t b = link_.lpt_recvbyte(a == stp ? 0xFF : 0);
        if (b != img[a]) {
            link_.lpt_park();
            ctx.messages.message(MsgVerifyError);
            link_.lpt_stop();
            ctx.OpFailed = true;
            return OpOutcome::Failed;
        }
    }
    if (link_.port_fault()) {
        link_.lpt_park();
        ctx.messages.message(MsgReadError);
        link_.lpt_stop();
        ctx.OpFailed = true;
        return OpOutcome::Failed;
    }
    ctx.editor.init_ctl();
    link_.lpt_park();
    ctx.messages.message(MsgVerifySuccess);
    link_.lpt_stop();
    return OpOutcome::Success;
}

} // namespace kpr
