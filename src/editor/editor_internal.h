#pragma once
// Shared by the editor's source files; not part of its interface.
#include "common/operator_texts.h"
#include "editor/editor.h"

#include <string>

namespace kpr {

// Marks one handler call: the change hook fires when the outermost one ends.
class EditorNotify {
  public:
    explicit EditorNotify(Editor& e) : e_(e) { e_.begin_call(); }
    ~EditorNotify() { e_.end_call(); }
    EditorNotify(const EditorNotify&) = delete;
    EditorNotify& operator=(const EditorNotify&) = delete;

  private:
    Editor& e_;
};

// "chkCtl(29)" -> ("chkCtl", 29); a single control gives index -1.
struct ControlName {
    std::string array;
    int index = -1;
};
ControlName split_control_name(const std::string& key);

// "Form1", "Form5" (function-bit dialog) or "Form6" (alert dialog).
std::string control_form(const std::string& key);

} // namespace kpr
