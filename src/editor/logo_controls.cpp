#include "editor/logo_controls.h"
#include "editor/editor_internal.h"

#include "image/field_descriptor.h"
#include "settings/latin1_text.h"
#include "settings/logo.h"

#include <algorithm>

namespace kpr {

void init_logo_controls(EditorState& st) {
    ControlState& c = st.controls.add("cboLogo");
    c.tag = "&H3F,0,4,Lng";
    c.items.clear();
    for (int p = 0; p < LogoFontCount; ++p)
        c.items.emplace_back(logo_font(p).caption);
    c.value = 0;
    st.controls.add("lblLogoFont").text = "Logo Font";
}

void read_LogoFont(EditorState& st) {
    ControlState& c = st.controls.at("cboLogo");
    const auto d = parse_field_descriptor(c.tag);
    if (!d || !d->fits_image())
        return;
    if (const auto p = logo_font_position(st.image.get_bits(d->addr, d->bit, d->len)))
        c.value = *p;
}

void layout_logo_entry(EditorState& st) {
    const int p = st.controls.contains("cboLogo") ? st.controls.at("cboLogo").value : -1;
    // With no font selected the entry takes the small font's layout.
    const LogoFont& font = logo_font(p >= 0 && p < LogoFontCount ? p : 1);
    ControlState& e = st.controls[ctl("txtPrompt", 0)];
    e.bold = font.bold;
    e.widthInBlanks = font.widthInBlanks;
    // Only typing is limited: a longer text stays in the box until it is edited.
    e.maxLength = font.capacity;
}

bool Editor::cboLogo_Click(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const ControlState& c = st.controls.at("cboLogo");
    const auto d = parse_field_descriptor(c.tag);
    if (c.value >= 0 && c.value < LogoFontCount && d && d->fits_image())
        st.image.set_bits(d->addr, d->bit, logo_font(c.value).value, d->len);
    layout_logo_entry(st);
    return true;
}

} // namespace kpr
