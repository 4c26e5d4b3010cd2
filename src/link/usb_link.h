#pragma once
// The USB programmer board: discovery among the serial ports, mode set, and block read and
// write of pager memory. Talks only to the SerialPort, PortLister and Clock interfaces.
//
// Threading: every call of one UsbLink must come from one thread at a time. Block transfers
// may run on a worker thread; the OperatorMessages and LinkUi they call must then hand the
// work to the UI thread themselves. request_cancel() may be called from any thread.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/cancel_token.h"
#include "common/operator_messages.h"
#include "common/operator_texts.h"
#include "common/port_names.h"
#include "common/progress.h"
#include "link/board_link.h"

namespace kpr {

class SerialPort;
class PortLister;
class Clock;

// Value of BoardPort when no board is known (a failed connect or a broken link).
inline const std::string NoBoardPort = "none";

// Wait limits, in milliseconds.
inline constexpr int ProbeWaitMs = 500;      // each of the two waits of probe and mode set
inline constexpr int ReadReplyWaitMs = 2300; // a whole block-read reply, from the send
inline constexpr int WriteAckWaitMs = 2000;  // a block-write acknowledgement

// How the last block transfer ended.
enum class BlockResult { Ok, TimedOut, BadReply, LinkFailure, Cancelled };

class UsbLink final : public BoardLink {
  public:
    UsbLink(SerialPort& port, PortLister& lister, Clock& clock, OperatorMessages& messages);

    void setUi(LinkUi* ui) { ui_ = ui ? ui : &noUi_; }
    LinkUi& ui() { return *ui_; }
    OperatorMessages& messages() { return messages_; }
    // Where the serial-port list comes from. By default straight from the PortLister; the
    // registry's SERIALCOMM view replaces it once the registry is in place.
    void setPortNameSource(PortNameSource source) { portList_ = std::move(source); }
    std::vector<std::string> take_port_list();

    // ----- link state -----
    // The board's port system name. Empty before the first connect, NoBoardPort ("none")
    // when no board is known.
    std::string BoardPort;
    // Number of serial ports listed the last time the list was taken.
    int KnownPortCount = 0;
    // True only while start-up runs its connect: connect then stops the monitor timer and
    // reports a missing board.
    bool ConnectInteractive = false;
    // Filled by usb_readblk; index = pager address; resized to 0..stp on every read.
    std::vector<uint8_t> ReadBuffer;

    // A board's port is remembered (before the first connect, or with no board: false).
    bool board_known() const { return !BoardPort.empty() && BoardPort != NoBoardPort; }
    // The last connect found nothing or a link failure forgot the board.
    bool no_board() const { return BoardPort == NoBoardPort; }

    // ----- the board link -----
    std::string kind() const override { return LinkKindUsb; }
    // usb_connect with ConnectInteractive set for its duration when interactive (the monitor
    // timer stopped meanwhile, a missing board reported), then cleared.
    bool connect(bool interactive) override;
    // Follows the serial-port list: reconnects silently when it grows while no board is
    // known, forgets the board when its port is gone.
    std::optional<BoardState> monitor_tick() override;
    // The "r" mode set of a known board.
    bool release() override;

    // ----- operations -----
    bool usb_open(const std::string& port);
    bool usb_connect();
    // True when the board acknowledged the mode set (otherwise the message was shown).
    bool usb_init(int value, bool release);
    // Reads strt..stp in blocks of blk into ReadBuffer. Whole-image reads (strt 0) move
    // progress's position; nothing else of progress is touched.
    bool usb_readblk(int strt, int stp, int blk, ProgressSink* progress = nullptr);
    // Writes img[strt..stp] in blocks of blk; sets progress's maximum (stp - 16), position,
    // colour and status text.
    bool usb_writeblk(std::span<const uint8_t> img, int strt, int stp, int blk,
                      ProgressSink* progress = nullptr);

    // Whether the board answers the probe on this one port. Changes no link state and sets
    // no mode (kprtool ports uses it to mark the board's port).
    bool probe_port(const std::string& name);

    // The last mode set was acknowledged (a connect that found a board can still have shown
    // "Programmer Initial Error !").
    bool last_init_ok() const { return lastInitOk_; }
    // Cancelling: a transfer in progress stops once the reply it awaits is in (or has run out
    // its own limit), closes the port and fails (BlockResult::Cancelled, no message). The flag
    // stays set until cleared, so an operation made of several block transfers stops as a whole;
    // clear it before starting one.
    void request_cancel() { cancel_->cancel(); }
    void clear_cancel() { cancel_->reset(); }
    bool cancel_requested() const { return cancel_->cancelled(); }
    // The link answers to `token` from now on (the operations' own) instead of its own.
    void useCancelToken(CancelToken& token) { cancel_ = &token; }

    BlockResult last_result() const { return lastResult_; }
    // The last usb_writeblk sent at least one block: the pager no longer holds what it did.
    bool last_write_touched_pager() const { return pagerTouched_; }

  private:
    enum class Wait { Ok, TimedOut, Failed };
    bool probe_open_port();
    Wait wait_start_mark(int limitMs);
    Wait wait_bytes(int need, int limitMs);
    void link_failure(const char* message);
    bool block_failed(BlockResult why, const char* message);
    // Opens the board's port for a block transfer and empties it; false when a cancel came
    // first. A port fault throws.
    bool start_transfer();
    // Sends one block command and reads its fixed-length reply. False (already reported) when
    // the reply did not come in time or the operator cancelled; a port fault throws.
    bool exchange_block(const std::vector<uint8_t>& cmd, int replyLen, int waitMs,
                        const char* timeoutMessage, std::vector<uint8_t>& reply);

    SerialPort& port_;
    Clock& clock_;
    OperatorMessages& messages_;
    PortNameSource portList_;
    LinkUi noUi_;
    LinkUi* ui_ = &noUi_;
    CancelToken ownCancel_;
    CancelToken* cancel_ = &ownCancel_;
    BlockResult lastResult_ = BlockResult::Ok;
    bool pagerTouched_ = false;
    bool lastInitOk_ = true;
};

// "Version = " and the firmware byte in tenths, one decimal, no leading zero below 1.
std::string firmware_version_text(int versionByte);

} // namespace kpr
