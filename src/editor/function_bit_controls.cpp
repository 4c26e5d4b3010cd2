#include "editor/function_bit_controls.h"
#include "editor/editor_internal.h"

#include "settings/function_bits.h"

#include <exception>

namespace kpr {

namespace {

template <typename Summary> bool refresh(EditorState& st, const char* label, Summary summary) {
    for (int s = 0; s < CapcodeSlots; ++s)
        st.controls.at(ctl(label, s)).text = summary(st.image, s);
    return true;
}

bool slot_ok(const EditorState& st) {
    return st.flags.FunctionBitSlot >= 0 && st.flags.FunctionBitSlot < CapcodeSlots;
}

} // namespace

void init_function_bit_controls(EditorState& st) {
    st.controls.add("lblDispCaption").text = "Disable && Disp:";
    st.controls.add("lblTypeCaption").text = "Type:";
    st.controls.add("lblPriCaption").text = "Priority:";
    for (int s = 0; s < CapcodeSlots; ++s) {
        st.controls.add(ctl("tlblDisp", s));
        st.controls.add(ctl("tlblType", s));
        st.controls.add(ctl("tlblPri", s));
        st.controls.add(ctl("cmdFunc", s)).text = "Fun. Bit";
    }
    st.controls.add("Form5").text = "Capcode Function Bit Setting";
    st.controls.add("fraDisp").text = "Message Disable and Display";
    st.controls.add("fraType").text = "Message Type";
    st.controls.add("fraPri").text = "Priority Alert Control";
    st.controls.add("lblFuncSlot");
    std::vector<std::string> types = {"Personal"};
    for (int i = 1; i <= 15; ++i)
        types.push_back(std::string("Mail Drop ") + "0123456789ABCDEF"[i]);
    types.emplace_back("Group");
    for (int f = 0; f < FunctionBits; ++f) {
        ControlState& disp = st.controls.add(ctl("cboDisp", f));
        disp.items = {"STD Numeric", "PRC Numeric", "Alpha", "Ideo", "Tone Only", "Disable"};
        st.controls.add(ctl("cboType", f)).items = types;
        st.controls.add(ctl("chkPri", f)).text = std::string("Fun. Bit ") + "ABCD"[f];
    }
}

bool read_Disp(EditorState& st) {
    try {
        return refresh(st, "tlblDisp", display_summary);
    } catch (const std::exception&) {
        st.flags.ReloadError = ReloadDisp;
        return false;
    }
}

bool read_Type(EditorState& st) {
    try {
        return refresh(st, "tlblType", class_summary);
    } catch (const std::exception&) {
        st.flags.ReloadError = ReloadType;
        return false;
    }
}

bool read_Pri(EditorState& st) {
    try {
        return refresh(st, "tlblPri", priority_summary);
    } catch (const std::exception&) {
        st.flags.ReloadError = ReloadPri;
        return false;
    }
}

bool Editor::cmdFunc_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    st.flags.FunctionBitSlot = index;
    Form5_Load(st);
    return true;
}

void Form5_Load(EditorState& st) {
    if (!slot_ok(st))
        return;
    const int s = st.flags.FunctionBitSlot;
    st.flags.Form5Loading = true;
    st.controls.at("lblFuncSlot").text = "#" + std::to_string(s + 1);
    for (int f = 0; f < FunctionBits; ++f) {
        // A stored code with no list entry shows no entry and stays until one is chosen.
        st.controls.at(ctl("cboDisp", f)).value =
            display_entry_for_code(display_code(st.image, s, f));
        st.controls.at(ctl("cboType", f)).value = class_entry_for_code(class_code(st.image, s, f));
        st.controls.at(ctl("chkPri", f)).value = priority_bit(st.image, s, f);
    }
    st.flags.Form5Loading = false;
}

bool Editor::cboDisp_Click(int f, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.Form5Loading || !slot_ok(st) || f < 0 || f >= FunctionBits)
        return true;
    const int p = st.controls.at(ctl("cboDisp", f)).value;
    if (p < 0 || p >= DisplayCodeCount)
        return true;
    set_display_code(st.image, st.flags.FunctionBitSlot, f, p);
    read_Disp(st);
    return true;
}

bool Editor::cboType_Click(int f, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.Form5Loading || !slot_ok(st) || f < 0 || f >= FunctionBits)
        return true;
    const int p = st.controls.at(ctl("cboType", f)).value;
    if (p < 0 || p >= ClassEntryCount)
        return true;
    set_class_entry(st.image, st.flags.FunctionBitSlot, f, p);
    read_Type(st);
    return true;
}

bool Editor::chkPri_Click(int f, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.Form5Loading || !slot_ok(st) || f < 0 || f >= FunctionBits)
        return true;
    set_priority_bit(st.image, st.flags.FunctionBitSlot, f, st.controls.at(ctl("chkPri", f)).value);
    read_Pri(st);
    return true;
}

} // namespace kpr
