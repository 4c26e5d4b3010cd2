#include "cli/station_terminal.h"

#include "ledger/ledger_format.h"
#include "link/board_link.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace kpr::cli {

namespace {
std::string board_name(int position, const std::string& port) {
    return "Board " + std::to_string(position) + " (" + port + ")";
}
} // namespace

StationTerminal::StationTerminal(CommandContext& ctx, bool yes, int wanted,
                                 const std::atomic<bool>& interrupted, std::FILE* err)
    : ctx_(ctx), yes_(yes), wanted_(wanted), interrupted_(interrupted), err_(err),
      terminal_(::isatty(::fileno(err)) && ::isatty(STDOUT_FILENO)) {}

StationTerminal::~StationTerminal() {
    finish();
}

void StationTerminal::board(int position, const std::string& port) {
    std::lock_guard lock(mutex_);
    lines_[position].name = board_name(position, port);
    lines_[position].phase = "Looking for the board...";
}

bool StationTerminal::open_report(const QString& path, QString& why) {
    report_.setFileName(path);
    if (!report_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        why = report_.errorString();
        return false;
    }
    report_.write(QByteArray::fromStdString(ledger_csv_line(
        {"position", "port", "serial", "capcode1", "capcode2", "result", "seconds"})));
    report_.flush();
    return true;
}

void StationTerminal::clear() {
    if (drawn_ > 0)
        std::fprintf(err_, "\x1b[%dF\x1b[J", drawn_);
    drawn_ = 0;
}

void StationTerminal::redraw() {
    if (!terminal_ || asking_)
        return;
    clear();
    std::string out;
    for (const auto& [position, l] : lines_) {
        out += l.name + ": " + l.phase;
        if (l.percent >= 0)
            out += " " + std::to_string(l.percent) + "%";
        out += "\n";
        ++drawn_;
    }
    out += total() + "\n";
    ++drawn_;
    std::fputs(out.c_str(), err_);
    std::fflush(err_);
}

std::string StationTerminal::total() const {
    std::string t = "Verified " + std::to_string(verified_);
    if (wanted_ > 0)
        t += ", to go " + std::to_string(std::max(0, wanted_ - verified_));
    t += ", failed " + std::to_string(failed_);
    if (cancelled_ > 0)
        t += ", cancelled " + std::to_string(cancelled_);
    return t;
}

void StationTerminal::say(const std::string& text, bool toOut) {
    clear();
    if (toOut) {
        ctx_.out << QString::fromStdString(text) << "\n";
        ctx_.out.flush();
    } else {
        ctx_.err << QString::fromStdString(text) << "\n";
        ctx_.err.flush();
    }
    redraw();
}

void StationTerminal::message(int position, const std::string& port, const std::string& text,
                              MessageIcon icon) {
    std::lock_guard lock(mutex_);
    clear();
    ctx_.messages.message(board_name(position, port) + ": " + text, icon);
    redraw();
}

void StationTerminal::not_answering(int position, const std::string& port) {
    std::error_code ec;
    const bool there = std::filesystem::exists(port, ec);
    std::lock_guard lock(mutex_);
    lines_.erase(position);
    say(board_name(position, port) + ": " +
        (there ? std::string(MsgBoardNotResponding) : std::string("There is no such port.")));
}

void StationTerminal::pager_started(int position, const CapcodeReservation& r) {
    std::lock_guard lock(mutex_);
    Line& l = lines_[position];
    l.capcode[0] = r.capcode[0];
    l.capcode[1] = r.capcode[1];
}

void StationTerminal::progress(int position, int value, int maximum) {
    std::lock_guard lock(mutex_);
    Line& l = lines_[position];
    const int percent = maximum > 0 ? static_cast<int>(100LL * value / maximum) : -1;
    if (percent == l.percent)
        return;
    l.percent = percent;
    redraw();
}

void StationTerminal::status(int position, const std::string& text) {
    std::lock_guard lock(mutex_);
    Line& l = lines_[position];
    if (text.empty() || text == l.phase)
        return;
    l.phase = text;
    l.percent = -1;
    if (terminal_)
        redraw();
    else
        say(l.name + ": " + text);
}

bool StationTerminal::pause() {
    for (int i = 0; i < 10; ++i) {
        if (interrupted_.load() || finished_.load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

bool StationTerminal::next_pager(int position, const std::string& port, PagerWait why) {
    if (yes_) {
        // Nobody to ask: a new pager goes straight on; the same pager is looked at again
        // every second until it has been changed; a failed one is not tried again.
        if (why == PagerWait::Next)
            return true;
        return why == PagerWait::SamePager && pause();
    }
    // One question at a time: the answer belongs to the board that asked.
    std::lock_guard ask(askMutex_);
    {
        std::lock_guard lock(mutex_);
        const char* what =
            why == PagerWait::Retry       ? "re-seat the pager, then press Enter to try it again"
            : why == PagerWait::SamePager ? "the pager just verified is still in: insert the next "
                                            "pager, then press Enter"
                                          : "insert the next pager, then press Enter";
        clear();
        std::fprintf(err_, "%s: %s\n", board_name(position, port).c_str(), what);
        std::fflush(err_);
        asking_ = true;
    }
    const bool go = read_enter();
    std::lock_guard lock(mutex_);
    asking_ = false;
    redraw();
    return go;
}

void StationTerminal::ended(int position, const std::string& port, const std::string& reason) {
    std::lock_guard lock(mutex_);
    lines_.erase(position);
    if (!reason.empty())
        say(board_name(position, port) + ": ended: " + reason);
    else
        redraw();
}

void StationTerminal::pager_done(const PagerRecord& r) {
    std::lock_guard lock(mutex_);
    records.push_back(r);
    ++(r.verified ? verified_ : r.result == "cancelled" ? cancelled_ : failed_);
    if (auto l = lines_.find(r.position); l != lines_.end()) {
        l->second.phase = r.verified ? "done, free for the next pager" : r.result;
        l->second.percent = -1;
    }
    say(board_name(r.position, r.port) + ": pager " + (r.serial.empty() ? "-" : r.serial) +
            ", capcodes " + std::to_string(r.capcode[0]) + " / " + std::to_string(r.capcode[1]) +
            ", " + r.result + ", " + QString::number(r.seconds, 'f', 1).toStdString() + " s",
        true);
    if (!terminal_)
        say(total());
    if (report_.isOpen()) {
        // Made safe for the spreadsheet it is usually opened in.
        report_.write(QByteArray::fromStdString(
            ledger_csv_line({std::to_string(r.position), r.port, r.serial,
                             std::to_string(r.capcode[0]), std::to_string(r.capcode[1]), r.result,
                             QString::number(r.seconds, 'f', 1).toStdString()},
                            CsvStyle::Spreadsheet)));
        report_.flush();
    }
}

void StationTerminal::finish() {
    std::lock_guard lock(mutex_);
    clear();
    lines_.clear();
}

bool StationTerminal::read_enter() {
    for (;;) {
        if (interrupted_.load() || finished_.load())
            return false;
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0)
            continue;
        char c;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
    }
}

} // namespace kpr::cli
