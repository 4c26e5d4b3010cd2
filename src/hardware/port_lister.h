#pragma once
// The serial ports the system offers, by system name, in a stable order.
#include <string>
#include <vector>

namespace kpr {

class PortLister {
  public:
    virtual ~PortLister() = default;
    virtual std::vector<std::string> ports() = 0;
};

} // namespace kpr
