#pragma once
// Every editor control that is bound to one bit field of the image through a descriptor,
// and the map of what the image's regions hold (for dumps and differences).
#include "image/field_descriptor.h"

#include <string>
#include <string_view>
#include <vector>

namespace kpr {

struct BoundControl {
    std::string tag;                // descriptor text, as "&H31,3,1,chkN"
    std::string name;               // control (array) name, as "chkCtl"
    int index = -1;                 // member index; -1 for a single control (cboLogo)
    std::string caption;            // check box caption; empty for lists and chkSource
    std::vector<std::string> items; // list entries; empty for check boxes
    std::string hint;               // tool tip; empty when the control has none
    FieldDescriptor field;          // the parsed tag

    // The control-model key: "chkCtl(29)", or the bare name for a single control.
    std::string key() const;
};

// In the order of the editor window's controls as init_ctl visits them (by address).
const std::vector<BoundControl>& bound_controls();

// The bound control with that key, or nullptr.
const BoundControl* find_bound_control(std::string_view key);

struct ImageRegion {
    int first; // first address
    int last;  // last address, inclusive
    std::string name;
};

// What the program knows about each place of the image. Regions nest: a record inside a
// larger block is listed as well as the block. Sorted by first address, then larger first.
const std::vector<ImageRegion>& image_regions();

// The name of the smallest region holding addr; empty when the address is in no region.
std::string region_name(int addr);

// The names of every innermost region that overlaps [first, last], in address order,
// without repeats; empty when the range touches no region.
std::vector<std::string> region_names(int first, int last);

} // namespace kpr
