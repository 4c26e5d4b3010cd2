#pragma once
// The state of every control of the editor's windows, keyed by control name ("chkCtl(29)",
// "cboDft", "txtPrompt(14)", "lblPLLN"). The editor writes it; the GUI and kprtool only
// render it and forward events. Nothing here knows about widgets.
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kpr {

// "name(index)" - the key of a member of a control array.
inline std::string ctl(const std::string& name, int index) {
    return name + "(" + std::to_string(index) + ")";
}

struct ControlState {
    int value = 0;                  // check state (0/1), list position (-1 none), slider value,
                                    // option button selected (0/1)
    std::string text;               // entry text, label or button caption
    std::vector<std::string> items; // list entries
    std::string hint;               // tool tip
    std::string tag;                // field descriptor text, when the control is bound
    bool enabled = true;
    bool visible = true;
    bool bold = false;
    int maxLength = 0;                // entries: the typing limit, 0 = none (see entry_accepts)
    int widthInBlanks = 0;            // entries sized as wide as this many blanks of their font;
                                      // 0 = the layout's own width
    uint32_t foreColour = 0;          // COLORREF (0x00BBGGRR); 0 = black
    uint32_t backColour = 0xFFFFFFFF; // 0xFFFFFFFF = the widget's default
};

// Whether an entry takes `text` in place of what it holds. An entry shows the whole of a
// stored text, even one longer than its typing limit; typing never makes a text longer than
// the limit, but a longer text may be kept or shortened by deleting from it.
bool entry_accepts(const ControlState& entry, const std::string& text);

class ControlModel {
  public:
    // Creates the control, or returns it when it exists. Only for filling the model: the
    // controls are created once, when the editor is built.
    ControlState& add(const std::string& name) { return controls_[name]; }
    // The control of that name; a name the model does not hold is a fault in the caller
    // (std::out_of_range naming it), never a new control.
    ControlState& operator[](const std::string& name) { return at(name); }
    ControlState& at(const std::string& name) {
        return const_cast<ControlState&>(std::as_const(*this).at(name));
    }
    const ControlState& at(const std::string& name) const {
        const auto it = controls_.find(name);
        if (it == controls_.end())
            throw std::out_of_range("no control named \"" + name + "\"");
        return it->second;
    }
    bool contains(const std::string& name) const { return controls_.count(name) != 0; }
    const std::map<std::string, ControlState>& all() const { return controls_; }
    std::map<std::string, ControlState>& all() { return controls_; }

  private:
    std::map<std::string, ControlState> controls_;
};

} // namespace kpr
