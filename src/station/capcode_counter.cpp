#include "station/capcode_counter.h"

#include "ops/operations.h"

#include <algorithm>

namespace kpr {

CapcodeCounter::CapcodeCounter(long long first, long long second, bool inc1, bool inc2, int pagers)
    : next_{{first, second}, 0}, inc_{inc1, inc2}, wanted_(std::max(0, pagers)) {}

std::optional<CapcodeReservation> CapcodeCounter::reserve() {
    std::unique_lock lock(mutex_);
    return take(lock, true);
}

std::optional<CapcodeReservation> CapcodeCounter::try_reserve() {
    std::unique_lock lock(mutex_);
    return take(lock, false);
}

std::optional<CapcodeReservation> CapcodeCounter::take(std::unique_lock<std::mutex>& lock,
                                                       bool wait) {
    for (;;) {
        if (closed_ || (wanted_ > 0 && verified_ >= wanted_))
            return std::nullopt;
        if (wanted_ == 0 || verified_ + inFlight_ < wanted_)
            break;
        // Enough pagers are in work; one of them failing would need another.
        if (!wait)
            return std::nullopt;
        changed_.wait(lock);
    }
    ++inFlight_;
    if (!returned_.empty()) {
        CapcodeReservation r = returned_.front();
        returned_.pop_front();
        return r;
    }
    CapcodeReservation r = next_;
    ++next_.order;
    // A capcode at its largest value stays there, as in single-board batch writing.
    for (int i = 0; i < 2; ++i)
        if (inc_[i] && next_.capcode[i] < CapcodeMax)
            ++next_.capcode[i];
    return r;
}

std::vector<std::string> CapcodeCounter::finalize(const CapcodeReservation& r) {
    std::lock_guard lock(mutex_);
    --inFlight_;
    ++verified_;
    changed_.notify_all();
    std::vector<std::string> messages;
    for (int i = 0; i < 2; ++i)
        if (inc_[i] && r.capcode[i] >= CapcodeMax)
            messages.push_back("Capcode " + std::to_string(i + 1) +
                               " > 2097151 so can not be increase!");
    return messages;
}

void CapcodeCounter::give_back(const CapcodeReservation& r) {
    std::lock_guard lock(mutex_);
    --inFlight_;
    auto at = std::find_if(returned_.begin(), returned_.end(),
                           [&](const CapcodeReservation& q) { return q.order > r.order; });
    returned_.insert(at, r);
    changed_.notify_all();
}

void CapcodeCounter::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

int CapcodeCounter::verified() const {
    std::lock_guard lock(mutex_);
    return verified_;
}

int CapcodeCounter::inFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_;
}

CapcodeReservation CapcodeCounter::next() const {
    std::lock_guard lock(mutex_);
    return returned_.empty() ? next_ : returned_.front();
}

} // namespace kpr
