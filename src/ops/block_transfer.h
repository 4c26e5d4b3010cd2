#pragma once
// The board link as the whole-image operations use it: block reads into a read buffer and
// block writes, each showing its own failure message. The USB link implements it; tests
// may use the real link over a fake port or a plain in-memory pager.
#include <atomic>
#include <cstdint>
#include <span>

namespace kpr {

class PagerImage;

// Set from any thread to stop a transfer between blocks. A cancelled transfer is a failed
// one: the port is closed and nothing is reported as success.
class CancelToken {
  public:
    void cancel() { flag_.store(true); }
    void reset() { flag_.store(false); }
    bool cancelled() const { return flag_.load(); }

  private:
    std::atomic<bool> flag_{false};
};

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
    // Stops a transfer in progress at its next wait or block (any thread); it stays
    // requested until cleared.
    virtual void requestCancel() = 0;
    virtual void clearCancel() = 0;
};

} // namespace kpr
