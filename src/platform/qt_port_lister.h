#pragma once
// The system's serial ports (QSerialPortInfo) by system location, followed by any extra
// ports named on the command line (--port), which the system listing does not see
// (pseudo-terminals, for instance); a named port is listed only while its device exists.
#include <string>
#include <vector>

#include "platform/port_lister.h"

namespace kpr {

class QtPortLister final : public PortLister {
  public:
    explicit QtPortLister(std::vector<std::string> extraPorts = {});
    // Only the extra ports, without asking the system (kprtool --port P).
    void setExtraOnly(bool only) { extraOnly_ = only; }
    std::vector<std::string> ports() override;

  private:
    std::vector<std::string> extra_;
    bool extraOnly_ = false;
};

} // namespace kpr
