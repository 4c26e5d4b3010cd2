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

} // namespace kpr
