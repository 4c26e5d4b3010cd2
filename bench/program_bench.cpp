// One pager written and verified, and a batch of ten, through the product's operations and
// the real serial code against kpr-board-sim --pace, each against its floor: every byte on
// the wire (commands and replies) at 9600 baud 8N1, 1.04 ms a byte, plus the pager memory's
// write-cycle time for every 16-byte page written.
//
//   bench_program [--count N]      (N pagers in the batch; default 10)
//
// Prints one line per figure: "<name>: <ms> ms  floor <ms> ms  (<ratio>x)  cpu <s> s", the
// CPU being this process's user + system time (the simulator's is not counted).
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <QCoreApplication>
#include <QProcess>

#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "link/frame.h"
#include "ops/board_session.h"
#include "ops/seal.h"
#include "platform/product_ports.h"
#include "sim/board_sim.h"

namespace {

class Messages final : public kpr::OperatorMessages {
  public:
    void message(const std::string& text, kpr::MessageIcon) override { last = text; }
    bool ask(const std::string&) override { return true; }
    std::string last;
};

double ms_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Bytes on the wire for one block read of n bytes: the command and the reply.
constexpr int read_bytes(int n) {
    return 18 + n + kpr::FrameOverhead;
}

// The floor of one pager written and verified: the firmware byte and serial number read
// first, the image in 128-byte blocks each acknowledged, then the whole image read back.
double pager_floor_ms() {
    constexpr int Blocks = kpr::ImageSize / 128;
    const int bytes = read_bytes(1) + // firmware byte
                      read_bytes(kpr::AddrSerialSumLow - kpr::AddrSerialFirst + 1) + // serial
                      Blocks * (128 + 17 + 16) + // write blocks + acks
                      Blocks * read_bytes(128);  // verify
    const double cycles = kpr::ImageSize / kpr::SimMemoryPageSize * kpr::SimWriteCycleMs;
    return bytes * kpr::SimByteTimeMs + cycles;
}

// User + system CPU seconds this process has used so far.
double cpu_seconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

void report(const char* name, double ms, double floor, double cpu) {
    std::printf("%s: %.0f ms  floor %.0f ms  (%.3fx)  cpu %.3f s\n", name, ms, floor, ms / floor,
                cpu);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int count = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--count") == 0)
            count = std::max(1, std::atoi(argv[i + 1]));

    QProcess sim;
    sim.start(KPR_BOARD_SIM, {"--pace"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "kpr-board-sim did not start\n");
        return 1;
    }
    const std::string port = QString::fromUtf8(sim.readLine()).trimmed().mid(5).toStdString();

    Messages msgs;
    kpr::ProductPorts ports({{port}, true});
    kpr::Editor editor(msgs);
    kpr::EditorAdapter hooks(editor);
    kpr::NullProgress progress;
    kpr::BoardSession session(
        {ports.port(), ports.lister(), ports.clock(), ports.boardSearchList()}, hooks, msgs,
        progress);
    if (!session.board().connect(true)) {
        std::fprintf(stderr, "no board on %s\n", port.c_str());
        return 1;
    }
    editor.startup_finish({}, false);
    editor.flags().ScanIdle = true;
    editor.user_enter_text(kpr::ctl("txtAddr", 0), "1000000");
    editor.user_change("WriteOpt", 1);
    kpr::Operations& ops = session.operations();
    const double floor = pager_floor_ms();

    bool ok = true;
    {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpu_seconds();
        ok = ops.write_and_verify() == kpr::OpOutcome::Success;
        report("one pager written and verified", ms_since(t0), floor, cpu_seconds() - c0);
    }
    if (!ok) {
        std::fprintf(stderr, "write failed: %s\n", msgs.last.c_str());
        return 1;
    }

    editor.flags().AutoInc1 = true;
    {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpu_seconds();
        for (int i = 0; i < count && ok; ++i)
            ok = ops.batch_step() == kpr::OpOutcome::Success;
        const std::string name = "batch of " + std::to_string(count) + " pagers";
        report(name.c_str(), ms_since(t0), floor * count, cpu_seconds() - c0);
    }
    if (!ok) {
        std::fprintf(stderr, "batch failed: %s\n", msgs.last.c_str());
        return 1;
    }
    session.board().release();
    ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
    sim.waitForFinished(5000);
    return 0;
}
