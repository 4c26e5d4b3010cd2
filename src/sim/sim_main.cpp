// kpr-board-sim: simulated programmer boards with a pager in each, served on
// pseudo-terminals from one process. The first lines on stdout are "PORT <path>", one per
// board; the boards then answer on those paths until SIGTERM or SIGINT.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
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

bool send_all(int fd, const uint8_t* p, size_t n) {
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

// One board on its pseudo-terminal.
struct Socket {
    std::unique_ptr<kpr::BoardSim> board;
    int master = -1;
    std::string name;
    std::string savePath;
    kpr::SimWire wire;
    // Paced replies: each byte with the time it is due on the line.
    std::deque<std::pair<double, uint8_t>> pending;
    // A port nobody has open reports a hang-up on every poll: left alone until then.
    double quietUntil = 0;
    double lastInput = 0; // when the host's last bytes came
};

// "--fault N:KIND" is for board N alone, "--fault KIND" for every board.
bool apply_fault(const std::string& spec, std::vector<kpr::SimFaults>& faults) {
    const size_t colon = spec.find(':');
    if (colon != std::string::npos && colon > 0 && colon < 4 &&
        std::all_of(spec.begin(), spec.begin() + static_cast<long>(colon), ::isdigit)) {
        const size_t board = std::stoul(spec.substr(0, colon));
        if (board < 1 || board > faults.size())
            return false;
        return kpr::parse_sim_fault(spec.substr(colon + 1), faults[board - 1]);
    }
    for (kpr::SimFaults& f : faults)
        if (!kpr::parse_sim_fault(spec, f))
            return false;
    return true;
}

std::string serial_of(const kpr::BoardSim::Memory& m) {
    std::string s(m.begin() + kpr::AddrSerialFirst, m.begin() + kpr::AddrSerialSumHigh);
    for (char c : s)
        if (c < 0x20 || c > 0x7E)
            return kpr::SimDefaultSerial;
    return s;
}

bool open_socket(Socket& s) {
    int slave = -1;
    char name[256] = {};
    if (openpty(&s.master, &slave, name, nullptr, nullptr) != 0)
        return false;
    termios tio;
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave, TCSANOW, &tio);
    // Our own slave descriptor stays open, so the master keeps working while no host has
    // the port open.
    fcntl(s.master, F_SETFL, fcntl(s.master, F_GETFL) | O_NONBLOCK);
    s.name = name;
    return true;
}

// Writes every paced byte that is due; the time the next one is, or a negative number.
double send_due(Socket& s, double now) {
    std::vector<uint8_t> due;
    while (!s.pending.empty() && s.pending.front().first <= now) {
        due.push_back(s.pending.front().second);
        s.pending.pop_front();
    }
    if (!due.empty() && s.master >= 0)
        send_all(s.master, due.data(), due.size());
    return s.pending.empty() ? -1 : s.pending.front().first;
}

