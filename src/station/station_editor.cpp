#include "station/station_editor.h"

#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "ops/operations.h"

#include <string>

namespace kpr {

std::unique_ptr<CapcodeCounter> counter_from_editor(Editor& editor, bool inc1, bool inc2,
                                                    int pagers, PagerLedger* ledger) {
    EditorAdapter hooks(editor);
    return std::make_unique<CapcodeCounter>(capcode_value(hooks.capcode_text(0)),
                                            capcode_value(hooks.capcode_text(1)), inc1, inc2,
                                            pagers, ledger);
}

std::function<bool(Editor&)> load_image_into(const PagerImage& image) {
    return [image](Editor& e) {
        e.load_image(image);
        return true;
    };
}

void show_next_capcodes(Editor& editor, const CapcodeCounter& counter) {
    EditorAdapter hooks(editor);
    const CapcodeReservation next = counter.next();
    bool changed = false;
    for (int i = 0; i < 2; ++i)
        if (capcode_value(hooks.capcode_text(i)) != next.capcode[i]) {
            hooks.store_capcode_text(i, std::to_string(next.capcode[i]));
            changed = true;
        }
    if (changed)
        hooks.read_capcode();
}

} // namespace kpr
