// Creates every control of the editor's windows with its captions, list entries, hints,
// descriptors and limits. The settings areas add their own controls.
#include "editor/editor.h"
#include "editor/settings_controls.h"
#include "image/bound_controls.h"
#include "settings/frequency.h"
#include "settings/latin1_text.h"

#include <algorithm>

namespace kpr {

namespace {

void set_caption(ControlModel& m, const std::string& name, const std::string& text,
                 const std::string& hint = {}) {
    ControlState& c = m.add(name);
    c.text = text;
    if (!hint.empty())
        c.hint = hint;
}

void list(ControlModel& m, const std::string& name, std::vector<std::string> items,
          int position = -1) {
    ControlState& c = m.add(name);
    c.items = std::move(items);
    c.value = position;
}

} // namespace

bool entry_accepts(const ControlState& entry, const std::string& text) {
    if (entry.maxLength <= 0 || utf8_length(text) <= static_cast<std::size_t>(entry.maxLength))
        return true;
    // Too long to type: taken only when it is the held text with one stretch deleted.
    const std::string& held = entry.text;
    if (text.size() > held.size())
        return false;
    const auto head = std::mismatch(text.begin(), text.end(), held.begin()).first - text.begin();
    const auto tail =
        std::mismatch(text.rbegin(), text.rend(), held.rbegin()).first - text.rbegin();
    return static_cast<std::size_t>(head + tail) >= text.size();
}

void Editor::populate_controls() {
    ControlModel& m = st_.controls;

    set_caption(m, "Form1", WindowTitleDesign);
    set_caption(m, "lblMsg", "Message:");

    for (const BoundControl& b : bound_controls()) {
        ControlState& c = m.add(b.key());
        c.tag = b.tag;
        c.text = b.caption;
        c.items = b.items;
        c.hint = b.hint;
        c.value = b.items.empty() ? 0 : -1;
    }

    static const char* const menu[7] = {"Zoom In/Out Off", "Set Scroll Off", "Set Time Off",
                                        "Set Alarm Off",   "Auto Sleep Off", "Pager Off Disable",
                                        "Set Alert Off"};
    for (int i = 0; i < 7; ++i)
        set_caption(m, ctl("chkMenu", i), menu[i]);
    set_caption(m, "fraMenu", "Menu Of Pager");

    list(m, "cboSLC",
         {"Disable", "30 seconds", "60 seconds", "120 seconds", "175 seconds", "240 seconds"});
    set_caption(m, "lblSLC", "Sequential Lockout");
    list(m, "cboORC", {"Disable", "1 min", "2 min", "5 min", "10 min"});
    set_caption(m, "lblORC", "Out-of Service");
    m.add("Slider1").value = 4; // range 1-8
    set_caption(m, "lblContrast", "Screen Contrast");
    set_caption(m, "lblContrastValue", "4");

    // Capcodes.
    set_caption(m, "fraCapcode", "Capcode( Decimal Address )");
    for (int i = 0; i < 8; ++i) {
        ControlState& t = m.add(ctl("txtAddr", i));
        t.maxLength = 7;
        set_caption(m, ctl("lblCap", i), "Cap #" + std::to_string(i + 1));
    }

    // Frequency.
    set_caption(m, "fraFrequency", "Frequency");
    m.add("txtFreq").maxLength = 7;
    set_caption(m, "lblFreq", "Freq.");
    set_caption(m, "lblFreqUnit", "00Hz");
    list(m, "cboDft", {BandEntries.begin(), BandEntries.end()});
    list(m, "cboRoHS", {SpacingEntries.begin(), SpacingEntries.end()});
    m.add("cboRoHS").visible = false;
    for (const char* name : {"lblBfreq", "lblPLLN", "lblPLLR", "lblINCD", "lblCHANNEL"})
        m.add(name).text.clear();
    set_caption(m, "lblBfreqCaption", "BFreq:");
    set_caption(m, "lblPLLNCaption", "PLL-N:");
    set_caption(m, "lblPLLRCaption", "PLL-R:");
    set_caption(m, "lblINCDCaption", "Incd:");
    set_caption(m, "lblCHANNELCaption", "Channel:");

    // Edit modes and the tab strip.
    set_caption(m, "ModifyOpt", "Modify Mode");
    m.add("ModifyOpt").value = 1;
    set_caption(m, "WriteOpt", "Write Mode");
    m.add("WriteOpt").value = 0;
    set_caption(m, "picTabBack", "");
    set_caption(m, "EMoptCode", "Freq. && Codes");
    m.add("EMoptCode").visible = false; // the active tab's button is hidden
    set_caption(m, "EMoptStatus", "Alert && Status");
    set_caption(m, "EMoptPrompts", "Prompts Edit");
    set_caption(m, "EMoptSource", "Source Prompts");
    // What shows through where the active tab's button is hidden.
    static const char* const tabLabels[4] = {"Freq. && Codes", "Alerts && Status", "Prompts Edit",
                                             "Source Prompts"};
    for (int i = 0; i < 4; ++i)
        set_caption(m, ctl("lblTab", i), tabLabels[i]);

    // Frames of the pages that hold no bound control of their own.
    set_caption(m, "fraAlert", "Message Type and Alert Length");
    set_caption(m, "fraPrompts", "Prompts");
    set_caption(m, "fraManual", "Manual Write");
    set_caption(m, "fraStatus", "Alerts and Status");

    // Auto increase.
    set_caption(m, "fraAutoInc", "Auto Increase 1 After Write");
    set_caption(m, "optAuto1", "1st Capcode Auto Increase",
                "1st capcode always increments by one after writed");
    set_caption(m, "optAuto2", "2nd Capcode Auto Increase",
                "2nd capcode always increments by one after writed");
    m.add("optAuto1").value = 0;
    m.add("optAuto2").value = 0;

    // "Load Default".
    for (int i = 0; i < 2; ++i)
        set_caption(m, ctl("optDefault", i), "Load Default", "Load Default");

    // Menus.
    set_caption(m, "mnuFile", "File");
    set_caption(m, "mnuLBFF", "Open");
    set_caption(m, "mnuSBTF", "Save");
    set_caption(m, "mnuSA", "Save As...");
    set_caption(m, "mnuExit", "Exit");
    set_caption(m, "mnuPager", "Pager");
    set_caption(m, "mnuEntire", "Read");
    set_caption(m, "mnuEB", "Write");
    set_caption(m, "mnuEB1", "Verfy");
    set_caption(m, "mnuStation", "Station...");
    set_caption(m, "mnuLog", "Programming Log...");
    set_caption(m, "mnuJobs", "Jobs...");
    set_caption(m, "mnuHelp", "Help");
    set_caption(m, "mnuAbout", "About");
    set_caption(m, "mnuFirmware", "Check Firmware");

    init_settings_controls(st_);
}

} // namespace kpr
