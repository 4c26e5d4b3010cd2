#pragma once
// The board's wire frame: a 10-byte signature, target, command, parameter count L, the L
// parameters, and a 16-bit sum (high byte first) of the bytes from the target through the
// last parameter. A frame is L + 15 bytes long; replies use the same layout.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kpr {

using Bytes = std::vector<uint8_t>;

inline constexpr std::array<uint8_t, 10> FrameSignature = {'V', 'a', 'r', 'd', 'Q',
                                                           'u', 'i', 'n', 't', 'a'};
// The signature's first letter marks the start of a reply.
inline constexpr uint8_t StartMark = 0x56;
inline constexpr int FrameOverhead = 15; // signature, target, command, L, checksum

inline constexpr uint8_t TargetPager = '3'; // commands on the pager's memory
inline constexpr uint8_t TargetBoard = '5'; // commands on the board itself
inline constexpr uint8_t CommandRead = 'R';
inline constexpr uint8_t CommandSet = 'S';

inline constexpr uint8_t ModeSet = 's';     // mode letter: programming mode
inline constexpr uint8_t ModeRelease = 'r'; // mode letter: release the board

// Sum of bytes[from..to] (inclusive), kept to 16 bits.
uint16_t frame_sum(std::span<const uint8_t> bytes, int from, int to);

// A complete frame with its checksum.
Bytes make_frame(uint8_t target, uint8_t command, std::span<const uint8_t> params);

// Fills the last two bytes of a frame with the sum of bytes 10..size-3.
void seal_frame(std::span<uint8_t> frame);

// True when a received frame of total length T (at least 15) carries, in bytes T-2 (high)
// and T-1 (low), the sum of bytes 10..T-3. Nothing else of the frame is looked at.
bool frame_checksum_ok(std::span<const uint8_t> frame);

// The seven byte sequences built once before anything talks to the board.
struct CommandTemplates {
    Bytes ReadBlockPrefix;  // 13 bytes: signature "3" "R" 3
    Bytes WriteBlockPrefix; // 12 bytes: signature "3" "S"
    Bytes WriteAck;         // 16 bytes: the whole reply acknowledging a block write
    Bytes ProbeCommand;     // 18 bytes: the whole probe sent to every candidate port
    Bytes ProbeReplyPrefix; // 13 bytes the probe reply must begin with
    Bytes InitPrefix;       // 14 bytes: the mode-set command before its value byte
    Bytes InitAck;          // 16 bytes: the whole reply acknowledging a mode set
};

const CommandTemplates& command_templates();

// Block read of n bytes (1..255) from a 16-bit pager address: 18 bytes.
Bytes read_block_command(int address, int n);
// Block write of data (1..253 bytes) at a 16-bit pager address: data.size() + 17 bytes.
Bytes write_block_command(int address, std::span<const uint8_t> data);
// Mode set: "s" with value, or "r" with 0 when releasing: 17 bytes.
Bytes init_command(int value, bool release);

// Reply frames as the board builds them (used by the simulated board and tests).
Bytes probe_reply(uint8_t p1, uint8_t p2);
Bytes read_block_reply(std::span<const uint8_t> data);

} // namespace kpr
