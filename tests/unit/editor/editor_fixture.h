#pragma once
// An editor with recorded operator messages, started as the program starts without a
// default.tbl (band 1 defaults).
#include "editor/editor.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace kpr::test {

class RecordingMessages final : public OperatorMessages {
  public:
    void message(const std::string& text, MessageIcon icon) override {
        texts.push_back(text);
        icons.push_back(icon);
    }
    bool ask(const std::string& text) override {
        questions.push_back(text);
        return answer;
    }
    void clear() {
        texts.clear();
        icons.clear();
        questions.clear();
    }
    std::vector<std::string> texts;
    std::vector<MessageIcon> icons;
    std::vector<std::string> questions;
    bool answer = true;
};

class EditorTest : public ::testing::Test {
  protected:
    EditorTest() : ed(msgs) {}

    // The rest of start-up in a folder without default.tbl.
    void start() {
        ed.startup_finish("/nonexistent-kpr-folder");
        msgs.clear();
    }

    ControlState& c(const std::string& name) { return ed.controls()[name]; }
    uint8_t at(int addr) const { return ed.image()[addr]; }
    uint32_t word24(int addr) const {
        return (uint32_t(at(addr)) << 16) | (uint32_t(at(addr + 1)) << 8) | at(addr + 2);
    }

    RecordingMessages msgs;
    Editor ed;
};

} // namespace kpr::test
