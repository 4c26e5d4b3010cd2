#pragma once
// The editor as the program starts without default.tbl (band 1), its operator messages
// recorded, and a table runner: each row is one user action and what it must leave behind.
#include "editor/editor.h"
#include "support/recorders.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace kpr::test {

using namespace std::string_literals;

// A big-endian field of `width` bytes at `addr` and the value its `mask` bits must hold.
struct Field {
    int addr;
    uint32_t value;
    int width = 1;
    uint32_t mask = 0xFFFFFFFF;
};

// What a control shows: its text, or for a list, box or slider its position.
using Shown = std::vector<std::pair<std::string, std::string>>;

// Bytes put into the image before it is opened, and what the controls then show.
struct Load {
    int addr;
    std::string bytes;
    Shown shown;
};

// A control changed (list position, box state: a number) or an entry typed into and left.
struct Edit {
    std::string control;
    std::string input;
    std::vector<Field> fields; // what the image holds afterwards
    std::string said = {};     // the one message shown, "" for none
    Shown shown = {};
};

class EditorTest : public ::testing::Test {
  protected:
    EditorTest() : ed(msgs) {}
    void SetUp() override { start(); }
    void start() {
        ed.startup_finish("/nonexistent-kpr-folder");
        msgs.entries.clear();
    }

    ControlState& c(const std::string& name) { return ed.controls()[name]; }
    uint8_t at(int addr) const { return ed.image()[addr]; }
    uint32_t field(const Field& f) const {
        uint32_t v = 0;
        for (int k = 0; k < f.width; ++k)
            v = (v << 8) | at(f.addr + k);
        return v & f.mask;
    }
    // A list, box or slider shows its position, or for a list expected by name, that entry.
    std::string shows(const std::string& control, const std::string& expected = "0") {
        const ControlState& s = c(control);
        const std::string kind = control.substr(0, 3);
        if (kind != "cbo" && kind != "chk" && kind != "Sli")
            return s.text;
        const bool byName = expected.find_first_not_of("-0123456789") != std::string::npos;
        if (byName && s.value >= 0 && s.value < static_cast<int>(s.items.size()))
            return s.items[static_cast<std::size_t>(s.value)];
        return std::to_string(s.value);
    }
    void expect_shown(const Shown& shown) {
        for (const auto& [control, text] : shown)
            EXPECT_EQ(shows(control, text), text) << control;
    }
    std::vector<std::string> said() const { return msgs.texts(); }

    // Rows run in order on one editor; a refused row (a message and no fields) must leave
    // the image as it was.
    void edit(const std::vector<Edit>& rows) {
        for (const Edit& r : rows) {
            SCOPED_TRACE(r.control + " <- \"" + r.input + "\"");
            msgs.entries.clear();
            const PagerImage before = ed.image();
            const std::vector<std::string>& items = c(r.control).items;
            const auto it = std::find(items.begin(), items.end(), r.input);
            if (r.control.rfind("txt", 0) == 0)
                ed.user_enter_text(r.control, r.input);
            else
                ed.user_change(r.control, it != items.end() ? static_cast<int>(it - items.begin())
                                                            : std::stoi(r.input));
            for (const Field& f : r.fields)
                EXPECT_EQ(field(f), f.value & f.mask) << "at &H" << std::hex << f.addr;
            EXPECT_EQ(said(), r.said.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{r.said});
            if (!r.said.empty() && r.fields.empty()) {
                EXPECT_EQ(ed.image(), before);
            }
            expect_shown(r.shown);
        }
    }

    // Rows add to one image; opening it never changes a byte of it.
    void load(const std::vector<Load>& rows) {
        PagerImage img = ed.image();
        for (const Load& r : rows) {
            SCOPED_TRACE(::testing::Message() << "at &H" << std::hex << r.addr);
            std::copy(r.bytes.begin(), r.bytes.end(), img.bytes().begin() + r.addr);
            ed.load_image(img);
            EXPECT_EQ(ed.image(), img);
            expect_shown(r.shown);
        }
    }

    RecordedMessages msgs;
    Editor ed;
};

inline std::string bytes_of(const PagerImage& img) {
    return {reinterpret_cast<const char*>(img.data()), static_cast<std::size_t>(ImageSize)};
}

} // namespace kpr::test
