#pragma once
// Shared by the editor's source files; not part of its interface.
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

// The message texts of the editor's own handlers.
inline constexpr const char* MsgNumeric = "Please insert a numeric!";
inline constexpr const char* MsgCapcodeRange = "Please insert a number between 0000007 to 2097151";
inline constexpr const char* MsgDecimalNumeric = "Please insert a decimal numeric!";
inline constexpr const char* MsgChannelSpacing = "Channel Spacing Error!";
inline constexpr const char* MsgOverwrite =
    "This file is arealy exist ! \r\nAre you sure overwrite this file?";

} // namespace kpr
