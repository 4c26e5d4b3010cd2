#pragma once
// The one stop request of a board: set from any thread (the window's Close, Ctrl-C, the
// station's Stop), looked at by the operations between blocks and by the link while it
// waits. A cancelled transfer is a failed one: the port is closed and nothing is reported
// as success.
#include <atomic>

namespace kpr {

class CancelToken {
  public:
    void cancel() { flag_.store(true); }
    void reset() { flag_.store(false); }
    bool cancelled() const { return flag_.load(); }

  private:
    std::atomic<bool> flag_{false};
};

} // namespace kpr
