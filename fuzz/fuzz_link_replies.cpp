// The host side of the board protocol on replies chosen by the fuzzer: UsbLink (probe, mode
// set, block reads and writes) with the whole-image operations and the editor on top, over a
// fake serial port on a fake clock (time-outs cost no real time).
//
// Input: one byte choosing the operations, then one script entry per command the host
// sends. An entry's first byte k: bits 2-7 delay the answer by 50 ms steps (47 and up are
// past every time-out); bits 0-1 choose what comes back:
//   0  raw bytes: a length byte, then that many bytes as they are;
//   1  the right reply to the command, carrying data from the input for a block read;
//   2  the right reply with one byte changed (position, xor mask from the input);
//   3  the line hangs up.
// When the input runs out the board stays silent. Whatever comes: no crash, no exception,
// no hang, the board's port is either kept or forgotten, and a read that is not accepted
// leaves the editor's image as it was.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "image/image_addresses.h"
#include "link/frame.h"
#include "link/usb_link.h"
#include "ops/board_session.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

const std::string Port = "/dev/ttyFUZZ0";

// The board playing the script: its bytes in order, 0xFF once they run out.
class ScriptedBoard final : public kpr::test::PortPeer {
  public:
    ScriptedBoard(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
    bool empty() const { return i_ >= n_; }

    void onBytes(kpr::test::FakeLine& line, std::span<const std::uint8_t> bytes) override {
        if (empty())
            return;
        const std::uint8_t k = next();
        const std::int64_t at = line.nowMs() + 1 + (k >> 2) * 50;
        std::vector<std::uint8_t> reply;
        switch (k & 3) {
        case 0:
            reply = take(next());
            break;
        case 1:
            reply = proper_reply(bytes);
            break;
        case 2:
            reply = proper_reply(bytes);
            if (!reply.empty()) {
                const std::size_t pos = next() % reply.size();
                reply[pos] ^= static_cast<std::uint8_t>(next() | 1);
            }
            break;
        default:
            line.hangUp(at);
            return;
        }
        line.deliver(at, reply);
    }

  private:
    std::uint8_t next() { return i_ < n_ ? d_[i_++] : 0xFF; }
    std::vector<std::uint8_t> take(std::size_t n) {
        std::vector<std::uint8_t> v;
        for (std::size_t k = 0; k < n; ++k)
            v.push_back(next());
        return v;
    }
    // The right answer of a board to one command of the host.
    std::vector<std::uint8_t> proper_reply(std::span<const std::uint8_t> cmd) {
        if (cmd.size() < 13)
            return {};
        const std::uint8_t target = cmd[10], command = cmd[11];
        if (target == kpr::TargetBoard && command == kpr::CommandRead)
            return kpr::probe_reply(next(), next());
        if (target == kpr::TargetBoard && command == kpr::CommandSet)
            return kpr::command_templates().InitAck;
        if (target == kpr::TargetPager && command == kpr::CommandSet)
            return kpr::command_templates().WriteAck;
        if (target == kpr::TargetPager && command == kpr::CommandRead && cmd.size() >= 16)
            return kpr::read_block_reply(take(cmd[15]));
        return {};
    }

    const std::uint8_t* d_;
    std::size_t n_;
    std::size_t i_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 32768)
        return 0;
    const std::uint8_t ops = data[0];

    kpr::test::FakeClock clock;
    kpr::test::FakeSerialPort port(clock);
    ScriptedBoard script(data + 1, size - 1);
    port.attach(Port, &script);
    kpr::test::FakePortLister lister{{Port}};
    kpr::test::RecordedMessages messages;
    kpr::Editor editor(messages);
    kpr::EditorAdapter hooks(editor);
    kpr::NullProgress progress;
    kpr::BoardSession session({port, lister, clock}, hooks, messages, progress);
    kpr::UsbLink& link = session.usb();
    kpr::Operations& operations = session.operations();

    editor.startup_finish({}, false);
    editor.flags().ScanIdle = (ops & 0x40) == 0;
    editor.user_change("WriteOpt", 1);

    link.ConnectInteractive = ops & 0x80;
    link.usb_connect();
    link.ConnectInteractive = false;
    if (link.BoardPort != Port && link.BoardPort != kpr::NoBoardPort)
        std::abort();
    if (link.no_board())
        link.BoardPort = Port; // go on as with a board found earlier

    for (int round = 0; round < 3 && !script.empty(); ++round) {
        const kpr::PagerImage before = editor.image();
        switch ((ops >> (2 * round)) & 3) {
        case 0: {
            const kpr::ReadOutcome r = operations.tbl_readall(0, kpr::ImageUpperBound);
            if (r != kpr::ReadOutcome::Accepted && editor.image() != before)
                std::abort();
            break;
        }
        case 1:
            operations.write_and_verify();
            break;
        case 2:
            operations.verify_editor_image();
            break;
        default:
            if (!operations.check_firmware() && link.ReadBuffer.size() != kpr::AddrFirmware + 1u)
                std::abort();
            break;
        }
        if (link.board_known() ? link.BoardPort != Port : !link.no_board())
            std::abort();
        if (port.isOpen()) // every operation closes the port when it ends
            std::abort();
        if (link.no_board())
            link.BoardPort = Port;
    }
    link.release();
    return 0;
}