// Takes what the host sent and answers it.
void serve(Socket& s, const uint8_t* buf, size_t n, bool pace) {
    s.lastInput = now_ms();
    s.wire.received(s.lastInput, n);
    const bool hungUpBefore = s.board->hungUp();
    for (const kpr::SimReply& reply : s.board->feed(std::span(buf, n))) {
        if (pace) {
            s.wire.send(reply, [&s](uint8_t b, double due) { s.pending.emplace_back(due, b); });
        } else {
            send_all(s.master, reply.bytes.data(), reply.bytes.size());
        }
    }
    if (hungUpBefore) {
        // The board is gone: the host sees the line hang up. Not before the host sends
        // again, so its last reply is always received: closing at once would throw away
        // a reply the host has not yet read, depending on who runs first. Our own slave
        // descriptor stays open: the port's name is gone, but the system cannot hand the
        // same name to another pseudo-terminal while a host might still try to reopen it.
        close(s.master);
        s.master = -1;
        s.pending.clear();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kpr-board-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated KPR35T programmer boards with a pager each, on pseudo-terminals.");
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
                                "no-ack, write-protect, wrong-model, blank; N:KIND for board N "
                                "alone. Repeatable.",
                                "KIND");
    QCommandLineOption saveOpt("save",
                               "Write the pager memory to OUT on exit and after every "
                               "accepted write block (boards 2.. to OUT.2, OUT.3, ...).",
                               "OUT");
    QCommandLineOption boardsOpt("boards", "Serve N boards, one PORT line each (default 1).", "N",
                                 "1");
    QCommandLineOption swapOpt("swap",
                               "Station sockets: a pager written and read back to its last "
                               "byte is replaced by a fresh one with the next serial number.");
    QCommandLineOption swapDirOpt(
        "swap-dir", "With --swap: keep every finished pager as DIR/pager-NNN.tbl.", "DIR");
    parser.addOptions({memoryOpt, firmwareOpt, serialOpt, paceOpt, faultOpt, saveOpt, boardsOpt,
                       swapOpt, swapDirOpt});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument " + parser.positionalArguments().first().toStdString());

    bool boardsOk = false;
    const int boards = parser.value(boardsOpt).toInt(&boardsOk);
    if (!boardsOk || boards < 1 || boards > 64)
        return fail("--boards takes 1 to 64");
    std::vector<kpr::SimFaults> faults(static_cast<size_t>(boards));
    for (const QString& f : parser.values(faultOpt)) {
        if (!apply_fault(f.toStdString(), faults))
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
            memory[kpr::AddrFirmware] = static_cast<uint8_t>(firmware);
    } else {
        memory = kpr::default_sim_memory(firmware, serial);
    }

    const std::string swapDir = parser.value(swapDirOpt).toStdString();
    const bool swap = parser.isSet(swapOpt) || !swapDir.empty();
    // Every pager of the process has its own serial number and number: the first board's
    // first pager is the --memory image as it is, every later one that image with the next
    // serial number.
    std::string lastSerial = serial_of(memory);
    int pagersMade = 1;
    auto fresh_pager = [&] {
        kpr::BoardSim::Memory m = memory;
        lastSerial = kpr::next_sim_serial(lastSerial);
        kpr::seal_sim_memory(m, lastSerial);
        ++pagersMade;
        return m;
    };

    const std::string savePath = parser.value(saveOpt).toStdString();
    const bool pace = parser.isSet(paceOpt);
    std::vector<Socket> sockets(static_cast<size_t>(boards));
    for (size_t i = 0; i < sockets.size(); ++i) {
        Socket& s = sockets[i];
        s.board = std::make_unique<kpr::BoardSim>(i == 0 ? memory : fresh_pager(), faults[i]);
        if (!savePath.empty()) {
            s.savePath = i == 0 ? savePath : savePath + "." + std::to_string(i + 1);
            s.board->onWriteAccepted = [&s] { save_memory(s.savePath, s.board->memory()); };
        }
        if (swap) {
            // The number of the pager in this socket, for its file in --swap-dir.
            auto number = std::make_shared<int>(i == 0 ? 1 : pagersMade);
            s.board->setSwap(
                [&, number] {
                    kpr::BoardSim::Memory m = fresh_pager();
                    *number = pagersMade;
                    return m;
                },
                [&swapDir, number](const kpr::BoardSim::Memory& m) {
                    if (swapDir.empty())
                        return;
                    char file[32];
                    std::snprintf(file, sizeof file, "/pager-%03d.tbl", *number);
                    save_memory(swapDir + file, m);
                });
        }
        if (!open_socket(s))
            return fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    }

    if (pipe(signalPipe) != 0)
        return fail("cannot create a pipe");
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    for (const Socket& s : sockets)
        std::printf("PORT %s\n", s.name.c_str());
    std::fflush(stdout);

    uint8_t buf[4096];
    std::vector<pollfd> fds;
    std::vector<Socket*> polled;
    for (;;) {
        // Paced bytes due now go out; the poll wakes for the next one.
        const double now = now_ms();
        double next = -1;
        for (Socket& s : sockets) {
            double due = send_due(s, now);
            // A frame begun and left unfinished for SimQuietGapMs is dropped, so one damaged
            // or cut-off command does not swallow the commands after it.
            if (s.board->partialFrame()) {
                const double gapEnds = s.lastInput + kpr::SimQuietGapMs;
                if (gapEnds <= now)
                    s.board->line_quiet();
                else if (due < 0 || gapEnds < due)
                    due = gapEnds;
            }
            if (due >= 0 && (next < 0 || due < next))
                next = due;
        }
        fds.assign(1, pollfd{signalPipe[0], POLLIN, 0});
        polled.clear();
        for (Socket& s : sockets) {
            if (s.quietUntil > now && (next < 0 || s.quietUntil < next))
                next = s.quietUntil;
            if (s.master >= 0 && s.quietUntil <= now) {
                fds.push_back({s.master, POLLIN, 0});
                polled.push_back(&s);
            }
        }
        const int timeout = next < 0 ? -1 : static_cast<int>(std::max(0.0, next - now) + 1);
        if (poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        for (size_t k = 0; k < polled.size(); ++k) {
            Socket& s = *polled[k];
            if (!(fds[k + 1].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t r = ::read(s.master, buf, sizeof buf);
            if (r <= 0) {
                if (r < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                // EIO: nobody has the port open; look again a little later.
                s.quietUntil = now_ms() + 10;
                continue;
            }
            serve(s, buf, static_cast<size_t>(r), pace);
        }
    }
    int rc = 0;
    for (const Socket& s : sockets)
        if (!s.savePath.empty() && !save_memory(s.savePath, s.board->memory()))
            rc = fail("cannot write " + s.savePath);
    return rc;
}
