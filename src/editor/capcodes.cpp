// The eight capcode entries txtAddr(0..7).
#include "editor/editor.h"
#include "editor/editor_internal.h"
#include "settings/capcode.h"
#include "settings/numeric_text.h"

namespace kpr {

bool Editor::txtAddr_GotFocus(int index, int) {
    EditorNotify n(*this);
    if (index >= 0 && index < CapcodeSlots)
        st_.controls[ctl("txtAddr", index)].text.clear();
    return true;
}

bool Editor::txtAddr_KeyPress(int index, int keyAscii) {
    EditorNotify n(*this);
    (void)index;
    if (keyAscii != 13)
        return false;
    st_.focusRequest = "picTabBack";
    return true;
}

// Stores on every key release, so each prefix of a typed number is stored while typing.
bool Editor::txtAddr_KeyUp(int index, int) {
    EditorNotify n(*this);
    if (index < 0 || index >= CapcodeSlots)
        return false;
    const std::string key = ctl("txtAddr", index);
    const std::string text = st_.controls[key].text;
    if (text.empty())
        return true;
    const auto v = parse_numeric(text);
    if (!v) {
        st_.messages->message(MsgNumeric, MessageIcon::Warning);
        read_capcode();
        st_.focusRequest = key;
        return false;
    }
    if (*v < 0 || *v > CapcodeMax) {
        st_.messages->message(MsgCapcodeRange, MessageIcon::Warning);
        read_capcode();
        st_.focusRequest = key;
        return false;
    }
    store_capcode(st_.image, index, static_cast<int32_t>(round_half_even(*v)));
    return true;
}

bool Editor::txtAddr_LostFocus(int index, int) {
    EditorNotify n(*this);
    (void)index;
    read_capcode();
    return true;
}

} // namespace kpr
