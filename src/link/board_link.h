#pragma once
// What a program asks of a programmer board whatever its kind: find it, keep an eye on it
// once a second, and give it back at the end. The block transfers differ too much between the
// kinds to share a shape here; the operations reach them through BoardOperations.
#include "common/operator_texts.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kpr {

// The board kinds, as BoardLink::kind names them.
inline constexpr const char* LinkKindUsb = "USB";
inline constexpr const char* LinkKindLpt = "LPT";

// What the main window shows about the board: status line and Pager menu.
enum class BoardState { Connected, Disconnected };

struct StatusLine {
    std::string caption;
    uint32_t colour; // COLORREF: 0 black, 0xFF red
    bool pagerMenuEnabled;
};
StatusLine status_line(BoardState state);

// What a link asks of the main window. Default: nothing.
class LinkUi {
  public:
    virtual ~LinkUi() = default;
    // The connection monitor's 1000 ms timer.
    virtual void setMonitorEnabled(bool) {}
    // Status line caption/colour and the Pager menu's availability.
    virtual void showBoardState(BoardState) {}
};

class BoardLink {
  public:
    virtual ~BoardLink() = default;
    // "USB" or "LPT", as the splash and the About box name the link.
    virtual std::string kind() const = 0;
    // Looks for the board. Interactive is start-up's search: a missing board is reported.
    virtual bool connect(bool interactive) = 0;
    // The connection monitor's once-a-second work: the state to show, or nothing when the
    // display is to be left alone.
    virtual std::optional<BoardState> monitor_tick() = 0;
    // Shut-down: gives a known board back. False when it did not answer (reported).
    virtual bool release() = 0;
};

} // namespace kpr
