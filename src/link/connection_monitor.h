#pragma once
// The connection monitor's once-a-second logic: follow the serial-port list, reconnect
// silently when the list grows while no board is known, and say what to show.
#include <functional>
#include <optional>

#include "link/usb_link.h"

namespace kpr {

class ConnectionMonitor {
  public:
    explicit ConnectionMonitor(UsbLink& link) : link_(link) {}

    // One tick. Never while a transfer runs on another thread (the tick changes BoardPort):
    // keep the timer stopped for every read, write, verify and Check Firmware. Call it from the
    // timer; it stops and restarts the timer through the link's LinkUi itself. Returns the state to
    // show, or nothing when the display is to be left alone (a link other than USB). The state is
    // also passed to LinkUi::showBoardState.
    std::optional<BoardState> tick();

    // What a tick does on the parallel-port link (writes &HFE to its data register).
    std::function<void()> lpt_tick;

  private:
    UsbLink& link_;
};

} // namespace kpr
