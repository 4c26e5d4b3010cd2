#include "link/connection_monitor.h"

#include <algorithm>

namespace kpr {

std::optional<BoardState> ConnectionMonitor::tick() {
    LinkUi& ui = link_.ui();
    // The timer stays off for the whole tick: a silent connect may take seconds.
    ui.setMonitorEnabled(false);
    if (link_.LinkKind != LinkKindUsb) {
        if (lpt_tick)
            lpt_tick();
        ui.setMonitorEnabled(true);
        return std::nullopt;
    }
    const std::vector<std::string> list = link_.take_port_list();
    const int n = static_cast<int>(list.size());
    bool found;
    if (n > link_.KnownPortCount && link_.no_board()) {
        found = link_.board_connect(); // ConnectInteractive is clear: silent
    } else {
        found = std::find(list.begin(), list.end(), link_.BoardPort) != list.end();
    }
    const BoardState state = found ? BoardState::Connected : BoardState::Disconnected;
    if (!found)
        link_.BoardPort = NoBoardPort;
    ui.showBoardState(state);
    link_.KnownPortCount = n;
    ui.setMonitorEnabled(true);
    return state;
}

} // namespace kpr
