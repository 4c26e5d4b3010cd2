#include "cli/cli_progress.h"

#include <algorithm>

#include <unistd.h>

namespace kpr::cli {

CliProgress::CliProgress(std::FILE* err) : err_(err), terminal_(::isatty(fileno(err)) != 0) {}

void CliProgress::setMaximum(int maximum) {
    maximum_ = std::max(maximum, 0);
    lastPercent_ = -1;
    draw();
}

void CliProgress::setPosition(int position) {
    position_ = position;
    draw();
}

void CliProgress::setStatus(const std::string& text) {
    if (text == status_)
        return;
    status_ = text;
    if (!terminal_) {
        if (!text.empty()) {
            std::fprintf(err_, "%s\n", text.c_str());
            std::fflush(err_);
        }
        return;
    }
    lastPercent_ = -1;
    draw();
}

void CliProgress::draw() {
    if (!terminal_)
        return;
    const int percent =
        maximum_ > 0 ? std::clamp(position_ * 100 / std::max(maximum_, 1), 0, 100) : 0;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    std::fprintf(err_, "\r[%s%s] %3d%% %s\x1b[K", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), percent, status_.c_str());
    std::fflush(err_);
    drawn_ = true;
}

void CliProgress::finish() {
    if (drawn_) {
        std::fputc('\n', err_);
        std::fflush(err_);
        drawn_ = false;
    }
    lastPercent_ = -1;
}

} // namespace kpr::cli
