#include "editor/language_controls.h"
#include "editor/editor_internal.h"

#include "editor/logo_controls.h"
#include "editor/prompts.h"
#include "text/charset.h"
#include "text/language.h"

namespace kpr {

void init_language_controls(EditorState& st) {
    ControlState& c = st.controls.add("cboLng");
    c.items.clear();
    for (const LanguageItem& item : language_list())
        c.items.emplace_back(item.caption);
    c.value = 0;
    st.controls.add("lblLng").text = "Prompt Language Type";
}

void read_Lng(EditorState& st) {
    st.flags.SuppressClick = true;
    const int code = st.image.get_bits(AddrLanguageCodeCopy, 0, 4);
    if (const auto p = language_list_position_for_code(code))
        st.controls.at("cboLng").value = *p;
    st.flags.SuppressClick = false;
}

bool Editor::cboLng_Click(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (st.flags.SuppressClick) {
        st.flags.SuppressClick = false;
        return true;
    }
    apply_language(st.image, st.controls.at("cboLng").value);
    // Picking a language also writes the value of the logo font the list shows.
    route("cboLogo", ControlEvent::Click, st.controls["cboLogo"].value);
    Set_PromptEd_Width(st);
    read_prompt(st);
    return true;
}

} // namespace kpr
