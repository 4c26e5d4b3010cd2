#include "platform/qt_port_lister.h"

#include <algorithm>
#include <filesystem>

#include <QSerialPortInfo>

namespace kpr {

namespace {

std::vector<std::string> systemPorts() {
    std::vector<std::string> list;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        list.push_back(info.systemLocation().toStdString());
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

QtPortLister::QtPortLister(std::vector<std::string> extraPorts)
    : QtPortLister(std::move(extraPorts), "/dev", systemPorts) {}

QtPortLister::QtPortLister(std::vector<std::string> extraPorts, std::string deviceFolder,
                           SystemList systemList)
    : extra_(std::move(extraPorts)), watch_(std::move(deviceFolder)),
      systemList_(std::move(systemList)) {}

std::vector<std::string> QtPortLister::ports() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> list;
    if (!extraOnly_) {
        // After a change the list is taken on this call and the next: a device node may
        // appear a moment before the system's records of the device are complete.
        if (watch_.changed())
            listingsDue_ = 2;
        if (listingsDue_ > 0) {
            --listingsDue_;
            system_ = systemList_();
        }
        list = system_;
    }
    for (const std::string& p : extra_) {
        // A named port is listed only while its device is there: pulling the board out
        // must show as a shorter list, and plugging it back in as a longer one. Checked on
        // every call: the port may live in a folder nobody watches (/dev/pts, a symlink).
        std::error_code ec;
        if (!std::filesystem::exists(p, ec))
            continue;
        if (std::find(list.begin(), list.end(), p) == list.end())
            list.push_back(p);
    }
    return list;
}

} // namespace kpr
