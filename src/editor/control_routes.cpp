#include "editor/control_routes.h"

#include "editor/editor.h"
#include "editor/editor_internal.h"

#include <algorithm>
#include <iterator>

namespace kpr {

namespace {

using H = ControlRoute::Handler;
using E = Editor;

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
    click("cboSLC", false, &E::cboSLC_Click),
    click("cboORC", false, &E::cboORC_Click),
    click("cboZoom", false, &E::cboZoom_Click),
    click("Slider1", false, &E::Slider1_Change),
    // Space on "Write Mode" runs the Write command.
    {"WriteOpt",
     false,
     true,
     nullptr,
     {&E::WriteOpt_Click, nullptr, &E::WriteOpt_KeyPress, nullptr, nullptr}},
    click("ModifyOpt", false, &E::ModifyOpt_Click),
    click("optAuto1", false, &E::optAuto1_Click),
    click("optAuto2", false, &E::optAuto2_Click),
    click("cboDft", false, &E::cboDft_Click),
    click("cboRoHS", false, &E::cboRoHS_Click),
    click("cboSource", false, &E::cboSource_Click),
    click("cboTone", false, &E::cboTone_Click),
    click("cboLng", false, &E::cboLng_Click),
    click("cboLogo", false, &E::cboLogo_Click),
    click("chkCtl", true, &E::chkCtl_Click),
    click("cboCtl", true, &E::cboCtl_Click),
    click("chkSource", true, &E::chkSource_Click),
    click("chkMenu", true, &E::chkMenu_Click),
    click("cboBatLev", true, &E::cboBatLev_Click),
    // Buttons.
    click("optLeft", true, &E::optLeft_Click, false),
    click("optCenter", true, &E::optCenter_Click, false),
    click("optRight", true, &E::optRight_Click, false),
    click("optDefault", true, &E::optDefault_Click, false),
    click("cmdFunc", true, &E::cmdFunc_Click, false, "Form5"),
    click("cmdAlert", false, &E::cmdAlert_Click, false, "Form6"),
    // The function-bit dialog.
    click("cboDisp", true, &E::cboDisp_Click),
    click("cboType", true, &E::cboType_Click),
    click("chkPri", true, &E::chkPri_Click),
    // The alert dialog.
    click("cboPersonal", false, &E::cboPersonal_Click),
    click("cboMailAler", true, &E::cboMailAler_Click),
    click("cboHis", true, &E::cboHis_Click),
    // Entries.
    entry("txtAddr", true, &E::txtAddr_GotFocus, &E::txtAddr_KeyPress, &E::txtAddr_KeyUp,
          &E::txtAddr_LostFocus),
    entry("txtFreq", false, &E::txtFreq_GotFocus, &E::txtFreq_KeyPress, &E::txtFreq_KeyUp,
          &E::txtFreq_LostFocus),
    entry("txtPrompt", true, &E::txtPrompt_GotFocus, &E::txtPrompt_KeyPress, nullptr,
          &E::txtPrompt_LostFocus),
    entry("txtPass", false, &E::txtPass_GotFocus, &E::txtPass_KeyPress, &E::txtPass_KeyUp,
          &E::txtPass_LostFocus),
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
