#include "cli/interrupts.h"

#include <csignal>

namespace kpr::cli {

void catch_interrupts(void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_flags = SA_RESETHAND; // a second Ctrl-C ends the program at once
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void release_interrupts() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

} // namespace kpr::cli
