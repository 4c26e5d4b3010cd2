#include "support/fake_port_io.h"

#include <cstdio>

namespace kpr::test {

void EepromModel::log(const std::string& s) {
    if (fresh_ && s == "P") // a start and a stop with nothing between (the bus parked)
        return;
    if (fresh_)
        transactions.emplace_back(), fresh_ = false;
    transactions.back() += (transactions.back().empty() ? "" : " ") + s;
}

void EepromModel::on_data_register(uint8_t v) {
    violations += (v & 0xFC) != 0xFC;
    const bool scl = !(v & 0x01), sda = !(v & 0x02);
    if (scl != scl_) { // both lines changing in one write: the clock moves first
        scl_ = scl;
        scl ? rise() : fall();
    }
    if (sda == sdaMaster_)
        return;
    const bool before = line();
    sdaMaster_ = sda;
    if (!scl_ || before == line())
        return;
    if (line()) { // stop
        if (phase_ == Receive && target_ == Data && !pending_.empty()) {
            for (auto [a, b] : pending_)
                if (!writeProtected)
                    memory[static_cast<size_t>(a)] = b;
            pageWrites.emplace_back(first_, static_cast<int>(pending_.size()));
            busyUntilUs_ = now_() + writeCycleUs;
        }
        log("P");
        phase_ = Idle, fresh_ = true;
    } else { // start
        fresh_ = true;
        phase_ = Receive, target_ = Device, bit_ = 0, shift_ = 0;
    }
    pending_.clear();
    sdaDevice_ = true;
}

bool EepromModel::received(uint8_t b) {
    switch (target_) {
    case Device:
        if ((b & 0xF0) != 0xA0 || !chipPresent)
            return false;
        if (now_() < busyUntilUs_)
            return ++busyRefusals, false;
        reading_ = b & 1;
        block_ = (b >> 1) & 7;
        target_ = reading_ ? Device : Address;
        return true;
    case Address:
        first_ = addr_ = (block_ << 8) | b;
        target_ = Data;
        return true;
    case Data:
        pending_[addr_] = b;
        addr_ = (addr_ & ~15) | ((addr_ + 1) & 15);
        return true;
    }
    return false;
}

void EepromModel::rise() {
    if (phase_ == Receive && bit_ < 8)
        shift_ = static_cast<uint8_t>((shift_ << 1) | line()), ++bit_;
    else if (phase_ == Send && bit_ < 8)
        violations += ((sending_ >> (7 - bit_)) & 1) && !sdaMaster_;
    else if (phase_ == Send)
        masterAck_ = !line();
}

void EepromModel::fall() {
    char text[8];
    if (phase_ == Receive && bit_ == 8) { // the byte is in: answer in the acknowledge slot
        acked_ = received(shift_);
        std::snprintf(text, sizeof text, "%02X%c", shift_, acked_ ? '+' : '-');
        log(text);
        sdaDevice_ = !acked_, bit_ = 9;
    } else if (phase_ == Receive && bit_ == 9) {
        bit_ = 0, shift_ = 0, sdaDevice_ = true;
        phase_ = !acked_ ? Idle : reading_ ? Send : Receive;
        reading_ = false;
        if (phase_ == Send)
            load();
    } else if (phase_ == Send && ++bit_ < 8) {
        sdaDevice_ = (sending_ >> (7 - bit_)) & 1;
    } else if (phase_ == Send && bit_ == 8) {
        sdaDevice_ = true; // the program's acknowledge slot
    } else if (phase_ == Send) {
        std::snprintf(text, sizeof text, "%02X%c", sending_, masterAck_ ? '+' : '-');
        log(text);
        addr_ = (addr_ + 1) % 2048, bit_ = 0;
        if (masterAck_)
            load();
        else
            phase_ = Idle, sdaDevice_ = true;
    }
}

bool FakePortIo::open(uint16_t base) {
    close();
    auto it = bases.find(base);
    error_ = it == bases.end() ? "" : it->second.openError;
    if (it == bases.end() || !error_.empty())
        return false;
    base_ = base;
    opened.push_back(base);
    return true;
}

bool FakePortIo::usable() {
    if (broken_.empty() && is_open())
        return true;
    if (error_.empty())
        error_ = broken_.empty() ? "port not open" : broken_;
    return false;
}

void FakePortIo::write_data(uint8_t value) {
    if (!usable())
        return;
    data_ = value;
    written.push_back(value);
    if (EepromModel* m = bases[base_].memory)
        m->on_data_register(value);
}

uint8_t FakePortIo::read_status() {
    if (!usable())
        return 0;
    EepromModel* m = bases[base_].memory;
    return m ? m->status_register() : 0xFF;
}

} // namespace kpr::test
