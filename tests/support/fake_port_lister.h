#pragma once
#include <string>
#include <vector>

#include "hardware/port_lister.h"

namespace kpr::test {

class FakePortLister final : public PortLister {
  public:
    FakePortLister() = default;
    explicit FakePortLister(std::vector<std::string> names) : names(std::move(names)) {}
    std::vector<std::string> ports() override {
        ++calls;
        return names;
    }
    std::vector<std::string> names;
    int calls = 0;
};

} // namespace kpr::test
