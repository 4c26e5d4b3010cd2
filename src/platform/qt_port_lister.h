#pragma once
// The system's serial ports (QSerialPortInfo) by system location, followed by any extra
// ports named on the command line (--port), which the system listing does not see
// (pseudo-terminals, for instance); a named port is listed only while its device exists.
// Enumerating the system's ports costs milliseconds, so the list is kept and taken again
// only when the device folder changes; a call with nothing changed costs microseconds.
// Safe to call from any thread.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hardware/port_lister.h"
#include "platform/device_folder_watch.h"

namespace kpr {

class QtPortLister final : public PortLister {
  public:
    using SystemList = std::function<std::vector<std::string>()>;

    explicit QtPortLister(std::vector<std::string> extraPorts = {});
    // The folder whose changes make the system list be taken again, and how it is taken.
    QtPortLister(std::vector<std::string> extraPorts, std::string deviceFolder,
                 SystemList systemList);
    // Only the extra ports, without asking the system (kprtool --port P).
    void setExtraOnly(bool only) { extraOnly_ = only; }
    std::vector<std::string> ports() override;

  private:
    std::mutex mutex_;
    std::vector<std::string> extra_;
    bool extraOnly_ = false;
    DeviceFolderWatch watch_;
    SystemList systemList_;
    std::vector<std::string> system_;
    int listingsDue_ = 1;
};

} // namespace kpr
