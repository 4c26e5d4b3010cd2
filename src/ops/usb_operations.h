#pragma once
// Write, read and verify of a whole pager image over the USB board: 128-byte blocks through
// a BlockTransfer, the pager's firmware byte and serial number merged and the image sealed
// before a write, the model text and checksums checked after a read.
#include "ops/block_transfer.h"
#include "ops/board_operations.h"

namespace kpr {

class UsbBoardOperations final : public BoardOperations {
  public:
    explicit UsbBoardOperations(BlockTransfer& usb) : usb_(usb) {}

    OpOutcome writeall(OpContext& ctx, PagerImage& img, int strt, int stp) override;
    ReadOutcome readall(OpContext& ctx, int strt, int stp) override;
    OpOutcome verify(OpContext& ctx, const PagerImage& img, int strt, int stp) override;

    // A block read that also honours the cancel token before it starts.
    bool read_blocks(OpContext& ctx, int strt, int stp);
    BlockTransfer& transfer() { return usb_; }

  private:
    BlockTransfer& usb_;
};

} // namespace kpr
