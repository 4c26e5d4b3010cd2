#pragma once
// The connection monitor's once-a-second tick: the board link in use does its part and says
// what to show; the monitor holds its timer meanwhile and shows it.
#include <optional>

#include "link/board_link.h"

namespace kpr {

class ConnectionMonitor {
  public:
    ConnectionMonitor(BoardLink& link, LinkUi& ui) : link_(&link), ui_(ui) {}

    // The board the program uses from now on.
    void setLink(BoardLink& link) { link_ = &link; }

    // One tick. Never while a transfer runs on another thread (a tick may connect): keep the
    // timer stopped for every read, write, verify and Check Firmware. Call it from the timer;
    // it stops and restarts the timer through the LinkUi itself. Returns the state shown, or
    // nothing when the display is left alone.
    std::optional<BoardState> tick();

  private:
    BoardLink* link_;
    LinkUi& ui_;
};

} // namespace kpr
