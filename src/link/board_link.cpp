#include "link/board_link.h"

namespace kpr {

StatusLine status_line(BoardState state) {
    if (state == BoardState::Connected)
        return {"  The Programmed Board Connect !", 0x000000, true};
    return {"  The Programmed Board Disconnect !", 0x0000FF, false};
}

} // namespace kpr
