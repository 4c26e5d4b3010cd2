#include "link/usb_link.h"

#include "image/image_addresses.h"

#include <algorithm>
#include <stdexcept>

#include "hardware/clock.h"
#include "hardware/port_lister.h"
#include "hardware/serial_port.h"
#include "link/frame.h"

namespace kpr {

std::string firmware_version_text(int versionByte) {
    // Tenths with one decimal, and no digit before the point when below 1: 37 -> 3.7,
    // 5 -> .5, 255 -> 25.5.
    const int whole = versionByte / 10;
    const int tenth = versionByte % 10;
    std::string text = "Version = ";
    if (whole > 0)
        text += std::to_string(whole);
    text += '.';
    text += std::to_string(tenth);
    return text;
}

UsbLink::UsbLink(SerialPort& port, PortLister& lister, Clock& clock, OperatorMessages& messages)
    : port_(port), clock_(clock), messages_(messages),
      portList_([&lister] { return lister.ports(); }) {}

std::vector<std::string> UsbLink::take_port_list() {
    try {
        return portList_ ? portList_() : std::vector<std::string>{};
    } catch (...) {
        // A list that cannot be taken is an empty list: nothing to probe.
        return {};
    }
}

bool UsbLink::usb_open(const std::string& port) {
    if (!port_.open(port)) {
        port_.close();
        return false;
    }
    return true;
}

bool UsbLink::connect(bool interactive) {
    ConnectInteractive = interactive;
    const bool found = usb_connect();
    ConnectInteractive = false;
    return found;
}

std::optional<BoardState> UsbLink::monitor_tick() {
    const std::vector<std::string> list = take_port_list();
    const int n = static_cast<int>(list.size());
    bool found;
    if (n > KnownPortCount && no_board())
        found = connect(false);
    else
        found = std::find(list.begin(), list.end(), BoardPort) != list.end();
    if (!found)
        BoardPort = NoBoardPort;
    KnownPortCount = n;
    return found ? BoardState::Connected : BoardState::Disconnected;
}

bool UsbLink::release() {
    if (board_known())
        return usb_init(1, true);
    return true;
}

UsbLink::Wait UsbLink::wait_start_mark(int limitMs) {
    const int64_t t0 = clock_.nowMs();
    for (;;) {
        const int64_t elapsed = clock_.nowMs() - t0;
        if (elapsed > limitMs)
            return Wait::TimedOut;
        const int c = port_.readByte();
        if (c == StartMark)
            return Wait::Ok;
        if (c >= 0)
            continue; // a stray byte before the mark: dropped
        // A port that has failed (the line hung up) answers nothing more: no use spinning
        // until the limit.
        const int waiting = port_.isOpen() ? port_.bytesWaiting() : -1;
        if (waiting < 0)
            return Wait::Failed;
        if (waiting == 0)
            port_.waitForReadable(static_cast<int>(limitMs - elapsed + 1));
    }
}

// Waits until `need` bytes are in, whatever a cancel says: a reply the board has begun is
// always let finish (or run out its limit), so the next command starts on a quiet line.
UsbLink::Wait UsbLink::wait_bytes(int need, int limitMs) {
    const int64_t t0 = clock_.nowMs();
    for (;;) {
        const int waiting = port_.bytesWaiting();
        if (waiting < 0)
            return Wait::Failed;
        if (waiting >= need)
            return Wait::Ok;
        const int64_t elapsed = clock_.nowMs() - t0;
        if (elapsed > limitMs)
            return Wait::TimedOut;
        if (!port_.isOpen())
            return Wait::Failed;
        port_.waitForReadable(static_cast<int>(limitMs - elapsed + 1));
    }
}

bool UsbLink::probe_open_port() {
    const CommandTemplates& t = command_templates();
    // Results unchecked here: a failure shows up as a missing or wrong reply.
    port_.flush();
    port_.write(t.ProbeCommand.data(), static_cast<int>(t.ProbeCommand.size()));
    if (wait_start_mark(ProbeWaitMs) != Wait::Ok || wait_bytes(16, ProbeWaitMs) != Wait::Ok)
        return false;
    Bytes reply(17, 0);
    reply[0] = StartMark;
    port_.read(reply.data() + 1, 16);
    return frame_checksum_ok(reply) &&
           std::equal(t.ProbeReplyPrefix.begin(), t.ProbeReplyPrefix.end(), reply.begin());
}

bool UsbLink::probe_port(const std::string& name) {
    if (port_.isOpen())
        port_.close();
    if (!usb_open(name))
        return false;
    const bool answered = probe_open_port();
    port_.close();
    return answered;
}

bool UsbLink::usb_connect() {
    if (ConnectInteractive)
        ui_->setMonitorEnabled(false);
    const std::vector<std::string> list = take_port_list();
    for (const std::string& name : list) {
        BoardPort = name;
        if (port_.isOpen())
            port_.close();
        if (!usb_open(name))
            continue;
        const bool accepted = probe_open_port();
        if (accepted) {
            usb_init(1, false);
            port_.close();
            KnownPortCount = static_cast<int>(list.size());
            if (ConnectInteractive)
                ui_->setMonitorEnabled(true);
            return true;
        }
        port_.close();
    }
    if (ConnectInteractive)
        messages_.message(MsgBoardNotResponding, MessageIcon::Warning);
    BoardPort = NoBoardPort;
    if (ConnectInteractive)
        ui_->setMonitorEnabled(true);
    return false;
}

bool UsbLink::usb_init(int value, bool release) {
    if (!port_.isOpen())
        usb_open(BoardPort);
    port_.flush();
    const Bytes cmd = init_command(value, release);
    port_.write(cmd.data(), static_cast<int>(cmd.size()));
    const Bytes& ack = command_templates().InitAck;
    bool ok = false;
    if (wait_start_mark(ProbeWaitMs) == Wait::Ok && wait_bytes(15, ProbeWaitMs) == Wait::Ok) {
        Bytes reply(16, 0);
        reply[0] = StartMark;
        port_.read(reply.data() + 1, 15);
        ok = reply == ack;
    }
    port_.close();
    lastInitOk_ = ok;
    if (!ok)
        messages_.message(MsgInitError, MessageIcon::None);
    return ok;
}

void UsbLink::link_failure(const char* message) {
    lastResult_ = BlockResult::LinkFailure;
    if (port_.isOpen())
        port_.close();
    KnownPortCount = static_cast<int>(take_port_list().size());
    BoardPort = NoBoardPort;
    ui_->showBoardState(BoardState::Disconnected);
    messages_.message(message, MessageIcon::None);
}

bool UsbLink::block_failed(BlockResult why, const char* message) {
    lastResult_ = why;
    if (port_.isOpen())
        port_.close();
    if (message)
        messages_.message(message, MessageIcon::None);
    return false;
}

namespace {
// A fault of the port layer inside a block transfer: handled as a broken link.
struct LinkBroken {};
} // namespace

bool UsbLink::exchange_block(const Bytes& cmd, int replyLen, int waitMs, const char* timeoutMessage,
                             Bytes& reply) {
    if (port_.write(cmd.data(), static_cast<int>(cmd.size())) < 0)
        throw LinkBroken{};
    switch (wait_bytes(replyLen, waitMs)) {
    case Wait::Ok:
        break;
    case Wait::TimedOut:
        if (cancel_requested())
            return block_failed(BlockResult::Cancelled, nullptr);
        return block_failed(BlockResult::TimedOut, timeoutMessage);
    case Wait::Failed:
        throw LinkBroken{};
    }
    reply.assign(static_cast<size_t>(replyLen), 0);
    if (port_.read(reply.data(), replyLen) < 0)
        throw LinkBroken{};
    // A cancel that came during the wait takes effect now that the line is quiet.
    if (cancel_requested())
        return block_failed(BlockResult::Cancelled, nullptr);
    return true;
}

bool UsbLink::start_transfer() {
    if (cancel_requested())
        return block_failed(BlockResult::Cancelled, nullptr);
    if (!port_.isOpen())
        usb_open(BoardPort);
    if (!port_.flush())
        throw LinkBroken{};
    return true;
}

bool UsbLink::usb_readblk(int strt, int stp, int blk, ProgressSink* progress) {
    ReadBuffer.assign(stp >= 0 && stp <= 0xFFFF ? static_cast<size_t>(stp) + 1 : 0, 0);
    const int first = strt;
    lastResult_ = BlockResult::Ok;
    // A range no block can carry is the caller's mistake, not the board's: it goes through.
    if (strt < 0 || stp > 0xFFFF || blk < 1 || blk > 255)
        throw std::out_of_range("block read range");
    try {
        if (!start_transfer())
            return false;
        Bytes reply;
        while (strt <= stp) {
            const int n = strt + blk - 1 <= stp ? blk : stp - strt + 1;
            const Bytes cmd = read_block_command(strt, n);
            if (!exchange_block(cmd, n + FrameOverhead, ReadReplyWaitMs, MsgReadTimeOut, reply))
                return false;
            if (!frame_checksum_ok(reply))
                return block_failed(BlockResult::BadReply, MsgReadError);
            std::copy_n(reply.begin() + 13, n, ReadBuffer.begin() + strt);
            strt += blk;
            if (first == 0 && progress)
                progress->setPosition(strt);
            if (strt <= stp && cancel_requested())
                return block_failed(BlockResult::Cancelled, nullptr);
        }
        if (!port_.close())
            throw LinkBroken{};
        return true;
    } catch (const LinkBroken&) {
        link_failure(MsgReadError);
        return false;
    }
}

bool UsbLink::usb_writeblk(std::span<const uint8_t> img, int strt, int stp, int blk,
                           ProgressSink* progress) {
    lastResult_ = BlockResult::Ok;
    pagerTouched_ = false;
    NullProgress noProgress;
    ProgressSink& bar = progress ? *progress : noProgress;
    if (strt < 0 || stp >= static_cast<int>(img.size()) || stp > 0xFFFF || blk < 1 || blk > 253)
        throw std::out_of_range("block write range");
    try {
        if (!start_transfer())
            return false;
        start_transfer_bar(bar, strt, stp, ColourHighlight, MsgWritingNow);
        const Bytes& ack = command_templates().WriteAck;
        Bytes reply;
        while (strt <= stp) {
            if (cancel_requested())
                return block_failed(BlockResult::Cancelled, nullptr);
            const int n = strt + blk - 1 <= stp ? blk : stp - strt + 1;
            const Bytes cmd = write_block_command(
                strt, img.subspan(static_cast<size_t>(strt), static_cast<size_t>(n)));
            pagerTouched_ = true;
            if (!exchange_block(cmd, 16, WriteAckWaitMs, MsgWriteError, reply))
                return false;
            if (reply != ack)
                return block_failed(BlockResult::BadReply, MsgWriteError);
            strt += n;
            bar.setPosition(strt);
        }
        if (!port_.close())
            throw LinkBroken{};
        return true;
    } catch (const LinkBroken&) {
        link_failure(MsgWriteError);
        return false;
    }
}

} // namespace kpr
