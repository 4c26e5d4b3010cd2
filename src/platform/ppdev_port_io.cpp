#include "platform/ppdev_port_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kpr {

std::string ppdev_device_group(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "lp";
    std::vector<char> buf(4096);
    struct group g {};
    struct group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &g, buf.data(), buf.size(), &found) != 0 || !found ||
        st.st_gid == 0)
        return "lp";
    return found->gr_name;
}

std::string ppdev_error_text(const std::string& path, int err, const std::string& group) {
    switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return path + ": no such parallel port (is the ppdev driver loaded? sudo modprobe ppdev)";
    case EACCES:
    case EPERM:
        return path + ": permission denied; join the group '" + group + "' (sudo usermod -aG " +
               group + " $USER) and log in again";
    case ENOTTY:
    case EINVAL:
        return path + ": not a parallel port";
    case EBUSY:
        return path + ": the port is in use by another program";
    default:
        return path + ": " + std::strerror(err);
    }
}

std::string PpdevPortIo::device_for_base(uint16_t base, const std::string& named) {
    if (!named.empty())
        return base == LptBase1 ? named : std::string();
    switch (base) {
    case LptBase1:
        return "/dev/parport0";
    case LptBase2:
        return "/dev/parport1";
    case LptBase3:
        return "/dev/parport2";
    default:
        return {};
    }
}

PpdevPortIo::PpdevPortIo(std::string device) : named_(std::move(device)) {}

PpdevPortIo::~PpdevPortIo() {
    close();
}

bool PpdevPortIo::open(uint16_t base) {
    close();
    error_.clear();
    path_ = device_for_base(base, named_);
    if (path_.empty())
        return false;
    int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        error_ = ppdev_error_text(path_, err, ppdev_device_group(path_));
        return false;
    }
    if (::ioctl(fd, PPCLAIM) != 0) {
        const int err = errno;
        ::close(fd);
        error_ = ppdev_error_text(path_, err, ppdev_device_group(path_));
        return false;
    }
    // The data lines drive the board. Forward is every port's default, so a port that
    // cannot switch direction is still usable.
    int forward = 0;
    ::ioctl(fd, PPDATADIR, &forward);
    fd_ = fd;
    return true;
}

void PpdevPortIo::close() {
    if (fd_ < 0)
        return;
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
}

void PpdevPortIo::fault(const char* what, int err) {
    if (error_.empty())
        error_ = path_ + ": " + what + " failed: " + std::strerror(err);
}

uint8_t PpdevPortIo::read_data() {
    unsigned char b = 0;
    if (fd_ < 0 || ::ioctl(fd_, PPRDATA, &b) != 0) {
        fault("reading the data register", fd_ < 0 ? EBADF : errno);
        return 0;
    }
    return b;
}

void PpdevPortIo::write_data(uint8_t value) {
    unsigned char b = value;
    if (fd_ < 0 || ::ioctl(fd_, PPWDATA, &b) != 0)
        fault("writing the data register", fd_ < 0 ? EBADF : errno);
}

uint8_t PpdevPortIo::read_status() {
    unsigned char b = 0;
    if (fd_ < 0 || ::ioctl(fd_, PPRSTATUS, &b) != 0) {
        fault("reading the status register", fd_ < 0 ? EBADF : errno);
        return 0;
    }
    return b;
}

} // namespace kpr
