#include "platform/qt_port_lister.h"

#include <algorithm>

#include <QFileInfo>
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
        // A named port is listed only while its device is there: pulling the board out
        // must show as a shorter list, and plugging it back in as a longer one.
        if (!QFileInfo::exists(QString::fromStdString(p)))
            continue;
        if (std::find(list.begin(), list.end(), p) == list.end())
            list.push_back(p);
    }
    return list;
}

} // namespace kpr
