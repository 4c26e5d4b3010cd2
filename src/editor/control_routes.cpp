#include "editor/control_routes.h"

#include "editor/alert_lengths.h"
#include "editor/alerts.h"
#include "editor/editor.h"
#include "editor/editor_internal.h"
#include "editor/function_bits.h"
#include "editor/language.h"
#include "editor/logo.h"
#include "editor/prompts.h"

#include <algorithm>
#include <iterator>

namespace kpr {

namespace {

using H = ControlRoute::Handler;

// The editor's handlers in the table's one shape.
template <void (Editor::*F)()> bool run(Editor& e, int, int) {
    (e.*F)();
    return true;
}
template <void (Editor::*F)(int)> bool runAt(Editor& e, int i, int) {
    (e.*F)(i);
    return true;
}
template <bool (Editor::*F)()> bool ask(Editor& e, int, int) {
    return (e.*F)();
}
template <bool (Editor::*F)(int)> bool askAt(Editor& e, int i, int) {
    return (e.*F)(i);
}
template <bool (Editor::*F)(int)> bool askKey(Editor& e, int, int key) {
    return (e.*F)(key);
}
// The settings areas' handlers, which work on the editor's state.
template <void (*F)(EditorState&)> bool area(Editor& e, int, int) {
    F(e.state());
    return true;
}
template <void (*F)(EditorState&, int)> bool areaAt(Editor& e, int i, int) {
    F(e.state(), i);
    return true;
}
template <bool (*F)(EditorState&)> bool areaAsk(Editor& e, int, int) {
    return F(e.state());
}
template <bool (*F)(EditorState&, int)> bool areaAskAt(Editor& e, int i, int) {
    return F(e.state(), i);
}
template <bool (*F)(EditorState&, int)> bool areaAskKey(Editor& e, int, int key) {
    return F(e.state(), key);
}
bool promptKey(Editor& e, int i, int key) {
    return txtPrompt_KeyPress(e.state(), i, key);
}
bool addrKey(Editor& e, int i, int key) {
    return e.txtAddr_KeyPress(i, key);
}

// A control with a Click only.
constexpr ControlRoute click(const char* name, bool array, H h, bool storesValue = true,
                             const char* opens = nullptr) {
    return {name, array, storesValue, opens, {h, nullptr, nullptr, nullptr, nullptr}};
}

// An entry: got focus, key press, key up (none for the prompts), lost focus.
constexpr ControlRoute entry(const char* name, bool array, H got, H press, H up, H lost) {
    return {name, array, false, nullptr, {nullptr, got, press, up, lost}};
}

const ControlRoute Routes[] = {
    // Lists, check boxes, option buttons and the slider of the main window.
    click("cboSLC", false, run<&Editor::cboSLC_Click>),
    click("cboORC", false, run<&Editor::cboORC_Click>),
    click("cboZoom", false, run<&Editor::cboZoom_Click>),
    click("Slider1", false, run<&Editor::Slider1_Change>),
    // Space on "Write Mode" runs the Write command.
    {"WriteOpt",
     false,
     true,
     nullptr,
     {run<&Editor::WriteOpt_Click>, nullptr, askKey<&Editor::WriteOpt_KeyPress>, nullptr, nullptr}},
    click("ModifyOpt", false, run<&Editor::ModifyOpt_Click>),
    click("optAuto1", false, run<&Editor::optAuto1_Click>),
    click("optAuto2", false, run<&Editor::optAuto2_Click>),
    click("cboDft", false, run<&Editor::cboDft_Click>),
    click("cboRoHS", false, run<&Editor::cboRoHS_Click>),
    click("cboSource", false, area<cboSource_Click>),
    click("cboTone", false, area<cboTone_Click>),
    click("cboLng", false, area<cboLng_Click>),
    click("cboLogo", false, area<cboLogo_Click>),
    click("chkCtl", true, runAt<&Editor::chkCtl_Click>),
    click("cboCtl", true, runAt<&Editor::cboCtl_Click>),
    click("chkSource", true, runAt<&Editor::chkSource_Click>),
    click("chkMenu", true, runAt<&Editor::chkMenu_Click>),
    click("cboBatLev", true, areaAt<cboBatLev_Click>),
    // Buttons.
    click("optLeft", true, areaAt<optLeft_Click>, false),
    click("optCenter", true, areaAt<optCenter_Click>, false),
    click("optRight", true, areaAt<optRight_Click>, false),
    click("optDefault", true, runAt<&Editor::optDefault_Click>, false),
    click("cmdFunc", true, areaAt<cmdFunc_Click>, false, "Form5"),
    click("cmdAlert", false, area<cmdAlert_Click>, false, "Form6"),
    // The function-bit dialog.
    click("cboDisp", true, areaAt<cboDisp_Click>),
    click("cboType", true, areaAt<cboType_Click>),
    click("chkPri", true, areaAt<chkPri_Click>),
    // The alert dialog.
    click("cboPersonal", false, area<cboPersonal_Click>),
    click("cboMailAler", true, areaAt<cboMailAler_Click>),
    click("cboHis", true, areaAt<cboHis_Click>),
    // Entries.
    entry("txtAddr", true, runAt<&Editor::txtAddr_GotFocus>, addrKey, askAt<&Editor::txtAddr_KeyUp>,
          runAt<&Editor::txtAddr_LostFocus>),
    entry("txtFreq", false, run<&Editor::txtFreq_GotFocus>, askKey<&Editor::txtFreq_KeyPress>,
          ask<&Editor::txtFreq_KeyUp>, ask<&Editor::txtFreq_LostFocus>),
    entry("txtPrompt", true, areaAt<txtPrompt_GotFocus>, promptKey, nullptr,
          areaAskAt<txtPrompt_LostFocus>),
    entry("txtPass", false, area<txtPass_GotFocus>, areaAskKey<txtPass_KeyPress>,
          areaAsk<txtPass_KeyUp>, area<txtPass_LostFocus>),
};

} // namespace

const ControlRoute* find_control_route(const std::string& name) {
    const ControlName n = split_control_name(name);
    const auto it = std::find_if(std::begin(Routes), std::end(Routes), [&](const ControlRoute& r) {
        return r.array == (n.index >= 0) && n.array == r.name;
    });
    return it == std::end(Routes) ? nullptr : &*it;
}

} // namespace kpr
