#pragma once
// Progress of a long operation on stderr: a bar redrawn in place on a terminal, the status
// texts alone (one a line) otherwise.
#include "common/progress.h"

#include <cstdio>
#include <string>

namespace kpr::cli {

class CliProgress final : public ProgressSink {
  public:
    explicit CliProgress(std::FILE* err = stderr);

    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void setColour(uint32_t) override {}
    void setStatus(const std::string& text) override;

    // Ends a bar that is being drawn (moves to a new line).
    void finish();

  private:
    void draw();

    std::FILE* err_;
    bool terminal_;
    bool drawn_ = false;
    int maximum_ = 100;
    int position_ = 0;
    int lastPercent_ = -1;
    std::string status_;
};

} // namespace kpr::cli
