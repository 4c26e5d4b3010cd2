#pragma once
// A file descriptor closed when it goes out of scope, or earlier by close(), whose own failure
// (a delayed write error) the caller may need.
#include <cerrno>
#include <unistd.h>

namespace kpr {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { close(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now: 0, or the errno of a close that failed.
    int close() {
        int err = 0;
        if (fd_ >= 0 && ::close(fd_) != 0)
            err = errno;
        fd_ = -1;
        return err;
    }

  private:
    int fd_ = -1;
};

} // namespace kpr
