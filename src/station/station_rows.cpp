#include "station/station_rows.h"

#include "common/operator_messages.h"
#include "link/usb_link.h"

namespace kpr {

StationRows::StationRows(const std::vector<std::string>& ports,
                         std::function<void(StationRow)> changed)
    : changed_(std::move(changed)), waiting_(ports.size(), false), inserted_(ports.size(), false) {
    for (size_t i = 0; i < ports.size(); ++i) {
        StationRow r;
        r.position = static_cast<int>(i) + 1;
        r.port = ports[i];
        r.state = MsgStationProbing;
        rows_.push_back(r);
    }
}

void StationRows::publish(int position) {
    if (changed_)
        changed_(row(position));
}

bool StationRows::insert(int position) {
    std::lock_guard lock(gateMutex_);
    const size_t i = static_cast<size_t>(position - 1);
    if (closed_ || i >= waiting_.size() || !waiting_[i])
        return false;
    waiting_[i] = false;
    inserted_[i] = true;
    gateChanged_.notify_all();
    return true;
}

void StationRows::close() {
    std::lock_guard lock(gateMutex_);
    closed_ = true;
    gateChanged_.notify_all();
}

void StationRows::run_ended() {
    // Every position thread has ended: the rows are this thread's now.
    for (StationRow& r : rows_) {
        const bool verdict = r.state == MsgStationVerified || r.state == MsgStationFailed ||
                             r.state == MsgStationNoBoard || !r.reason.empty();
        if (!verdict || r.waiting) {
            r.state = MsgStationEnded;
            r.waiting = false;
            publish(r.position);
        }
    }
}

void StationRows::message(int position, const std::string&, const std::string& text,
                          MessageIcon icon) {
    // Success messages are the result itself; warnings go with the pager's result.
    if (icon == MessageIcon::Warning || icon == MessageIcon::Critical)
        row(position).note = text;
}

void StationRows::ended(int position, const std::string&, const std::string& reason) {
    if (reason.empty())
        return;
    StationRow& r = row(position);
    r.reason = reason;
    r.state = std::string(MsgStationEnded) + ": " + reason;
    r.waiting = false;
    publish(position);
}

bool StationRows::next_pager(int position, const std::string&, PagerWait why) {
    const size_t i = static_cast<size_t>(position - 1);
    {
        std::lock_guard lock(gateMutex_);
        if (closed_)
            return false;
        waiting_[i] = true;
    }
    StationRow& r = row(position);
    r.state = why == PagerWait::SamePager ? MsgStationSamePager
              : why == PagerWait::Retry   ? MsgStationRetry
                                          : MsgStationInsert;
    r.waiting = true;
    publish(position);
    bool go;
    {
        std::unique_lock lock(gateMutex_);
        gateChanged_.wait(lock, [&] { return closed_ || inserted_[i]; });
        go = inserted_[i] && !closed_;
        inserted_[i] = false;
        waiting_[i] = false;
    }
    r.waiting = false;
    publish(position);
    return go;
}

void StationRows::pager_started(int position, const CapcodeReservation& res) {
    StationRow& r = row(position);
    r.hasCapcodes = true;
    r.capcode[0] = res.capcode[0];
    r.capcode[1] = res.capcode[1];
    r.serial.clear();
    r.result.clear();
    r.note.clear();
    r.value = 0;
    publish(position);
}

void StationRows::pager_done(const PagerRecord& rec) {
    StationRow& r = row(rec.position);
    r.serial = rec.serial;
    r.result = rec.result;
    if (!r.note.empty() && rec.result.find(r.note) == std::string::npos)
        r.result += " (" + r.note + ")";
    r.state = rec.verified ? MsgStationVerified : MsgStationFailed;
    (rec.verified ? r.verified : r.failed) += 1;
    publish(rec.position);
}

void StationRows::progress(int position, int value, int maximum) {
    StationRow& r = row(position);
    r.value = value;
    r.maximum = maximum;
    publish(position);
}

void StationRows::colour(int position, uint32_t rgb) {
    row(position).colour = rgb;
    publish(position);
}

void StationRows::status(int position, const std::string& text) {
    row(position).state = text;
    publish(position);
}

void StationRows::not_answering(int position, const std::string&) {
    row(position).state = MsgStationNoBoard;
    row(position).result = MsgBoardNotResponding;
    publish(position);
}

} // namespace kpr
