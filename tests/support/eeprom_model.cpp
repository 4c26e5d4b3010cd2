#include "eeprom_model.h"

#include <cstdio>

namespace kpr::test {

namespace {
std::string hex(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "&H%02X", v & 0xFF);
    return buf;
}
} // namespace

EepromModel::EepromModel(std::function<int64_t()> now) : now_(std::move(now)) {
    memory.fill(0xFF);
}

bool EepromModel::busy() const {
    return now_() < busyUntilUs_;
}

std::vector<uint8_t> EepromModel::device_bytes() const {
    std::vector<uint8_t> out;
    for (const Transaction& t : transactions)
        if (!t.bytes.empty() && t.bytes.front().fromMaster)
            out.push_back(t.bytes.front().value);
    return out;
}

void EepromModel::clear_records() {
    transactions.clear();
    pageWrites.clear();
    busyRefusals = abortedWrites = 0;
    violations.clear();
}

void EepromModel::note(const std::string& what) {
    if (violations.size() < 50)
        violations.push_back(what);
}

void EepromModel::record(BusByte b) {
    if (!transactions.empty())
        transactions.back().bytes.push_back(b);
}

uint8_t EepromModel::status_register() const {
    // Status bit 3 reads the data line through the board's inverter; the other bits are
    // what an idle printer port shows.
    return static_cast<uint8_t>(0x07 | (line() ? 0x00 : 0x08));
}

void EepromModel::on_data_register(uint8_t v) {
    if ((v & 0xFC) != 0xFC)
        note("data register " + hex(v) + ": bits 2-7 must stay set");
    const bool scl = (v & 0x01) == 0;
    const bool sdaMaster = (v & 0x02) == 0;
    // Both lines changing in one write: the clock is taken to move first.
    if (scl != scl_) {
        scl_ = scl;
        if (scl)
            clock_rise();
        else
            clock_fall();
    }
    if (sdaMaster != sdaMaster_) {
        const bool before = line();
        sdaMaster_ = sdaMaster;
        const bool after = line();
        if (scl_ && before != after) {
            if (after)
                on_stop();
            else
                on_start();
        }
    }
}

void EepromModel::on_start() {
    if (phase_ == Phase::Receive && target_ == Target::Data && !pending_.empty())
        ++abortedWrites;
    pending_.clear();
    transactions.push_back({});
    phase_ = Phase::Receive;
    target_ = Target::Device;
    bit_ = 0;
    shift_ = 0;
    ackPhase_ = false;
    nextSend_ = false;
    sdaDevice_ = true;
}

void EepromModel::on_stop() {
    if (!transactions.empty())
        transactions.back().endedByStop = true;
    if (phase_ == Phase::Receive && target_ == Target::Data && !pending_.empty()) {
        PageWrite w{pageFirst_, {}, now_()};
        for (auto [a, v] : pending_) {
            if (!writeProtected)
                memory[static_cast<size_t>(a)] = v;
            w.addresses.push_back(a);
        }
        pageWrites.push_back(std::move(w));
        busyUntilUs_ = now_() + writeCycleUs;
    }
    pending_.clear();
    phase_ = Phase::Idle;
    sdaDevice_ = true;
}

bool EepromModel::byte_received(uint8_t b) {
    switch (target_) {
    case Target::Device: {
        if ((b & 0xF0) != 0xA0 || !chipPresent)
            return false;
        if (busy()) {
            ++busyRefusals;
            return false;
        }
        if (b & 1) {
            nextSend_ = true;
        } else {
            writeBlock_ = (b >> 1) & 7;
            target_ = Target::Address;
        }
        return true;
    }
    case Target::Address:
        addr_ = (writeBlock_ << 8) | b;
        pageFirst_ = addr_;
        pending_.clear();
        target_ = Target::Data;
        return true;
    case Target::Data: {
        // A later byte for the same address replaces the earlier one, as in the page buffer.
        bool replaced = false;
        for (auto& p : pending_)
            if (p.first == addr_) {
                p.second = b;
                replaced = true;
            }
        if (!replaced)
            pending_.emplace_back(addr_, b);
        // The address counter rolls over inside the page.
        addr_ = (addr_ & ~(PageSize - 1)) | ((addr_ + 1) & (PageSize - 1));
        return true;
    }
    }
    return false;
}

void EepromModel::clock_rise() {
    switch (phase_) {
    case Phase::Idle:
        break;
    case Phase::Receive:
        if (!ackPhase_ && bit_ < 8) {
            shift_ = static_cast<uint8_t>((shift_ << 1) | (line() ? 1 : 0));
            ++bit_;
        }
        break;
    case Phase::Send:
        if (bit_ < 8) {
            if (((sending_ >> (7 - bit_)) & 1) && !sdaMaster_)
                note("the program held the data line low while the memory was sending");
        } else {
            masterAck_ = !line();
        }
        break;
    }
}

void EepromModel::clock_fall() {
    switch (phase_) {
    case Phase::Idle:
        break;
    case Phase::Receive:
        if (!ackPhase_ && bit_ == 8) {
            acked_ = byte_received(shift_);
            record({shift_, true, acked_});
            ackPhase_ = true;
            sdaDevice_ = !acked_;
        } else if (ackPhase_) {
            ackPhase_ = false;
            sdaDevice_ = true;
            bit_ = 0;
            shift_ = 0;
            if (!acked_) {
                phase_ = Phase::Idle;
            } else if (nextSend_) {
                nextSend_ = false;
                phase_ = Phase::Send;
                sending_ = memory[static_cast<size_t>(addr_)];
                sdaDevice_ = (sending_ & 0x80) != 0;
            }
        }
        break;
    case Phase::Send:
        ++bit_;
        if (bit_ < 8) {
            sdaDevice_ = ((sending_ >> (7 - bit_)) & 1) != 0;
        } else if (bit_ == 8) {
            sdaDevice_ = true; // the program's acknowledge slot
        } else {
            record({sending_, false, masterAck_});
            addr_ = (addr_ + 1) % Size;
            bit_ = 0;
            if (masterAck_) {
                sending_ = memory[static_cast<size_t>(addr_)];
                sdaDevice_ = (sending_ & 0x80) != 0;
            } else {
                phase_ = Phase::Idle;
                sdaDevice_ = true;
            }
        }
        break;
    }
}

} // namespace kpr::test
