// One whole pager image written and read back through the link and kpr-board-sim --pace,
// against the floor the wire and the pager memory set: every byte on the wire at 9600 baud
// 8N1 (1.04 ms) plus the memory's write-cycle time.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QProcess>

#include "link/frame.h"
#include "platform/product_ports.h"
#include "sim/board_sim.h"

namespace {

class NoMessages final : public kpr::OperatorMessages {
  public:
    void message(const std::string& text, kpr::MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
    }
    bool ask(const std::string&) override { return true; }
    int count = 0;
};

double ms_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QProcess sim;
    sim.start(KPR_BOARD_SIM, {"--pace"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "kpr-board-sim did not start\n");
        return 1;
    }
    const QString line = QString::fromUtf8(sim.readLine()).trimmed();
    const std::string port = line.mid(5).toStdString();

    NoMessages msgs;
    kpr::ProductUsbLink board(msgs, {{port}, true});
    kpr::UsbLink& link = board.link();
    if (!link.usb_connect()) {
        std::fprintf(stderr, "no board on %s\n", port.c_str());
        return 1;
    }
    std::vector<uint8_t> img(kpr::ImageSize);
    for (size_t i = 0; i < img.size(); ++i)
        img[i] = static_cast<uint8_t>(i * 13);

    constexpr int Blocks = kpr::ImageSize / 128;
    const double writeFloor = Blocks * ((128 + 17 + 16) * kpr::SimByteTimeMs +
                                        128 / kpr::SimMemoryPageSize * kpr::SimWriteCycleMs);
    const double readFloor = Blocks * (18 + 128 + 15) * kpr::SimByteTimeMs;

    auto t0 = std::chrono::steady_clock::now();
    const bool wrote = link.usb_writeblk(img, 0, kpr::ImageSize - 1, 128);
    const double writeMs = ms_since(t0);
    t0 = std::chrono::steady_clock::now();
    const bool read = link.usb_readblk(0, kpr::ImageSize - 1, 128);
    const double readMs = ms_since(t0);
    const bool same = read && std::equal(img.begin(), img.end(), link.ReadBuffer.begin());

    std::printf("write 2048 bytes: %8.1f ms   floor %8.1f ms   (%.2fx)\n", writeMs, writeFloor,
                writeMs / writeFloor);
    std::printf("read  2048 bytes: %8.1f ms   floor %8.1f ms   (%.2fx)\n", readMs, readFloor,
                readMs / readFloor);
    std::printf("write + read back: %7.1f ms   floor %8.1f ms   %s\n", writeMs + readMs,
                writeFloor + readFloor, same ? "identical" : "DIFFERENT");
    ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
    sim.waitForFinished(5000);
    return wrote && same && msgs.count == 0 ? 0 : 1;
}
