#include "cli/cli_messages.h"

#include <cctype>

#include <unistd.h>

namespace kpr::cli {

CliMessages::CliMessages(std::FILE* err, std::FILE* in) : err_(err), in_(in) {}

void CliMessages::print(const std::string& text) {
    std::string t;
    t.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        t += text[i];
    }
    std::fputs(t.c_str(), err_);
}

void CliMessages::message(const std::string& text, MessageIcon) {
    shown_.push_back(text);
    std::fflush(stdout);
    print(text);
    std::fputc('\n', err_);
    std::fflush(err_);
}

bool CliMessages::ask(const std::string& text) {
    shown_.push_back(text);
    std::fflush(stdout);
    print(text);
    if (assumeYes_) {
        std::fputs(" y\n", err_);
        std::fflush(err_);
        return true;
    }
    if (!in_ || !::isatty(fileno(in_))) {
        std::fputs(" n (no terminal to ask; --yes answers Yes)\n", err_);
        std::fflush(err_);
        return false;
    }
    for (;;) {
        std::fputs(" [y/n] ", err_);
        std::fflush(err_);
        char line[256];
        if (!std::fgets(line, sizeof line, in_)) {
            std::fputc('\n', err_);
            return false;
        }
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (c == 'y')
            return true;
        if (c == 'n')
            return false;
    }
}

} // namespace kpr::cli
