#include "editor/prompts.h"
#include "editor/editor_internal.h"

#include "editor/logo_controls.h"
#include "settings/latin1_text.h"
#include "settings/prompt_record.h"

#include <algorithm>
#include <exception>

namespace kpr {

namespace {

constexpr const char* SmallHint = " Small Font ( Less than 19 characters ) ";
constexpr const char* SmallOffsetHint = " Small Font ( Less than 16 characters ) ";

std::string prompt_name_of(int index) {
    return ctl("txtPrompt", index);
}

void request_focus(EditorState& st, int index) {
    st.focusRequest = prompt_name_of(index);
}

// Makes an aligned text from the entry's trimmed text and a number of blanks in front.
void set_aligned(EditorState& st, int target, int blanks) {
    ControlState& c = st.controls.at(prompt_name_of(target));
    const std::string u(trim_blanks(c.text));
    c.text = std::string(static_cast<std::size_t>(std::max(0, blanks)), ' ') + u;
}

int trimmed_length(const EditorState& st, int target) {
    return static_cast<int>(utf8_length(trim_blanks(st.controls.at(prompt_name_of(target)).text)));
}

int align_target(EditorState& st, int index) {
    if (index == 1) {
        st.flags.CurrentPrompt = 0;
        return 0;
    }
    return prompt_exists(st.flags.CurrentPrompt) ? st.flags.CurrentPrompt : 0;
}

} // namespace

void init_prompt_controls(EditorState& st) {
    for (int i = 0; i < PromptCount; ++i) {
        if (!prompt_exists(i))
            continue;
        ControlState& e = st.controls.add(prompt_name_of(i));
        e.tag = prompt_tag(i);
        if (i == 0) {
            e.hint = "Power up prompt.";
            st.controls.add("lblLogo").text = "Power Up Logo";
            continue;
        }
        ControlState& label = st.controls.add(ctl("lblPrompt", i));
        label.text = prompt_name(i) + " ->";
    }
    static constexpr const char* AlignHints[3] = {"Align Left", "Align Center", "Align Right"};
    static constexpr const char* AlignCaptions[3] = {"L", "C", "R"};
    static constexpr const char* AlignNames[3] = {"optLeft", "optCenter", "optRight"};
    for (int set = 0; set < 3; ++set) {
        for (int k = 0; k < 3; ++k) {
            ControlState& o = st.controls.add(ctl(AlignNames[k], set));
            o.hint = AlignHints[k];
            o.text = AlignCaptions[k];
        }
    }
    // The source-prompt boxes are bound through their descriptors; make sure they exist.
    for (int i = FirstSourcePrompt; i <= LastSourcePrompt; ++i)
        st.controls.add(ctl("chkSource", i));
    ControlState& source = st.controls.add("cboSource");
    source.items = {"Disable", "Forward", "Backward"};
    source.value = 0;
    st.controls.add("lblSource").text = "Prompt Control";
    Set_PromptEd_Width(st);
}

int prompt_nominal_max_length(const EditorState& st, int index) {
    if (index == 0) {
        const int p = st.controls.contains("cboLogo") ? st.controls.at("cboLogo").value : -1;
        return p == 0 ? 16 : 21;
    }
    return prompt_has_indent_offset(index) ? 18 : 21;
}

bool read_prompt(EditorState& st) {
    try {
        for (int i = 0; i < PromptCount; ++i) {
            if (!prompt_exists(i))
                continue;
            ControlState& e = st.controls.at(prompt_name_of(i));
            e.text = latin1_to_utf8(read_prompt_record(st.image, prompt_record_address(i),
                                                       prompt_has_indent_offset(i)));
            e.maxLength = prompt_nominal_max_length(st, i);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool read_SourcePrompt(EditorState& st) {
    try {
        const bool enabled = st.image.get_bits(AddrPromptFlags, 6, 1) == 1;
        ControlState& source = st.controls.at("cboSource");
        source.value = enabled ? 1 + st.image.get_bits(AddrPromptFlags, 5, 1) : 0;
        for (int i = FirstSourcePrompt; i <= LastSourcePrompt; ++i) {
            ControlState& box = st.controls.at(ctl("chkSource", i));
            ControlState& entry = st.controls.at(prompt_name_of(i));
            box.enabled = enabled;
            entry.enabled = enabled && box.value == 1;
        }
        return true;
    } catch (const std::exception&) {
        st.flags.ReloadError = ReloadSourcePrompt;
        return false;
    }
}

void Set_PromptEd_Width(EditorState& st) {
    for (int i = 1; i < PromptCount; ++i) {
        if (!prompt_exists(i))
            continue;
        const bool offset = prompt_has_indent_offset(i);
        ControlState& e = st.controls[prompt_name_of(i)];
        e.maxLength = offset ? 18 : 21;
        e.widthInBlanks = offset ? 19 : 22;
        e.bold = false;
        st.controls[ctl("lblPrompt", i)].hint = offset ? SmallOffsetHint : SmallHint;
    }
    layout_logo_entry(st);
}

bool Editor::txtPrompt_GotFocus(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    st.flags.CurrentPrompt = index;
    return true;
}

bool Editor::txtPrompt_KeyPress(int, int keyAscii) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (keyAscii != 13)
        return false;
    st.focusRequest = "picTabBack";
    return true;
}

namespace {

// C0 controls, DEL and the C1 controls (U+0080-U+009F, UTF-8 C2 80-C2 9F): a terminal or
// the pager would act on them rather than show them.
bool has_control_character(const std::string& utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x20 || b == 0x7F)
            return true;
        if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0)
            return true;
    }
    return false;
}

} // namespace

