// The fault matrix as the operator of kprtool meets it: every board operation against every
// fault kpr-board-sim can show, and against a board pulled out (vanish: gone before the
// command, or in the middle of a write), through the real serial code on a pseudo-terminal.
// Each cell is the exit status, every operator message on stderr in order (progress lines
// aside, so a doubled or missing message shows) and what stdout prints; the output file must
// be written exactly when the command succeeded. What the operations do inside (board state,
// the editor's image, the pager's bytes, the time-outs) is the in-process fault matrix's.
#include "run_program.h"
#include "sim_process.h"
#include "support/scratch_dir.h"

#include "backup/backup_store.h"
#include "editor/editor.h"
#include "sim/board_sim.h"
#include "support/recorders.h"
#include "text/charset.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include <cctype>
#include <memory>
#include <vector>

namespace kpr {
namespace {

// How kprtool ends: its exit status, every operator message on stderr, and stdout
// ("PORT": the port's name).
struct End {
    int exit;
    const char* err;
    const char* out = "";
};
constexpr End ok(const char* message) {
    return {0, message};
}
constexpr End fails(const char* message) {
    return {1, message};
}

constexpr const char* NotResponding = "The Programmed Board is not responding!\n";
constexpr const char* InitError = "Programmer Initial Error !\n";
constexpr const char* ReadError = "Read error!\n";
constexpr const char* WriteError = "Write error!\n";
constexpr const char* VerifyError = "Verify Error!\n";
constexpr const char* ReadOk = "Read success!\n";
constexpr const char* VerifyOk = "Verify Success!\n";
constexpr End Port{0, "", "PORT"};
constexpr End Version{0, "", "Version = 5.2\n"};

const char* const Ops[] = {"detect", "firmware", "read", "write", "verify", "batch"};
struct Row {
    const char* fault; // kpr-board-sim --fault, "none" or "vanish"
    End ends[6];       // for each of Ops; batch is one pager
};

// kprtool probes its --port first: a silent or missing board ends there, and so does one
// that answers the probe but not the mode set (drop-after=1). A write reads the pager for
// its backup first, so a line that drops mid-image drops in that read. After drop-after=3 the
// firmware byte is in, but the board's release goes unanswered.
const Row Matrix[] = {
    {"none", {Port, Version, ok(ReadOk), ok(VerifyOk), ok(VerifyOk), ok(VerifyOk)}},
    {"silent",
     {fails(NotResponding), fails(NotResponding), fails(NotResponding), fails(NotResponding),
      fails(NotResponding), fails(NotResponding)}},
    {"noise",
     {Port, fails(ReadError), fails(ReadError), fails(ReadError), fails(ReadError),
      fails(ReadError)}},
    {"bad-checksum",
     {Port, fails(ReadError), fails(ReadError), fails(ReadError), fails(ReadError),
      fails(ReadError)}},
    {"drop-after=1",
     {fails(InitError), fails(InitError), fails(InitError), fails(InitError), fails(InitError),
      fails(InitError)}},
    {"drop-after=3",
     {Port,
      {1, InitError, "Version = 5.2\n"},
      fails(ReadError),
      fails(ReadError),
      fails(ReadError),
      fails(ReadError)}},
    {"drop-after=10",
     {Port, Version, fails(ReadError), fails(ReadError), fails(ReadError), fails(ReadError)}},
    {"no-ack", {Port, Version, ok(ReadOk), fails(WriteError), ok(VerifyOk), fails(WriteError)}},
    {"write-protect",
     {Port, Version, ok(ReadOk), fails(VerifyError), ok(VerifyOk), fails(VerifyError)}},
    {"wrong-model",
     {Port, Version,
      fails("This pager is not KPR35T !\n\nIt is KPR22 ( PCB 0103, Software V4.10 )\n"),
      fails(VerifyError), fails(VerifyError), fails(VerifyError)}},
    {"blank",
     {Port,
      {0, "", "Version = 25.5\n"},
      fails("This pager is not KPR35T !\n\nIt is  ( PCB , Software  )\n"),
      ok(VerifyOk),
      fails(VerifyError),
      ok(VerifyOk)}},
    {"vanish",
     {fails(NotResponding), fails(NotResponding), fails(NotResponding), fails(WriteError),
      fails(NotResponding), fails(WriteError)}},
};

struct Case {
    const char* fault;
    const char* op;
    End end;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.op << " " << c.fault;
}

std::vector<Case> cases() {
    std::vector<Case> v;
    for (const Row& row : Matrix)
        for (int op = 0; op < 6; ++op)
            v.push_back({row.fault, Ops[op], row.ends[op]});
    return v;
}

// kpr-board-sim reached through a name of its own in the case's folder: once the board is
// pulled out the name goes with it, and the serial layer's lock of the pseudo-terminal's own
// name stays held, so kprtool can never reach another program's simulator that the system
// handed the same pseudo-terminal.
struct Board {
    Board(const QString& folder, const QStringList& args) : sim(args) {
        name = folder + "/board-" + QFileInfo(folder).fileName(); // ports are locked by name
        if (sim.port.isEmpty() || !QFile::link(sim.port, name))
            name.clear();
        for (const char* d : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                              "/tmp", "/run/lock"}) {
            if (QFileInfo(d).isDir() && QFileInfo(d).isWritable()) {
                lock = std::make_unique<QLockFile>(QString(d) + "/LCK.." +
                                                   sim.port.mid(5).replace('/', '_'));
                lock->setStaleLockTime(0);
                lock->tryLock(100);
                break;
            }
        }
    }
    void vanish() {
        QFile::remove(name);
        sim.proc.kill();
        sim.proc.waitForFinished();
    }
    e2e::SimProcess sim;
    QString name;
    std::unique_ptr<QLockFile> lock;
};

// stderr without progress lines and batch labels.
QString messages_only(const QString& err) {
    QString out;
    QStringList lines = err.split('\n');
    lines.removeLast(); // after the last line break
    for (const QString& line : lines) {
        if (line != "Reading Now......." && line != "Writing Now......." &&
            line != "Verifying Now....." && line != MsgBackingUp &&
            !line.startsWith(" 1st capcode : "))
            out += line + "\n";
    }
    return out;
}

using test::contents;

class FaultMatrix : public ::testing::TestWithParam<Case> {};

TEST_P(FaultMatrix, KprtoolEndsAsTheCellSays) {
    const Case c = GetParam();
    const QString op = c.op, fault = c.fault;
    const bool writes = op == "write" || op == "batch";
    QTemporaryDir dir;
    const QString in = dir.filePath("in.tbl"), out = dir.filePath("out.tbl"),
                  saved = dir.filePath("pager.tbl"), home = dir.path();
    // To write: a capcode the pager does not hold, so a pager that keeps its bytes fails the
    // verify; to verify: what a read of the healthy pager gives.
    if (op == "verify") {
        PagerImage healthy(default_sim_memory());
        text_from_pager(healthy);
        test::store(in, QByteArray(reinterpret_cast<const char*>(healthy.data()), ImageSize));
    } else {
        test::RecordedMessages quiet;
        Editor e(quiet);
        e.startup_finish(home.toStdString(), false);
        ASSERT_TRUE(e.user_enter_text(ctl("txtAddr", 0), "1234567"));
        ASSERT_TRUE(e.mnuSA_Click(in.toStdString()));
    }
    ASSERT_TRUE(test::store(out, "untouched"));

    QStringList simArgs{"--save", saved};
    if (fault != "none" && fault != "vanish")
        simArgs << "--fault" << fault;
    // Mid-write the board goes once the pager has stored the first block: its line is gone
    // after the 21st frame (probe, mode set, firmware byte, serial number, the backup's 16
    // blocks, the first block written), however busy the machine is.
    if (fault == "vanish" && writes)
        simArgs << "--fault"
                << "drop-after=21";
    Board board(dir.path(), simArgs);
    ASSERT_FALSE(board.name.isEmpty()) << "kpr-board-sim gave no port";
    if (fault == "vanish" && !writes)
        board.vanish();

    QStringList args{writes ? "write" : op};
    if (writes || op == "verify")
        args << in;
    if (writes || op == "read")
        args << "-o" << out;
    if (op == "batch")
        args << "--auto-inc"
             << "1"
             << "--count"
             << "1"
             << "--yes";
    args << "--port" << board.name;
    QProcess tool;
    e2e::start_program(tool, KPRTOOL_PATH, args, home);
    const e2e::ProgramRun r = e2e::finish(tool);

    ASSERT_FALSE(r.crashed) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, c.end.exit) << r.err.toStdString();
    EXPECT_EQ(messages_only(r.err).toStdString(), c.end.err);
    EXPECT_EQ(r.out, QString(c.end.out) == "PORT" ? board.name + "\n" : QString(c.end.out));
    if (writes || op == "read") {
        EXPECT_EQ(contents(out) == "untouched", c.end.exit != 0) << "the output file";
    }
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    std::string n = std::string(info.param.op) + "_" + info.param.fault;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
}

INSTANTIATE_TEST_SUITE_P(Kprtool, FaultMatrix, ::testing::ValuesIn(cases()), case_name);

} // namespace
} // namespace kpr
