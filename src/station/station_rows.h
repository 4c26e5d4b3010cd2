#pragma once
// What a station window shows for each board, kept by a StationSink: the row of a position
// changes only on that position's thread, and every change goes out as a copy, so a window
// can carry it to its own thread. The operator's "pager inserted" is a gate per position.
#include "common/operator_texts.h"
#include "station/station.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kpr {

struct StationRow {
    int position = 0; // 1-based
    std::string port;
    std::string state;
    int value = 0;
    int maximum = 0;
    uint32_t colour = 0x80000000u; // as ProgressSink::setColour: the system highlight
    std::string serial;
    bool hasCapcodes = false;
    Capcode capcode[2] = {0, 0};
    std::string result;   // of the last pager
    std::string note;     // the last warning of the pager in work
    bool waiting = false; // for the operator's "pager inserted"
    std::string reason;   // the message that ended the position, when not done
    int verified = 0;
    int failed = 0;
};

class StationRows final : public StationSink {
  public:
    // changed: called with a copy of a row after each change, on the thread that made it.
    StationRows(const std::vector<std::string>& ports, std::function<void(StationRow)> changed);

    const std::vector<StationRow>& rows() const { return rows_; }

    // The operator put a pager into the board of `position`: a waiting position goes on.
    // False when that position is not waiting.
    bool insert(int position);
    // Every waiting position, and every later one, ends instead.
    void close();
    // After the run: every row not yet at a verdict shows it has ended.
    void run_ended();

    void message(int position, const std::string& port, const std::string& text,
                 MessageIcon icon) override;
    bool next_pager(int position, const std::string& port, PagerWait why) override;
    void ended(int position, const std::string& port, const std::string& reason) override;
    void no_more_pagers() override { close(); }
    void pager_started(int position, const CapcodeReservation& r) override;
    void pager_done(const PagerRecord& record) override;
    void progress(int position, int value, int maximum) override;
    void colour(int position, uint32_t rgb) override;
    void status(int position, const std::string& text) override;
    void not_answering(int position, const std::string& port) override;

  private:
    StationRow& row(int position) { return rows_.at(static_cast<size_t>(position - 1)); }
    void publish(int position);

    std::vector<StationRow> rows_; // a row is written only by its position's thread
    std::function<void(StationRow)> changed_;
    std::mutex gateMutex_;
    std::condition_variable gateChanged_;
    std::vector<bool> waiting_; // guarded by gateMutex_
    std::vector<bool> inserted_;
    bool closed_ = false;
};

} // namespace kpr
