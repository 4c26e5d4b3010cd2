#include "station/station.h"

#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "hardware/clock.h"
#include "hardware/port_lister.h"
#include "hardware/serial_port.h"
#include "ops/board_session.h"
#include "ops/seal.h"
#include "settings/battery.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace kpr {

namespace {

class OnePortLister final : public PortLister {
  public:
    explicit OnePortLister(std::string port) : port_(std::move(port)) {}
    std::vector<std::string> ports() override { return {port_}; }

  private:
    std::string port_;
};

// A position's messages: to the sink with the position, the last one kept for the report.
class PositionMessages final : public OperatorMessages {
  public:
    PositionMessages(StationSink& sink, int position, std::string port)
        : sink_(sink), position_(position), port_(std::move(port)) {}
    void message(const std::string& text, MessageIcon icon) override {
        last = text;
        sink_.message(position_, port_, text, icon);
    }
    // Nobody stands at one position to answer: a question is shown and taken as No.
    bool ask(const std::string& text) override {
        message(text, MessageIcon::Question);
        return false;
    }
    std::string last;

  private:
    StationSink& sink_;
    int position_;
    std::string port_;
};

class PositionProgress final : public ProgressSink {
  public:
    PositionProgress(StationSink& sink, int position) : sink_(sink), position_(position) {}
    void setMaximum(int maximum) override { maximum_ = maximum; }
    void setPosition(int value) override { sink_.progress(position_, value, maximum_); }
    void setColour(uint32_t rgb) override { sink_.colour(position_, rgb); }
    void setStatus(const std::string& text) override { sink_.status(position_, text); }

  private:
    StationSink& sink_;
    int position_;
    int maximum_ = 0;
};

// Notes the image that goes out and its serial number, passes everything on, and marks the
// pager's capcode reservations "writing" in the ledger right before its first block goes out.
class SerialNote final : public TransferObserver {
  public:
    SerialNote(std::unique_ptr<TransferObserver> inner, PagerLedger* ledger,
               OperatorMessages& messages)
        : inner_(std::move(inner)), ledger_(ledger), messages_(messages) {}
    void read_accepted(const PagerImage& image) override {
        if (inner_)
            inner_->read_accepted(image);
    }
    bool before_write(const PagerImage& outgoing, BlockTransfer& link,
                      ProgressSink& progress) override {
        const std::string bytes(reinterpret_cast<const char*>(outgoing.data()) + AddrSerialFirst,
                                SerialLength);
        // The pager just verified is still in the board: nothing is written to it again.
        // Only a serial that names one pager can tell (erased pagers all get the default).
        if (bytes == lastVerified && serial_identifies_pager(bytes)) {
            samePager = true;
            return false;
        }
        serialBytes = bytes;
        written = outgoing;
        if (inner_ && !inner_->before_write(outgoing, link, progress))
            return false;
        backupFile = inner_ ? inner_->last_backup_file() : std::string();
        if (!ledger_ || (reservations.empty() && jobRow == 0))
            return true;
        try {
            if (jobRow != 0)
                ledger_->mark_job_row_writing(jobRow, outgoing);
            ledger_->mark_writing(reservations, outgoing);
            marked = true;
            return true;
        } catch (const std::exception& e) {
            messages_.message(std::string(e.what()) + " The pager has not been written.",
                              MessageIcon::Critical);
            return false;
        }
    }
    // The pager about to be written: its reservations, nothing noted yet.
    void start(const std::vector<int64_t>& pagerReservations, int64_t row) {
        reservations = pagerReservations;
        jobRow = row;
        marked = samePager = false;
        serialBytes.clear();
        backupFile.clear();
        written.reset();
    }
    std::string serialBytes;  // of the pager being written; "" before its write
    std::string lastVerified; // the serial bytes of this board's last verified pager
    bool samePager = false;   // the write was stopped: the last verified pager is in the board
    std::string backupFile;
    std::optional<PagerImage> written;
    std::vector<int64_t> reservations;
    int64_t jobRow = 0;
    bool marked = false; // the reservations are marked "writing"

