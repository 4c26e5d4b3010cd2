#pragma once
// A station started from the editor window: its counter starts at the window's capcodes and
// auto-increase boxes, every position writes the window's image, and when the station has
// ended the window shows the next free capcodes.
#include "image/pager_image.h"
#include "station/capcode_counter.h"

#include <functional>
#include <memory>

namespace kpr {

class Editor;

// A counter from the editor's two capcode entries; inc1/inc2, pagers and ledger as the
// counter takes them (the ledger may be null).
std::unique_ptr<CapcodeCounter> counter_from_editor(Editor& editor, bool inc1, bool inc2,
                                                    int pagers, PagerLedger* ledger);
// Loads a copy of `image` into a position's editor, as a read of that pager would.
std::function<bool(Editor&)> load_image_into(const PagerImage& image);
void show_next_capcodes(Editor& editor, const CapcodeCounter& counter);

} // namespace kpr
