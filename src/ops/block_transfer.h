#pragma once
// The board link as the whole-image operations use it: block reads into a read buffer and
// block writes, each showing its own failure message. The USB link implements it; tests
// may use the real link over a fake port or a plain in-memory pager.
#include "common/cancel_token.h"

#include <cstdint>
#include <span>

namespace kpr {

class PagerImage;

class BlockTransfer {
  public:
    virtual ~BlockTransfer() = default;
    // Reads pager addresses strt..stp in blocks of blk bytes; the buffer is sized 0..stp
    // (and zeroed) before the first block. False on failure (message shown).
    virtual bool readblk(int strt, int stp, int blk) = 0;
    // The data of the last read, indexed by pager address.
    virtual std::span<const uint8_t> readBuffer() const = 0;
    // Writes bytes strt..stp of img in blocks of blk bytes. False on failure (message
    // shown).
    virtual bool writeblk(std::span<const uint8_t> img, int strt, int stp, int blk) = 0;
    // True when the last failure was a cancellation, not a link fault.
    virtual bool lastCancelled() const = 0;
    // True when the last writeblk sent the pager at least one block (so a failed or
    // cancelled write has left it holding part of the new image).
    virtual bool lastWriteTouchedPager() const = 0;
    // The transfer stops at its next wait or block once `token` is cancelled: the operations'
    // own token, so one request stops both.
    virtual void shareCancelToken(CancelToken& token) = 0;
};

} // namespace kpr
