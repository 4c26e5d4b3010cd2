#pragma once
// An editor state with every settings control created and the messages recorded.
#include "editor/editor_state.h"
#include "editor/settings_controls.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kpr::test {

class RecordingMessages final : public OperatorMessages {
  public:
    void message(const std::string& text, MessageIcon icon) override {
        shown.emplace_back(text, icon);
    }
    bool ask(const std::string& text) override {
        asked.push_back(text);
        return answer;
    }
    std::vector<std::pair<std::string, MessageIcon>> shown;
    std::vector<std::string> asked;
    bool answer = true;
};

class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest() : st(messages) { init_settings_controls(st); }

    ControlState& c(const std::string& name) { return st.controls.at(name); }
    std::string text(const std::string& name) { return st.controls.at(name).text; }

    RecordingMessages messages;
    EditorState st;
};

} // namespace kpr::test