  private:
    std::unique_ptr<TransferObserver> inner_; // the backups, if any
    PagerLedger* ledger_;
    OperatorMessages& messages_;
};

void release_reservations(PagerLedger* ledger, const CapcodeReservation& r) {
    if (!ledger || (r.reservations.empty() && !r.job))
        return;
    try {
        if (r.job)
            ledger->return_job_row(r.job->row);
        ledger->release(r.reservations);
    } catch (const std::exception&) {
        // this station's next start frees them
    }
}

// The attempt in the ledger, which drops the pager's reservations with it. False, with the reason
// shown, when the ledger could not take it: the position ends then, as it could no longer
// tell which capcodes are free. Reservations of a pager whose write had started stay.
bool record_attempt(PagerLedger* ledger, PositionMessages& messages, const PagerRecord& rec,
                    OpOutcome outcome, const SerialNote& note, const PagerImage& meant,
                    const CapcodeReservation& r) {
    const std::optional<PagerImage>& written = note.written;
    if (!ledger)
        return true;
    PagerAttempt a;
    a.port = rec.port;
    a.written = written;
    a.meant = &meant;
    a.result = rec.verified ? "verified" : outcome == OpOutcome::Cancelled ? "cancelled" : "failed";
    a.message = messages.last;
    a.backupFile = note.backupFile;
    a.jobRow = r.job ? r.job->row : 0;
    try {
        ledger->record(a, r.reservations);
        return true;
    } catch (const std::exception& e) {
        if (rec.verified)
            messages.message("Pager " + (rec.serial.empty() ? std::string("-") : rec.serial) +
                                 " was written and verified, but the ledger could not record "
                                 "it: " +
                                 e.what() + " Its capcodes stay held in the ledger.",
                             MessageIcon::Critical);
        else
            messages.message("The attempt could not be recorded in the ledger. " +
                                 std::string(e.what()),
                             MessageIcon::Critical);
        if (!rec.verified && !note.marked)
            release_reservations(ledger, r);
        return false;
    }
}

} // namespace

struct Station::Position {
    int number = 0;
    std::string port;
    std::thread thread;
    std::mutex mutex;
    Operations* ops = nullptr; // while the position writes; guarded by mutex
    bool cancelled = false;    // guarded by mutex
    bool answered = false;
    int verified = 0;
    int failed = 0;
    int cancelledPagers = 0;
    std::string lastFailure;
};

Station::Station(StationSetup setup, CapcodeCounter& counter, StationSink& sink)
    : setup_(std::move(setup)), counter_(counter), sink_(sink) {}

Station::~Station() {
    stop();
    counter_.close();
    for (auto& p : positions_)
        if (p->thread.joinable())
            p->thread.join();
}

StationSummary Station::run() {
    const int64_t t0 = setup_.clock->nowMs();
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    int running = 0;
    for (size_t i = 0; i < setup_.ports.size(); ++i) {
        auto p = std::make_unique<Position>();
        p->number = i < setup_.numbers.size() ? setup_.numbers[i] : static_cast<int>(i) + 1;
        p->port = setup_.ports[i];
        positions_.push_back(std::move(p));
    }
    running = static_cast<int>(positions_.size());
    for (auto& p : positions_) {
        p->thread = std::thread([&, pos = p.get()] {
            run_position(*pos);
            std::lock_guard lock(doneMutex);
            --running;
            doneChanged.notify_all();
        });
    }
    // Watches for stop(), which a signal handler may call and so cannot wake anyone.
    bool stopped = false;
    {
        std::unique_lock lock(doneMutex);
        while (running > 0) {
            doneChanged.wait_for(lock, std::chrono::milliseconds(50));
            if (!stopped && stopRequested()) {
                stopped = true;
                counter_.close();
                for (auto& p : positions_) {
                    std::lock_guard plock(p->mutex);
                    p->cancelled = true;
                    if (p->ops)
                        p->ops->request_cancel();
                }
            }
        }
    }
    StationSummary s;
    for (auto& p : positions_) {
        p->thread.join();
        s.positions += p->answered ? 1 : 0;
        s.verified += p->verified;
        s.failed += p->failed;
        s.cancelled += p->cancelledPagers;
    }
    s.seconds = static_cast<double>(setup_.clock->nowMs() - t0) / 1000.0;
    return s;
}

