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

// A bar as a phase starts: its length, first position, colour and status text.
inline void start_bar(ProgressSink& bar, int maximum, int position, uint32_t colour,
                      const std::string& status) {
    bar.setMaximum(maximum);
    bar.setPosition(position);
    bar.setColour(colour);
    bar.setStatus(status);
}

// The bar of a transfer of addresses strt..stp: it starts at strt and runs to 16 short of stp.
inline void start_transfer_bar(ProgressSink& bar, int strt, int stp, uint32_t colour,
                               const std::string& status) {
    start_bar(bar, stp - 16, strt, colour, status);
}

} // namespace kpr
