#pragma once
// The programmer board with a pager in it, as a pure state machine: bytes from the host go
// in, reply frames come out with the time the board works before answering. No I/O, no
// clock: the pty front end and the test fakes supply those.
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/image_addresses.h"
#include "image/pager_image.h"

namespace kpr {

// Faults the simulated board can be told to show.
struct SimFaults {
    bool silent = false;       // never answers anything
    bool noise = false;        // stray bytes before every reply's start mark
    bool badChecksum = false;  // block-read replies carry a wrong checksum
    int dropAfter = -1;        // hang up after this many frames (-1: never)
    bool noAck = false;        // block writes are neither stored nor acknowledged
    bool writeProtect = false; // block writes are acknowledged but not stored
    bool wrongModel = false;   // the model text reads as another pager's
    bool blank = false;        // an erased pager: all &HFF
};

// Parses one fault kind ("silent", "drop-after=3", ...) into faults. False when unknown.
bool parse_sim_fault(const std::string& kind, SimFaults& faults);

// 9600 bit/s, 8N1: ten bits a byte.
inline constexpr double SimByteTimeMs = 10.0 / 9.6;
// The pager memory writes in 16-byte pages, each taking this long.
inline constexpr int SimMemoryPageSize = 16;
inline constexpr double SimWriteCycleMs = 5.0;
// A pause on the line this long ends any frame begun before it; far longer than the gap
// between two bytes of one frame, far shorter than the host's wait for a reply.
inline constexpr int SimQuietGapMs = 100;

inline constexpr int SimDefaultFirmware = 52;
inline constexpr const char* SimDefaultSerial = "KS2026000001";
// What a wrong-model pager has at 993..1006.
inline constexpr const char* SimWrongModelText = "KPR220103V4.10";

struct SimReply {
    std::vector<uint8_t> bytes;
    double busyMs = 0; // the board's own work before the first byte goes out
};

// The board's line at 9600 baud: when each byte of its replies is due, in milliseconds on
// whatever clock the caller reads. A command takes its time on the line before the board has
// it; a reply follows the board's work (busyMs), a byte every SimByteTimeMs, and one thing
// at a time is on the line.
class SimWire {
  public:
    // The host's `n` bytes, sent at `nowMs`.
    void received(double nowMs, std::size_t n) {
        free_ = std::max(free_, nowMs) + static_cast<double>(n) * SimByteTimeMs;
    }
    // Calls due(byte, ms) for each byte of the reply, in order.
    template <class Due> void send(const SimReply& reply, Due&& due) {
        double t = free_ + reply.busyMs;
        for (uint8_t b : reply.bytes) {
            t += SimByteTimeMs;
            due(b, t);
        }
        free_ = t;
    }
    // When the line has carried everything received and sent so far.
    double freeMs() const { return free_; }

  private:
    double free_ = 0;
};

class BoardSim {
  public:
    using Memory = PagerImage::Bytes;

    explicit BoardSim(const Memory& memory, SimFaults faults = {});

    // Bytes from the host. Returns the replies to every command these bytes complete.
    std::vector<SimReply> feed(std::span<const uint8_t> bytes);

    // The line has been quiet for SimQuietGapMs: a frame begun before it is dropped, so one
    // damaged or cut-off command does not swallow the commands after it.
    void line_quiet() { in_.clear(); }
    // Bytes of a frame begun and not yet complete.
    bool partialFrame() const { return !in_.empty(); }

    // After drop-after=N frames the board has hung up: it takes and answers nothing
    // (drop-after=0: hung up before the first reply).
    bool hungUp() const { return hungUp_; }
    const Memory& memory() const { return memory_; }
    int framesServed() const { return frames_; }
    int writesAccepted() const { return writes_; }
    // Last mode set: 's' (programming) or 'r' (released); 0 before any.
    char mode() const { return mode_; }
    int modeValue() const { return modeValue_; }

    // Called after every block write stored in memory.
    std::function<void()> onWriteAccepted;

    // A station socket: once a pager has been written and read back to its last byte it is
    // finished (onFinished gets its memory); the next probe, mode set 's' or firmware-byte
    // read then finds a fresh pager, the memory freshPager() returns.
    void setSwap(std::function<Memory()> freshPager, std::function<void(const Memory&)> onFinished);
    // Pagers finished in this socket so far.
    int pagersFinished() const { return finished_; }

  private:
    std::optional<SimReply> serve(const std::vector<uint8_t>& frame);
    void add_noise(SimReply& reply) const;
    uint8_t read_byte(int address) const;
    void swap_if_due(const std::vector<uint8_t>& frame);

    Memory memory_;
    SimFaults faults_;
    std::vector<uint8_t> in_;
    bool hungUp_ = false;
    int frames_ = 0;
    int writes_ = 0;
    char mode_ = 0;
    int modeValue_ = 0;
    std::function<Memory()> freshPager_;
    std::function<void(const Memory&)> onFinished_;
    bool written_ = false; // the pager in the socket took a write block
    bool done_ = false;    // ... and was read back to its last byte since
    int finished_ = 0;
};

// The serial number after `serial`: its last run of digits counted up by one, carrying
// ("KS2026000009" -> "KS2026000010"); a serial without digits gets none added.
std::string next_sim_serial(const std::string& serial);

// Stores the serial number (12 characters) and its checksum at 1238..1251, sets byte 992
// and seals the image checksum at 2046/2047, as a write by the programmer leaves a pager.
void seal_sim_memory(BoardSim::Memory& memory, const std::string& serial);

// The default pager: the default image in pager character codes, firmware byte, a valid
// serial number and both checksums.
BoardSim::Memory default_sim_memory(int firmware = SimDefaultFirmware,
                                    const std::string& serial = SimDefaultSerial);
// A pager holding `image` (PC codes) as a write by the programmer leaves it.
BoardSim::Memory sim_memory_of(PagerImage image, int firmware = SimDefaultFirmware,
                               const std::string& serial = SimDefaultSerial);

} // namespace kpr
