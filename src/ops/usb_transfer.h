#pragma once
// The USB board link seen as a BlockTransfer.
#include "common/progress.h"
#include "link/usb_link.h"
#include "ops/block_transfer.h"

namespace kpr {

class UsbBlockTransfer final : public BlockTransfer {
  public:
    UsbBlockTransfer(UsbLink& link, ProgressSink& progress) : link_(link), progress_(progress) {}

    bool readblk(int strt, int stp, int blk) override {
        return link_.usb_readblk(strt, stp, blk, &progress_);
    }
    std::span<const uint8_t> readBuffer() const override { return link_.ReadBuffer; }
    bool writeblk(std::span<const uint8_t> img, int strt, int stp, int blk) override {
        return link_.usb_writeblk(img, strt, stp, blk, &progress_);
    }
    bool lastCancelled() const override { return link_.last_result() == BlockResult::Cancelled; }
    bool lastWriteTouchedPager() const override { return link_.last_write_touched_pager(); }
    void shareCancelToken(CancelToken& token) override { link_.useCancelToken(token); }

  private:
    UsbLink& link_;
    ProgressSink& progress_;
};

} // namespace kpr
