// kpr-board-sim: the simulated programmer board with a pager in it, served on a
// pseudo-terminal. The first line on stdout is "PORT <path>"; the board then answers on
// that path until SIGTERM or SIGINT.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "common/input_file.h"
#include "common/safe_save.h"
#include "sim/board_sim.h"

namespace {

int signalPipe[2] = {-1, -1};

void on_signal(int) {
    const char c = 1;
    [[maybe_unused]] ssize_t r = ::write(signalPipe[1], &c, 1);
}

double now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

void sleep_until(double ms) {
    timespec ts;
    ts.tv_sec = static_cast<time_t>(ms / 1000.0);
    ts.tv_nsec = static_cast<long>((ms - ts.tv_sec * 1000.0) * 1e6);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

bool write_all(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd pfd{fd, POLLOUT, 0};
                poll(&pfd, 1, 100);
                continue;
            }
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Saved as a table file is: a reader never sees half a memory.
bool save_memory(const std::string& path, const kpr::BoardSim::Memory& m) {
    return static_cast<bool>(kpr::safe_save(path, m));
}

int fail(const std::string& text) {
    std::fprintf(stderr, "kpr-board-sim: %s\n", text.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kpr-board-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated KPR35T programmer board with a pager, on a pseudo-terminal.");
    parser.addHelpOption();
    QCommandLineOption memoryOpt("memory", "Load the pager memory from FILE (a .tbl file).",
                                 "FILE");
    QCommandLineOption firmwareOpt("firmware", "Pager firmware byte N (0-255).", "N");
    QCommandLineOption serialOpt("serial", "Serial number of the default pager (12 chars).",
                                 "TEXT");
    QCommandLineOption paceOpt("pace", "Answer at real 9600-baud speed with the memory's "
                                       "write-cycle time.");
    QCommandLineOption faultOpt("fault",
                                "Inject a fault: silent, noise, bad-checksum, drop-after=N, "
                                "no-ack, write-protect, wrong-model, blank. Repeatable.",
                                "KIND");
    QCommandLineOption saveOpt("save",
                               "Write the pager memory to OUT on exit and after every "
                               "accepted write block.",
                               "OUT");
    parser.addOptions({memoryOpt, firmwareOpt, serialOpt, paceOpt, faultOpt, saveOpt});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument " + parser.positionalArguments().first().toStdString());

    kpr::SimFaults faults;
    for (const QString& f : parser.values(faultOpt)) {
        if (!kpr::parse_sim_fault(f.toStdString(), faults))
            return fail("unknown fault " + f.toStdString());
    }
    int firmware = kpr::SimDefaultFirmware;
    if (parser.isSet(firmwareOpt)) {
        bool ok = false;
        firmware = parser.value(firmwareOpt).toInt(&ok);
        if (!ok || firmware < 0 || firmware > 255)
            return fail("--firmware takes 0 to 255");
    }
    const std::string serial =
        parser.isSet(serialOpt) ? parser.value(serialOpt).toStdString() : kpr::SimDefaultSerial;
    if (serial.size() != 12)
        return fail("--serial takes 12 characters");

    kpr::BoardSim::Memory memory;
    if (parser.isSet(memoryOpt)) {
        const std::string path = parser.value(memoryOpt).toStdString();
        // Like a table file: its first 2048 bytes, and only from a regular file.
        const kpr::InputFile in = kpr::read_input_file(path, memory.size());
        if (!in.ok())
            return fail("cannot read " + path + ": " + in.reason());
        if (in.bytes.size() < memory.size())
            return fail(path + " holds fewer than 2048 bytes");
        std::copy_n(in.bytes.begin(), memory.size(), memory.begin());
        if (parser.isSet(firmwareOpt))
            memory[kpr::SimFirmwareAddress] = static_cast<uint8_t>(firmware);
    } else {
        memory = kpr::default_sim_memory(firmware, serial);
    }

    const std::string savePath = parser.value(saveOpt).toStdString();
    const bool pace = parser.isSet(paceOpt);
    kpr::BoardSim board(memory, faults);
    if (!savePath.empty())
        board.onWriteAccepted = [&] { save_memory(savePath, board.memory()); };

    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    termios tio;
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave, TCSANOW, &tio);
    // Our own slave descriptor stays open, so the master keeps working while no host has
    // the port open.
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    if (pipe(signalPipe) != 0)
        return fail("cannot create a pipe");
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::printf("PORT %s\n", name);
    std::fflush(stdout);

    double wireFree = 0; // when the line from the host has carried everything received
    uint8_t buf[4096];
    for (;;) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {master, POLLIN, 0}};
        const nfds_t count = master >= 0 ? 2 : 1;
        const int ready = poll(fds, count, board.partialFrame() ? kpr::SimQuietGapMs : -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready == 0) {
            board.line_quiet();
            continue;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (master < 0 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t r = ::read(master, buf, sizeof buf);
        if (r <= 0) {
            if (r < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // EIO: nobody has the port open; wait a little instead of spinning.
            usleep(10000);
            continue;
        }
        const double arrived = now_ms();
        wireFree = std::max(wireFree, arrived) + static_cast<double>(r) * kpr::SimByteTimeMs;
        const bool hungUpBefore = board.hungUp();
        for (const kpr::SimReply& reply : board.feed(std::span(buf, static_cast<size_t>(r)))) {
            if (pace) {
                double t = std::max(now_ms(), wireFree + reply.busyMs);
                for (uint8_t b : reply.bytes) {
                    t += kpr::SimByteTimeMs;
                    sleep_until(t);
                    write_all(master, &b, 1);
                }
                wireFree = t;
            } else {
                write_all(master, reply.bytes.data(), reply.bytes.size());
            }
        }
        if (hungUpBefore) {
            // The board is gone: the host sees the line hang up. Not before the host sends
            // again, so its last reply is always received: closing at once would throw away
            // a reply the host has not yet read, depending on who runs first. Our own slave
            // descriptor stays open: the port's name is gone, but the system cannot hand the
            // same name to another pseudo-terminal while a host might still try to reopen it.
            close(master);
            master = -1;
        }
    }
    if (!savePath.empty() && !save_memory(savePath, board.memory()))
        return fail("cannot write " + savePath);
    return 0;
}