bool Editor::txtPrompt_LostFocus(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    if (!prompt_exists(index))
        return false;
    const ControlState& e = st.controls.at(prompt_name_of(index));
    if (has_control_character(e.text)) {
        // A file may hold such bytes; leaving its text as it is stores nothing new.
        const std::string stored = latin1_to_utf8(read_prompt_record(
            st.image, prompt_record_address(index), prompt_has_indent_offset(index)));
        if (e.text == stored) {
            read_prompt(st);
            return true;
        }
        st.messages->message("A prompt cannot hold control characters (such as Escape, a line "
                             "break or Delete).",
                             MessageIcon::Warning);
        request_focus(st, index);
        return false;
    }
    const Latin1Result latin1 = utf8_to_latin1(e.text);
    if (!latin1.text) {
        st.messages->message(not_latin1_message(latin1), MessageIcon::Warning);
        request_focus(st, index);
        return false;
    }
    const PromptStore r =
        store_prompt_record(st.image, prompt_record_address(index), prompt_has_indent_offset(index),
                            index == 0, *latin1.text);
    if (r == PromptStore::TooLong) {
        st.messages->message("Can not exceed 18 characters exclude left space!");
        request_focus(st, index);
        return false;
    }
    if (r == PromptStore::IndentOverflow) {
        st.messages->message("Too many leading blanks! Blanks beyond an indent of 15 count "
                             "toward the 18 characters.",
                             MessageIcon::Warning);
        request_focus(st, index);
        return false;
    }
    read_prompt(st);
    return true;
}

bool Editor::optLeft_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const int t = align_target(st, index);
    set_aligned(st, t, 0);
    request_focus(st, t);
    return true;
}

bool Editor::optCenter_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const int t = align_target(st, index);
    set_aligned(st, t, (prompt_nominal_max_length(st, t) - trimmed_length(st, t)) / 2);
    if (st.flags.StartupFinished)
        request_focus(st, t);
    return true;
}

bool Editor::optRight_Click(int index, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const int t = align_target(st, index);
    set_aligned(st, t, prompt_nominal_max_length(st, t) - trimmed_length(st, t));
    request_focus(st, t);
    return true;
}

bool Editor::cboSource_Click(int, int) {
    EditorNotify n(*this);
    EditorState& st = st_;
    const int p = st.controls.at("cboSource").value;
    if (p == 0) {
        st.image.set_bits(AddrPromptFlags, 6, 0, 1);
    } else if (p == 1 || p == 2) {
        st.image.set_bits(AddrPromptFlags, 6, 1, 1);
        st.image.set_bits(AddrPromptFlags, 5, p - 1, 1);
    } else {
        return true;
    }
    read_SourcePrompt(st);
    return true;
}

} // namespace kpr
