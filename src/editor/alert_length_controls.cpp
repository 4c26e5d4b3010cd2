#include "editor/alert_length_controls.h"
#include "editor/editor_internal.h"

#include "settings/alert_lengths.h"

#include <exception>

namespace kpr {

namespace {

constexpr char Hex[] = "0123456789ABCDEF";

} // namespace

void init_alert_length_controls(EditorState& st) {
    st.controls.add("lblLengthCaption").text = "Alert Length";
    st.controls.add("lblMemoryCaption").text = "Memory(KB)";
    st.controls.add("lblHistoryCaption").text = "History";
    st.controls.add("cmdAlert").text = "Alert Length Select";
    for (int i = 0; i <= MailDrops; ++i) {
        st.controls.add(ctl("lblAlertRow", i)).text = i == 0 ? "PG" : std::string("M") + Hex[i];
        st.controls.add(ctl("lblLength", i));
        st.controls.add(ctl("lblMemory", i));
        st.controls.add(ctl("lblHistory", i));
    }
    st.controls.add("Form6").text = "Personal and Mail Drop Status Control";
    st.controls.add("lblPersonal").text = "Personal and Group Alert Length";
    st.controls.add("fraMailStatus").text = "Mail Drop Status( A:Alert Length H:History )";
    st.controls.add("cboPersonal").items = {"2 sec", "8 sec", "16 sec", "32 sec", "continuos"};
    for (int k = 0; k < MailDrops; ++k) {
        st.controls.add(ctl("lblMailAler", k)).text =
            std::string("Mail Drop ") + Hex[k + 1] + ": A";
        st.controls.add(ctl("cboMailAler", k)).items = {"Disable", "Beep", "1 sec", "16 sec"};
        ControlState& his = st.controls.add(ctl("cboHis", k));
        his.items.clear();
        for (int d = 0; d <= 9; ++d)
            his.items.push_back(std::to_string(d));
    }
}

bool read_Alert(EditorState& st) {
    try {
        if (const auto t = personal_length_text(st.image))
            st.controls.at(ctl("lblLength", 0)).text = *t;
        st.controls.at(ctl("lblMemory", 0)).text = memory_text(st.image[AddrPersonalMemory]);
        for (int i = 1; i <= MailDrops; ++i) {
            if (const auto t = mail_drop_length_text(st.image, i))
                st.controls.at(ctl("lblLength", i)).text = *t;
            if (i <= MailDropsWithMemory)
                st.controls.at(ctl("lblMemory", i)).text =
                    memory_text(st.image[AddrMailDropMemory + i - 1]);
            st.controls.at(ctl("lblHistory", i)).text =
                history_text(st.image[AddrMailDropHistory + i - 1]);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool Editor::cmdAlert_Click(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    Form6_Load(st);
    return true;
}

void Form6_Load(EditorState& st) {
    st.flags.Form6Loading = true;
    // A stored value with no list entry shows no entry and stays until one is chosen.
    st.controls.at("cboPersonal").value = personal_entry_for_value(st.image[AddrPersonalAlert]);
    for (int k = 0; k < MailDrops; ++k) {
        st.controls.at(ctl("cboMailAler", k)).value = mail_alert_entry(st.image, k + 1);
        st.controls.at(ctl("cboHis", k)).value = history_entry(st.image, k + 1);
    }
    st.flags.Form6Loading = false;
}

bool Editor::cboPersonal_Click(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.Form6Loading)
        return true;
    const int p = st.controls.at("cboPersonal").value;
    if (p < 0 || p >= PersonalEntryCount)
        return true;
    st.image[AddrPersonalAlert] = static_cast<uint8_t>(personal_value_for_entry(p));
    read_Alert(st);
    return true;
}

bool Editor::cboMailAler_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.Form6Loading || index < 0 || index >= MailDrops)
        return true;
    const int p = st.controls.at(ctl("cboMailAler", index)).value;
    if (p < 0 || p > 3)
        return true;
    set_mail_alert_entry(st.image, index + 1, p);
    read_Alert(st);
    return true;
}

bool Editor::cboHis_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.Form6Loading || index < 0 || index >= MailDrops)
        return true;
    const int p = st.controls.at(ctl("cboHis", index)).value;
    if (p < 0 || p > 9)
        return true;
    set_history_entry(st.image, index + 1, p);
    read_Alert(st);
    return true;
}

} // namespace kpr
