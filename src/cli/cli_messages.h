#pragma once
// Operator messages on the command line: every message is written to stderr exactly as the
// editor would show it; questions are asked on the terminal.
#include "common/operator_messages.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace kpr::cli {

class CliMessages final : public OperatorMessages {
  public:
    explicit CliMessages(std::FILE* err = stderr, std::FILE* in = stdin);

    // Writes the text and a line end (a CR LF inside the text becomes a line end).
    void message(const std::string& text, MessageIcon icon = MessageIcon::None) override;

    // With --yes: prints the question and answers Yes. On a terminal: asks "[y/n]" until
    // answered (end of input is No). Without a terminal: prints the question and answers No,
    // so a script never hangs and never overwrites unasked.
    bool ask(const std::string& text) override;

    void setAssumeYes(bool yes) { assumeYes_ = yes; }
    bool assumeYes() const { return assumeYes_; }

    // Every message and question shown so far, in order.
    const std::vector<std::string>& shown() const { return shown_; }

  private:
    void print(const std::string& text);

    std::FILE* err_;
    std::FILE* in_;
    bool assumeYes_ = false;
    std::vector<std::string> shown_;
};

} // namespace kpr::cli
