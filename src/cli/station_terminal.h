#pragma once
// What `kprtool station` shows while its boards work: on a terminal one live line per board
// (its phase and percent, as `kprtool write` shows one board) and a running total under
// them, redrawn in place; otherwise plain lines, one per phase and per pager. The operator's
// "pager inserted" is read from the terminal; the report gets a row as each pager ends, so a
// killed run keeps what it did.
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "station/station.h"

#include <QFile>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kpr::cli {

class StationTerminal final : public StationSink {
  public:
    // `names`: "Board K (PORT)" by position; `wanted`: the pagers wanted (0: no limit);
    // `interrupted`: set by Ctrl-C.
    StationTerminal(CommandContext& ctx, bool yes, int wanted, const std::atomic<bool>& interrupted,
                    std::FILE* err = stderr);
    ~StationTerminal() override;

    // A board of the run, by the number it goes by and its port.
    void board(int position, const std::string& port);
    // Starts the report (its header) at `path`; false with the reason when it cannot be made.
    bool open_report(const QString& path, QString& why);

    void message(int position, const std::string& port, const std::string& text,
                 MessageIcon icon) override;
    bool next_pager(int position, const std::string& port, PagerWait why) override;
    void ended(int position, const std::string& port, const std::string& reason) override;
    void no_more_pagers() override { finished_.store(true); }
    void pager_started(int position, const CapcodeReservation& r) override;
    void pager_done(const PagerRecord& record) override;
    void progress(int position, int value, int maximum) override;
    void status(int position, const std::string& text) override;
    void not_answering(int position, const std::string& port) override;

    // Ends the live lines (before the summary).
    void finish();

    std::vector<PagerRecord> records;

  private:
    struct Line {
        std::string name, phase;
        int value = 0, maximum = 0, percent = -1;
        Capcode capcode[2] = {0, 0};
    };
    // Waits for a line on stdin; false at its end, on Ctrl-C or once no pager is needed.
    bool read_enter();
    // Waits about a second (no terminal to ask): false on Ctrl-C or when no pager is needed.
    bool pause();
    // With mutex_ held: the live lines off the screen, something printed, then back.
    void clear();
    void redraw();
    void say(const std::string& text, bool toOut = false);
    std::string total() const;

    CommandContext& ctx_;
    bool yes_;
    int wanted_;
    const std::atomic<bool>& interrupted_;
    std::atomic<bool> finished_{false};
    std::FILE* err_;
    bool terminal_;
    std::mutex mutex_;
    std::mutex askMutex_;
    std::map<int, Line> lines_;
    int drawn_ = 0;       // live lines on the screen now
    bool asking_ = false; // a question is on the screen: no redraw below it
    int verified_ = 0, failed_ = 0, cancelled_ = 0;
    QFile report_;
};

} // namespace kpr::cli
