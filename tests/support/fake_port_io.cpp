#include "fake_port_io.h"

namespace kpr::test {

FakePortIo::Slot* FakePortIo::slot() {
    auto it = bases.find(base_);
    return it == bases.end() ? nullptr : &it->second;
}

bool FakePortIo::open(uint16_t base) {
    close();
    error_.clear();
    auto it = bases.find(base);
    if (it == bases.end())
        return false;
    if (!it->second.openError.empty()) {
        error_ = it->second.openError;
        return false;
    }
    base_ = base;
    opened.push_back(base);
    return true;
}

uint8_t FakePortIo::read_data() {
    if (!broken_.empty() || !is_open()) {
        if (error_.empty())
            error_ = broken_.empty() ? "port not open" : broken_;
        return 0;
    }
    return data_;
}

void FakePortIo::write_data(uint8_t value) {
    if (!broken_.empty() || !is_open()) {
        if (error_.empty())
            error_ = broken_.empty() ? "port not open" : broken_;
        return;
    }
    data_ = value;
    if (recordWrites)
        written.push_back(value);
    if (Slot* s = slot(); s && s->memory)
        s->memory->on_data_register(value);
}

uint8_t FakePortIo::read_status() {
    if (!broken_.empty() || !is_open()) {
        if (error_.empty())
            error_ = broken_.empty() ? "port not open" : broken_;
        return 0;
    }
    Slot* s = slot();
    if (s && s->memory)
        return s->memory->status_register();
    return s ? s->floatingStatus : 0xFF;
}

} // namespace kpr::test
