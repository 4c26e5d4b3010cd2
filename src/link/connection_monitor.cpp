#include "link/connection_monitor.h"

namespace kpr {

std::optional<BoardState> ConnectionMonitor::tick() {
    // The timer stays off for the whole tick: a silent connect may take seconds.
    ui_.setMonitorEnabled(false);
    const std::optional<BoardState> state = link_->monitor_tick();
    if (state)
        ui_.showBoardState(*state);
    ui_.setMonitorEnabled(true);
    return state;
}

} // namespace kpr
