#include "editor/editor_adapter.h"

#include "text/charset.h"

namespace kpr {

void EditorAdapter::commit_frequency() {
    editor_.txtFreq_LostFocus();
}

std::optional<int> EditorAdapter::current_band() {
    int b = editor_.band();
    if (b < 0)
        return std::nullopt;
    return b;
}

void EditorAdapter::select_band(int band) {
    // Only the list position: the band handler would recompute the image's synthesiser
    // words, which a freshly loaded image must keep.
    editor_.controls()["cboDft"].value = band;
}

std::string EditorAdapter::capcode_text(int index) {
    return editor_.controls()[ctl("txtAddr", index)].text;
}

void EditorAdapter::store_capcode_text(int index, const std::string& text) {
    editor_.controls()[ctl("txtAddr", index)].text = text;
    editor_.txtAddr_KeyUp(index);
}

void EditorAdapter::text_to_pager() {
    kpr::text_to_pager(editor_.image());
}

void EditorAdapter::text_from_pager() {
    kpr::text_from_pager(editor_.image());
}

} // namespace kpr
