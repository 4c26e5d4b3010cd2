#include "editor/editor_adapter.h"

#include "text/charset.h"

namespace kpr {

void EditorAdapter::commit_frequency() {
    editor_.route("txtFreq", ControlEvent::LostFocus);
}

std::string EditorAdapter::capcode_text(int index) {
    return editor_.controls()[ctl("txtAddr", index)].text;
}

void EditorAdapter::store_capcode_text(int index, const std::string& text) {
    editor_.controls()[ctl("txtAddr", index)].text = text;
    editor_.route(ctl("txtAddr", index), ControlEvent::KeyUp);
}

void EditorAdapter::text_to_pager() {
    kpr::text_to_pager(editor_.image());
}

void EditorAdapter::text_from_pager() {
    kpr::text_from_pager(editor_.image());
}

} // namespace kpr
