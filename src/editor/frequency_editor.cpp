// The frequency entry txtFreq, the band list cboDft, the spacing list cboRoHS and the
// synthesiser read-outs.
#include "editor/editor.h"
#include "editor/editor_internal.h"
#include "image/image_addresses.h"
#include "settings/frequency.h"
#include "settings/numeric_text.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace kpr {

int Editor::band() const {
    const auto& all = st_.controls.all();
    const auto it = all.find("cboDft");
    if (it == all.end())
        return -1;
    const int b = it->second.value;
    return b >= 0 && b < 3 ? b : -1;
}

int Editor::spacing() const {
    const auto& all = st_.controls.all();
    const auto it = all.find("cboRoHS");
    if (it == all.end())
        return -1;
    const int s = it->second.value;
    return s >= 0 && s < 3 ? s : -1;
}

bool Editor::read_BaseFreq() {
    EditorNotify n(*this);
    const uint32_t base = read_u32(st_.image, AddrBaseFrequency);
    if (base > static_cast<uint32_t>(INT32_MAX / 100)) {
        st_.flags.ReloadError = ReloadBaseFreq;
        return false;
    }
    baseFreqHz_ = static_cast<int32_t>(base) * 100;
    return true;
}

void Editor::read_freq() {
    EditorNotify n(*this);
    const auto f = static_cast<int32_t>(read_u32(st_.image, AddrReceiveFrequency));
    st_.controls["txtFreq"].text = std::to_string(f);
    read_pll();
}

void Editor::read_pll() {
    EditorNotify n(*this);
    ControlModel& m = st_.controls;
    const bool baseOk = read_BaseFreq();
    m["lblBfreq"].text = baseOk ? std::to_string(baseFreqHz_ / 100) : std::string();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(incd_of(st_.image)));
    m["lblINCD"].text = buf;
    m["lblPLLR"].text = word24_hex(st_.image, AddrPllR);
    m["lblPLLN"].text = word24_hex(st_.image, AddrPllN);
    stepHundredths_ = channel_step_hundredths(st_.image);
    m["lblCHANNEL"].text = channel_text(stepHundredths_);
    m["cboRoHS"].visible = band() == 0;
    if (band() == 0 && st_.flags.ImageJustLoaded) {
        st_.flags.SuppressClick = true;
        m["cboRoHS"].value = derive_spacing(st_.image);
        st_.flags.SuppressClick = false;
    }
}

bool Editor::txtFreq_GotFocus(int, int) {
    EditorNotify n(*this);
    st_.controls["txtFreq"].text.clear();
    return true;
}

bool Editor::txtFreq_KeyPress(int, int keyAscii) {
    EditorNotify n(*this);
    st_.flags.FreqErrorPending = false;
    if (keyAscii != 13)
        return false;
    st_.focusRequest = "picTabBack";
    return true;
}

bool Editor::txtFreq_KeyUp(int, int) {
    EditorNotify n(*this);
    const std::string text = st_.controls["txtFreq"].text;
    if (text.empty() || parse_numeric(text))
        return true;
    st_.messages->message(MsgDecimalNumeric, MessageIcon::Warning);
    read_freq();
    st_.focusRequest = "txtFreq";
    return false;
}

bool Editor::txtFreq_LostFocus(int, int) {
    EditorNotify n(*this);
    return frequency_commit();
}

bool Editor::frequency_commit() {
    ControlModel& m = st_.controls;
    const std::string text = m["txtFreq"].text;
    const int b = band();
    if (text.empty() || b < 0) {
        st_.flags.FreqErrorPending = false;
        read_freq();
        return true;
    }
    auto refuse = [&](const std::string& message) {
        st_.messages->message(message, MessageIcon::Warning);
        st_.flags.FreqErrorPending = true;
        st_.focusRequest = "txtFreq";
        return false;
    };
    const auto v = parse_numeric(text);
    if (!v)
        return refuse(MsgDecimalNumeric);
    const BandLimits limits = band_limits(m["cboDft"].items.at(static_cast<std::size_t>(b)));
    // Far out of any band: refused before rounding so huge numbers stay well defined.
    if (std::fabs(*v) > 1e12)
        return refuse(frequency_limit_message(limits));
    const int64_t f = round_half_even(*v);
    if (f > limits.upper || f < limits.lower)
        return refuse(frequency_limit_message(limits));
    const int s = spacing();
    if (!(b == 0 && s < 0)) {
        const auto call = choose_raster(b, s, st_.flags.UnversionedFirmware, *v);
        if (!call)
            return refuse(MsgChannelSpacing);
        if (call->rohs)
            SetRoHSFreqPLL(call->base, call->step, call->incd);
        else
            SetFreqPLL(call->base, call->step, call->incd);
    }
    Set_Freq(st_.image, static_cast<int32_t>(f), AddrReceiveFrequency);
    read_freq();
    return true;
}

void Editor::SetFreqPLL(int32_t base, double step, int incd) {
    EditorNotify n(*this);
    kpr::SetFreqPLL(st_.image, band(), base, step, incd);
}

void Editor::SetRoHSFreqPLL(int32_t base, double step, int incd) {
    EditorNotify n(*this);
    kpr::SetRoHSFreqPLL(st_.image, base, step, incd);
}

bool Editor::cboDft_Click(int, int) {
    EditorNotify n(*this);
    if (st_.flags.SuppressClick) {
        st_.flags.SuppressClick = false;
        return true;
    }
    ControlModel& m = st_.controls;
    const std::string baud = ctl("cboCtl", 9);
    switch (band()) {
    case 0:
        route(baud, ControlEvent::Click, 1);
        route("cboRoHS", ControlEvent::Click, 0);
        break;
    case 1:
        route(baud, ControlEvent::Click, 1);
        m["txtFreq"].text = "4540125";
        frequency_commit();
        break;
    case 2:
        route(baud, ControlEvent::Click, 2);
        m["txtFreq"].text = "9310125";
        frequency_commit();
        break;
    default:
        return true;
    }
    init_ctl();
    return true;
}

bool Editor::cboRoHS_Click(int, int) {
    EditorNotify n(*this);
    if (st_.flags.SuppressClick)
        return true;
    ControlModel& m = st_.controls;
    const int s = spacing();
    if (s == 2) {
        st_.image.set_bits(AddrOptions, 0, 1, 1);
        m[ctl("chkCtl", 4)].visible = false;
    } else {
        st_.image.set_bits(AddrOptions, 0, 0, 1);
        m[ctl("chkCtl", 4)].visible = true;
    }
    m["txtFreq"].text = s == 1 ? "1530125" : "1530000";
    frequency_commit();
    init_ctl();
    return true;
}

bool Editor::prepare_frequency_for_write(uint8_t firmwareVersion) {
    EditorNotify n(*this);
    if (firmwareVersion == 0xFF) {
        st_.flags.UnversionedFirmware = true;
    } else {
        st_.image[AddrFirmware] = firmwareVersion;
        st_.flags.UnversionedFirmware = false;
    }
    return frequency_commit();
}

} // namespace kpr
