#pragma once
// The one channel through which every message to the operator goes. The GUI shows a
// message box, kprtool prints to stderr, tests record the texts.
#include <string>

namespace kpr {

enum class MessageIcon { None, Information, Warning, Critical, Question };

class OperatorMessages {
  public:
    virtual ~OperatorMessages() = default;
    // A message with an OK button.
    virtual void message(const std::string& text, MessageIcon icon = MessageIcon::None) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool ask(const std::string& text) = 0;
};

// Says nothing and answers every question No: for work no operator watches, where nothing
// may be confirmed on anyone's behalf. It holds no state, so one instance serves all.
class NullMessages final : public OperatorMessages {
  public:
    void message(const std::string&, MessageIcon) override {}
    bool ask(const std::string&) override { return false; }
};
inline NullMessages& null_messages() {
    static NullMessages messages;
    return messages;
}

} // namespace kpr
