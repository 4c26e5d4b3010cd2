#pragma once
// The printer port through Linux ppdev (/dev/parportN): the port is claimed while open and
// its registers reached with PPWDATA, PPRDATA and PPRSTATUS.
#include "hardware/port_io.h"

#include <string>

namespace kpr {

class PpdevPortIo final : public PortIo {
  public:
    // With no device named, the legacy bases &H378, &H278 and &H3BC stand for
    // /dev/parport0, 1 and 2. A named device stands at &H378 and the other bases are unused.
    explicit PpdevPortIo(std::string device = {});
    ~PpdevPortIo() override;
    PpdevPortIo(const PpdevPortIo&) = delete;
    PpdevPortIo& operator=(const PpdevPortIo&) = delete;

    bool open(uint16_t base) override;
    void close() override;
    bool is_open() const override { return fd_ >= 0; }
    uint8_t read_data() override;
    void write_data(uint8_t value) override;
    uint8_t read_status() override;
    std::string error() const override { return error_; }

    // The device standing for base, or empty when the base is unused.
    static std::string device_for_base(uint16_t base, const std::string& named);

  private:
    void fault(const char* what, int err);

    std::string named_;
    std::string path_;
    std::string error_;
    int fd_ = -1;
};

// What to tell the operator when path could not be opened or claimed (err is the errno).
// group is the group owning the device, named so the operator knows whom to join.
std::string ppdev_error_text(const std::string& path, int err, const std::string& group);

// The group owning path, "lp" when it cannot be told.
std::string ppdev_device_group(const std::string& path);

} // namespace kpr
