#pragma once
// What a transfer reports while it runs: the programming dialog's bar and status text.
#include <cstdint>
#include <string>

namespace kpr {

// Bar colours the operations use (Windows COLORREF / system-colour values).
inline constexpr uint32_t ColourHighlight = 0x8000000D; // system highlight colour (write)
inline constexpr uint32_t ColourPurple = 0x800080;      // read and verify

class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual void setColour(uint32_t colour) = 0;
    virtual void setStatus(const std::string& text) = 0;
};

// A sink that drops everything, for callers that show no progress.
class NullProgress final : public ProgressSink {
  public:
    void setMaximum(int) override {}
    void setPosition(int) override {}
    void setColour(uint32_t) override {}
    void setStatus(const std::string&) override {}
};

} // namespace kpr
