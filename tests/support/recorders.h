#pragma once
// Stand-ins that record what the code under test asked of the operator and the window.
#include <functional>
#include <string>
#include <vector>

#include "common/operator_messages.h"
#include "common/progress.h"
#include "link/usb_link.h"

namespace kpr::test {

// Every message and question, in order; questions get `answer`.
class RecordedMessages final : public OperatorMessages {
  public:
    struct Entry {
        std::string text;
        MessageIcon icon;
    };
    void message(const std::string& text, MessageIcon icon) override {
        entries.push_back({text, icon});
    }
    bool ask(const std::string& text) override {
        questions.push_back(text);
        return answer;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const Entry& e : entries)
            t.push_back(e.text);
        return t;
    }
    void clear() { entries.clear(), questions.clear(); }
    std::vector<Entry> entries;
    std::vector<std::string> questions;
    bool answer = true;
};

// The bar and status line; `action` runs once when the bar first reaches `at`.
class RecordedProgress final : public ProgressSink {
  public:
    void setMaximum(int m) override { maximum = m; }
    void setPosition(int p) override {
        positions.push_back(p);
        if (at >= 0 && p >= at && action) {
            at = -1;
            action();
        }
    }
    void setColour(uint32_t c) override { colour = c; }
    void setStatus(const std::string& s) override { status = s; }
    int maximum = -1;
    std::vector<int> positions;
    uint32_t colour = 0;
    std::string status;
    int at = -1;
    std::function<void()> action;
};

class RecordedLinkUi final : public LinkUi {
  public:
    void setMonitorEnabled(bool on) override { timer.push_back(on); }
    void showBoardState(BoardState s) override { states.push_back(s); }
    std::vector<bool> timer;
    std::vector<BoardState> states;
};

} // namespace kpr::test
