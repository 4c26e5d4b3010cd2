#include "platform/device_folder_watch.h"

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace kpr {

#if defined(__linux__)

DeviceFolderWatch::DeviceFolderWatch(std::string folder) : folder_(std::move(folder)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    addWatch();
}

DeviceFolderWatch::~DeviceFolderWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool DeviceFolderWatch::addWatch() {
    if (fd_ < 0)
        return false;
    // Not IN_MODIFY: every write to a terminal in the folder would count.
    wd_ = ::inotify_add_watch(fd_, folder_.c_str(),
                              IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB);
    return wd_ >= 0;
}

bool DeviceFolderWatch::changed() {
    // No watch: the folder went away or could not be watched; try again, and meanwhile
    // everything may have changed.
    if (wd_ < 0) {
        addWatch();
        return true;
    }
    alignas(inotify_event) char buffer[4096];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;  // EAGAIN: drained
        any = true; // an overflow of the kernel's queue reads as an event too
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((e->mask & IN_IGNORED) && e->wd == wd_)
                wd_ = -1; // the folder itself is gone
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    return any;
}

#else

DeviceFolderWatch::DeviceFolderWatch(std::string folder) : folder_(std::move(folder)) {}
DeviceFolderWatch::~DeviceFolderWatch() = default;
bool DeviceFolderWatch::addWatch() {
    return false;
}
bool DeviceFolderWatch::changed() {
    return true;
}

#endif

} // namespace kpr
