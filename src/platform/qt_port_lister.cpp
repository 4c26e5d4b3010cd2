#include "platform/qt_port_lister.h"

#include <algorithm>

#include <QSerialPortInfo>

namespace kpr {

QtPortLister::QtPortLister(std::vector<std::string> extraPorts) : extra_(std::move(extraPorts)) {}

std::vector<std::string> QtPortLister::ports() {
    std::vector<std::string> list;
    if (!extraOnly_) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            list.push_back(info.systemLocation().toStdString());
        std::sort(list.begin(), list.end());
    }
    for (const std::string& p : extra_) {
        if (std::find(list.begin(), list.end(), p) == list.end())
            list.push_back(p);
    }
    return list;
}

} // namespace kpr
