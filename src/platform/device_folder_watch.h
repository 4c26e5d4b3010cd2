#pragma once
// Tells whether a folder's entries changed (a device node added, removed, renamed or its
// attributes set) since the last question, without an event loop: on Linux an inotify watch
// read without blocking, one system call when nothing happened. Without a watch (another
// system, or the watch could not be set) every question answers "changed".
#include <string>

namespace kpr {

class DeviceFolderWatch {
  public:
    explicit DeviceFolderWatch(std::string folder);
    ~DeviceFolderWatch();
    DeviceFolderWatch(const DeviceFolderWatch&) = delete;
    DeviceFolderWatch& operator=(const DeviceFolderWatch&) = delete;

    bool changed();

  private:
    bool addWatch();

    std::string folder_;
    int fd_ = -1;
    int wd_ = -1;
};

} // namespace kpr
