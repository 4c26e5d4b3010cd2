#pragma once
// A programming station: several boards, each a position writing and verifying one pager
// after another on its own serial line, its own worker thread and its own editor with its
// own copy of the image. The positions share only the capcode counter and the sink.
#include "common/operator_messages.h"
#include "station/capcode_counter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kpr {

class Clock;
class Editor;
class SerialPort;
class TransferObserver;

// One pager a position wrote.
struct PagerRecord {
    int position = 0; // 1-based, the port's place in the list
    std::string port;
    std::string serial; // as written into the pager (as shown); empty when the write stopped before
    Capcode capcode[2] = {0, 0};
    bool verified = false;
    // Verified, but the ledger could not record it: its capcodes stay held there.
    bool unrecorded = false;
    std::string result; // "verified", "cancelled", or "incomplete: " and the message that
                        // ended it
    double seconds = 0;
};

// Why a position waits for the operator.
enum class PagerWait {
    Next,      // free for the next pager
    SamePager, // the pager in the board is the one it has just verified: nothing was written
    Retry,     // its last pager failed: once re-seated, that pager is tried again
};

// What the positions report. Called from their worker threads, possibly at once: an
// implementation keeps itself consistent.
class StationSink {
  public:
    virtual ~StationSink() = default;
    // A message of a position's operations, its board or the counter.
    virtual void message(int position, const std::string& port, const std::string& text,
                         MessageIcon icon) = 0;
    // The position is free for a pager (its capcodes are taken once the operator says the
    // pager is in, so they follow the order boards are released): true once the pager is
    // in the board, false to end the position.
    virtual bool next_pager(int position, const std::string& port, PagerWait why) = 0;
    // The position has ended; `reason` is the message that ended it, "" when it was done.
    virtual void ended(int /*position*/, const std::string& /*port*/,
                       const std::string& /*reason*/) {}
    // The pagers wanted are all verified: positions waiting for the operator end.
    virtual void no_more_pagers() {}
    virtual void pager_started(int /*position*/, const CapcodeReservation&) {}
    virtual void pager_done(const PagerRecord& record) = 0;
    // The write's or verify's progress bar, its colour and status text.
    virtual void progress(int /*position*/, int /*value*/, int /*maximum*/) {}
    virtual void colour(int /*position*/, uint32_t /*rgb*/) {}
    virtual void status(int /*position*/, const std::string& /*text*/) {}
    // The port did not answer the probe: no position there.
    virtual void not_answering(int /*position*/, const std::string& /*port*/) {}
};

struct StationSetup {
    std::vector<std::string> ports;
    // The number each port's position goes by (default: its place in `ports`, from 1).
    std::vector<int> numbers;
    // The serial port of the position at `port`, made on that position's thread.
    std::function<std::unique_ptr<SerialPort>(const std::string& port)> makePort;
    Clock* clock = nullptr; // shared: must be safe to call from every thread
    // Loads the image to write into a position's editor (on that position's thread).
    std::function<bool(Editor&)> loadEditor;
    // Backups of what a position writes; may be empty.
    std::function<std::unique_ptr<TransferObserver>(OperatorMessages&)> makeObserver;
};

struct StationSummary {
    int positions = 0; // boards that answered
    int verified = 0;
    int failed = 0;
    int cancelled = 0;
    double seconds = 0;
    double pagersPerHour() const { return seconds > 0 ? verified * 3600.0 / seconds : 0; }
};

class Station {
  public:
    Station(StationSetup setup, CapcodeCounter& counter, StationSink& sink);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Probes every port at once and runs the positions that answered until the counter has
    // its pagers, stop() is called, or no position is left. Blocks until every position
    // has released its board.
    StationSummary run();
    // From any thread, or a signal handler (it only sets a flag): every position cancels
    // its operation and ends.
    void stop() { stopRequested_.store(true); }
    bool stopRequested() const { return stopRequested_.load(); }

  private:
    struct Position;
    void run_position(Position& p);

    StationSetup setup_;
    CapcodeCounter& counter_;
    StationSink& sink_;
    std::atomic<bool> stopRequested_{false};
    std::vector<std::unique_ptr<Position>> positions_;
};

} // namespace kpr
