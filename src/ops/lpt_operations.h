#pragma once
// Write, read and verify of a whole pager image over the parallel-port board. Same
// sealing and checks as the USB operations; the bus is driven a byte at a time, the
// memory written a page (16 bytes) per write transaction.
#include "link/lpt_link.h"
#include "ops/board_operations.h"

#include <string>

namespace kpr {

// The range written one byte per transaction (around the serial number).
inline constexpr int LptSingleByteFirst = 1233;
inline constexpr int LptSingleByteLast = 1263;

// Bytes a parallel-port read must find unchanged against the editor's image.
inline constexpr int LptIdentityFirst1 = 0;
inline constexpr int LptIdentityLast1 = 3;
inline constexpr int LptIdentityFirst2 = 1008;
inline constexpr int LptIdentityLast2 = 1015;

// "This pager is not KPR35T !" as the parallel-port read words it (no PCB part).
std::string lpt_wrong_model_message(const std::string& s);

class LptBoardOperations final : public BoardOperations {
  public:
    explicit LptBoardOperations(LptLink& link) : link_(link) {}

    OpOutcome writeall(OpContext& ctx, PagerImage& img, int strt, int stp) override;
    ReadOutcome readall(OpContext& ctx, int strt, int stp) override;
    OpOutcome verify(OpContext& ctx, const PagerImage& img, int strt, int stp) override;

  private:
    // Opens a write transaction at a: polls the device byte while the memory finishes
    // its write cycle, then sends the address byte.
    bool open_write(int a);
    OpOutcome write_failed(OpContext& ctx);
    OpOutcome cancelled(OpContext& ctx);

    LptLink& link_;
};

} // namespace kpr
