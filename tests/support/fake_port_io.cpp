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

bool FakePortIo::usable() {
    if (broken_.empty() && is_open())
        return true;
    if (error_.empty())
        error_ = broken_.empty() ? "port not open" : broken_;
    return false;
}

uint8_t FakePortIo::read_data() {
    return usable() ? data_ : 0;
}

void FakePortIo::write_data(uint8_t value) {
    if (!usable())
        return;
    data_ = value;
    written.push_back(value);
    if (Slot* s = slot(); s && s->memory)
        s->memory->on_data_register(value);
}

uint8_t FakePortIo::read_status() {
    if (!usable())
        return 0;
    Slot* s = slot();
    if (s && s->memory)
        return s->memory->status_register();
    return s ? s->floatingStatus : 0xFF;
}

} // namespace kpr::test