void Station::run_position(Position& p) {
    PositionMessages messages(sink_, p.number, p.port);
    PositionProgress progress(sink_, p.number);
    std::unique_ptr<SerialPort> port = setup_.makePort(p.port);
    OnePortLister lister(p.port);
    Editor editor(messages);
    EditorAdapter hooks(editor);
    BoardSession session({*port, lister, *setup_.clock}, hooks, messages, progress);
    if (!session.board().connect(false)) {
        sink_.not_answering(p.number, p.port);
        return;
    }
    p.answered = true;

    Operations& ops = session.operations();
    PagerLedger* ledger = counter_.ledger();
    auto noted = std::make_unique<SerialNote>(
        setup_.makeObserver ? setup_.makeObserver(messages) : nullptr, ledger, messages);
    SerialNote& note = *noted;
    session.setObserver(std::move(noted));

    if (setup_.loadEditor(editor)) {
        EditorFlags& flags = editor.flags();
        flags.ScanIdle = true;
        flags.OperationKind = OperationKind::Write;
        {
            {
                std::lock_guard lock(p.mutex);
                p.ops = p.cancelled ? nullptr : &ops;
            }
            PagerWait wait = PagerWait::Next;
            std::string reason; // why the position ended, when not done
            while (!stopRequested()) {
                if (counter_.finished())
                    break; // every pager wanted is verified: none to ask for
                if (!sink_.next_pager(p.number, p.port, wait) || stopRequested()) {
                    if (wait == PagerWait::Retry)
                        reason = p.lastFailure;
                    break;
                }
                // The capcodes now, when the operator has released the board: boards take
                // them in the order they are released.
                std::optional<CapcodeReservation> r;
                try {
                    r = counter_.reserve();
                } catch (const std::exception& e) {
                    messages.message(e.what(), MessageIcon::Critical);
                    reason = e.what();
                    break;
                }
                if (!r)
                    break;
                for (const std::string& line : r->notes)
                    messages.message(line, MessageIcon::Information);
                if (r->job) {
                    editor.load_image(r->job->image);
                    messages.message("Row " + std::to_string(r->job->number) +
                                         (r->job->label.empty() ? "" : " (" + r->job->label + ")"),
                                     MessageIcon::Information);
                } else {
                    for (int i = 0; i < 2; ++i)
                        if (capcode_value(hooks.capcode_text(i)) != r->capcode[i])
                            hooks.store_capcode_text(i, std::to_string(r->capcode[i]));
                    hooks.read_capcode();
                }
                sink_.pager_started(p.number, *r);

                PagerRecord rec;
                rec.position = p.number;
                rec.port = p.port;
                rec.capcode[0] = r->capcode[0];
                rec.capcode[1] = r->capcode[1];
                note.start(r->reservations, r->job ? r->job->row : 0);
                messages.last.clear();
                const int64_t start = setup_.clock->nowMs();
                const OpOutcome outcome = ops.write_and_verify();
                if (note.samePager) {
                    // Nothing was written: the capcodes go back, the board waits for a pager.
                    release_reservations(ledger, *r);
                    counter_.give_back(*r);
                    messages.message("The pager in the board is the one just verified (" +
                                         shown_serial_number(note.lastVerified) +
                                         "): it is not written again. Put in the next pager.",
                                     MessageIcon::Warning);
                    wait = PagerWait::SamePager;
                    continue;
                }
                rec.seconds = static_cast<double>(setup_.clock->nowMs() - start) / 1000.0;
                rec.serial = shown_serial_number(note.serialBytes);
                rec.verified = outcome == OpOutcome::Success;
                // The pager's own story, before the ledger has its say.
                rec.result = rec.verified                      ? "verified"
                             : outcome == OpOutcome::Cancelled ? "cancelled"
                                                               : "incomplete: " + messages.last;
                const bool recorded =
                    record_attempt(ledger, messages, rec, outcome, note, editor.image(), *r);
                if (!recorded && rec.verified) {
                    // A verified pager the ledger does not know of: no board takes another
                    // pager until the technician has seen to it.
                    rec.unrecorded = true;
                    counter_.close();
                }
                if (rec.verified) {
                    ++p.verified;
                    note.lastVerified = note.serialBytes;
                    for (const std::string& m : counter_.finalize(*r))
                        messages.message(m, MessageIcon::Warning);
                    if (counter_.finished())
                        sink_.no_more_pagers();
                } else {
                    // Its capcodes go to the next pager of any position; this one may try the
                    // pager again once the operator has re-seated it.
                    counter_.give_back(*r);
                    ++(outcome == OpOutcome::Cancelled ? p.cancelledPagers : p.failed);
                    p.lastFailure = rec.result;
                }
                sink_.pager_done(rec);
                if (!recorded) {
                    reason = messages.last;
                    break;
                }
                wait = rec.verified ? PagerWait::Next : PagerWait::Retry;
            }
            sink_.ended(p.number, p.port, reason);
            std::lock_guard lock(p.mutex);
            p.ops = nullptr;
        }
    }
    // The board is released even after a cancel: the release is one short exchange.
    ops.clear_cancel();
    session.board().release();
}

} // namespace kpr
