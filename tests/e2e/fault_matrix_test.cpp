// The fault matrix: every board operation (detect, firmware, read, write, verify, one batch
// step) against every fault kpr-board-sim can show, and against a port that vanishes in the
// middle of a transfer. Each case runs twice over the real serial code on a pseudo-terminal:
//
//  - in process, through the product's own link, operations and editor, so the test sees
//    the exact operator messages in order, whether the board is forgotten, the editor's image
//    and what the simulated pager ends up holding;
//  - through kprtool, for its exit status, its messages on stderr and the output files it
//    must leave alone.
//
// No case may hang: each is bounded by the time-outs the link itself waits out plus a margin.
// With KPR_FAULT_MATRIX_LOG set, every case appends one tab-separated row of what it saw to
// that file (tests/e2e/fault_matrix_report.py turns the rows into the reliability table).
#include "run_program.h"
#include "sim_process.h"

#include "backup/backup_store.h"
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "link/usb_link.h"
#include "ops/operations.h"
#include "ops/seal.h"
#include "ops/usb_transfer.h"
#include "platform/qt_board_link.h"
#include "sim/board_sim.h"
#include "text/charset.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace kpr {
namespace {

// ----- the cases ------------------------------------------------------------------------

enum class Op { Detect, Firmware, Read, Write, Verify, Batch };

const char* op_name(Op op) {
    switch (op) {
    case Op::Detect:
        return "detect";
    case Op::Firmware:
        return "firmware";
    case Op::Read:
        return "read";
    case Op::Write:
        return "write";
    case Op::Verify:
        return "verify";
    case Op::Batch:
        return "batch";
    }
    return "?";
}

// "none" is the healthy board every fault is measured against; "vanish" kills the simulator
// (its pseudo-terminal goes away) in the middle of the transfer.
const std::vector<std::string> Faults = {
    "none",          "silent", "noise",         "bad-checksum", "drop-after=1", "drop-after=3",
    "drop-after=10", "no-ack", "write-protect", "wrong-model",  "blank",        "vanish"};

struct Case {
    Op op;
    std::string fault;
};

std::vector<Case> all_cases() {
    std::vector<Case> v;
    for (Op op : {Op::Detect, Op::Firmware, Op::Read, Op::Write, Op::Verify, Op::Batch})
        for (const std::string& f : Faults)
            v.push_back({op, f});
    return v;
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    std::string n = std::string(op_name(info.param.op)) + "_" + info.param.fault;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
}

// ----- what each case must end in ---------------------------------------------------------

constexpr const char* NotResponding = MsgBoardNotResponding;
constexpr const char* InitError = MsgInitError;
constexpr const char* ReadTimeOut = MsgReadTimeOut;
constexpr const char* ReadError = MsgReadError;
constexpr const char* WriteError = MsgWriteError;
constexpr const char* VerifyError = "Verify Error!";
constexpr const char* VerifySuccess = "Verify Success!";
constexpr const char* ReadSuccess = "Read success!";
const std::string WrongModel =
    "This pager is not KPR35T !\r\n\r\nIt is KPR22 ( PCB 0103, Software V4.10 )";
const std::string BlankModel = "This pager is not KPR35T !\r\n\r\nIt is  ( PCB , Software  )";

// The editor's image afterwards.
enum class ImageRule {
    Unchanged, // exactly as before the operation
    FromPager, // the pager's memory in PC codes (an accepted read)
    Sealed,    // a write merged firmware byte, serial number, &H3E0 and checksums into it
};

// The simulated pager's memory afterwards.
enum class PagerRule {
    Unchanged,     // as the simulator started
    Written,       // exactly the editor's image in pager codes
    PartlyWritten, // the first blocks of the editor's image, the rest as it was
    NotChecked,    // the simulator was killed: nothing saved at the end
};

struct Expect {
    std::vector<std::string> connect; // messages of the start-up connect
    std::vector<std::string> op;      // messages of the operation itself
    bool forgotten = false;           // BoardPort is "none" afterwards
    ImageRule image = ImageRule::Unchanged;
    PagerRule pager = PagerRule::Unchanged;
    int writtenBlocks = 0;      // PartlyWritten: whole 128-byte blocks that arrived
    bool capcodeRaised = false; // batch: capcode 1 went up by one
    int waitMs = 0;             // time-outs the link has to wait out
};

// Just these messages from the operation; nothing else changes.
Expect only(std::vector<std::string> op) {
    Expect e;
    e.op = std::move(op);
    return e;
}

bool is_write(Op op) {
    return op == Op::Write || op == Op::Batch;
}

// The operation's own messages on a board that behaves.
std::vector<std::string> healthy_messages(Op op) {
    switch (op) {
    case Op::Detect:
        return {};
    case Op::Firmware:
        return {"Version = 5.2"};
    case Op::Read:
        return {ReadSuccess};
    default:
        return {VerifySuccess};
    }
}

Expect healthy(Op op) {
    Expect e;
    e.op = healthy_messages(op);
    if (op == Op::Read)
        e.image = ImageRule::FromPager;
    if (is_write(op)) {
        e.image = ImageRule::Sealed;
        e.pager = PagerRule::Written;
        e.capcodeRaised = op == Op::Batch;
    }
    return e;
}

// Every block read of the operation fails the same way and the board is (or is not)
// forgotten; a write fails on its first read, the firmware byte, before changing anything.
Expect first_read_fails(Op op, const char* message, bool forgotten, int waitMs = 0) {
    Expect e;
    if (op != Op::Detect)
        e.op = {message};
    e.forgotten = forgotten && op != Op::Detect;
    e.waitMs = op == Op::Detect ? 0 : waitMs;
    return e;
}

Expect expected(Op op, const std::string& fault) {
    if (fault == "none")
        return healthy(op);
    if (fault == "silent") {
        // The probe finds nothing; the operations run against a board that answered before
        // and has since gone quiet, and wait out one block read.
        Expect e = first_read_fails(op, ReadTimeOut, false, ReadReplyWaitMs);
        e.connect = {NotResponding};
        if (op == Op::Detect) {
            e.forgotten = true;
            e.waitMs = ProbeWaitMs;
        }
        return e;
    }
    if (fault == "noise" || fault == "bad-checksum")
        // The start-mark wait drops bytes before the mark, so probe and mode set pass; a
        // block read takes its reply as it comes and fails its checksum.
        return first_read_fails(op, ReadError, false);
    if (fault == "drop-after=1") {
        // The board hangs up after answering the probe: the mode set goes unanswered, and
        // the operation finds the port gone.
        Expect e = first_read_fails(op, ReadError, true);
        e.connect = {InitError};
        e.waitMs = ProbeWaitMs;
        return e;
    }
    if (fault == "drop-after=3") {
        // Probe, mode set and the operation's first block are answered, then the line drops.
        if (op == Op::Detect || op == Op::Firmware)
            return healthy(op);
        Expect e;
        e.forgotten = true;
        e.op = {ReadError};
        if (is_write(op)) // the firmware byte arrived and was merged; the serial read failed
            e.image = ImageRule::Sealed;
        return e;
    }
    if (fault == "drop-after=10") {
        // Eight frames of the operation are answered: mid-transfer for every whole image.
        if (op == Op::Detect || op == Op::Firmware)
            return healthy(op);
        Expect e;
        e.forgotten = true;
        e.op = {is_write(op) ? WriteError : ReadError};
        if (is_write(op)) {
            // firmware byte, serial number, then six image blocks before the drop
            e.image = ImageRule::Sealed;
            e.pager = PagerRule::PartlyWritten;
            e.writtenBlocks = 6;
        }
        return e;
    }
    if (fault == "no-ack") {
        if (!is_write(op))
            return healthy(op);
        Expect e;
        e.op = {WriteError};
        e.image = ImageRule::Sealed;
        e.waitMs = WriteAckWaitMs;
        return e;
    }
    if (fault == "write-protect" || fault == "wrong-model") {
        // A write-protected pager keeps its bytes; a wrong-model pager reads back its own
        // model text. Either way only the verify after a write notices.
        if (is_write(op)) {
            Expect e;
            e.op = {VerifyError};
            e.image = ImageRule::Sealed;
            e.pager = fault == "wrong-model" ? PagerRule::Written : PagerRule::Unchanged;
            return e;
        }
        if (fault == "wrong-model") {
            if (op == Op::Read)
                return only({WrongModel});
            if (op == Op::Verify)
                return only({VerifyError});
        }
        return healthy(op);
    }
    if (fault == "blank") {
        switch (op) {
        case Op::Firmware:
            return only({"Version = 25.5"});
        case Op::Read:
            return only({BlankModel});
        case Op::Verify:
            return only({VerifyError});
        default:
            return healthy(op); // an erased pager takes a write and verifies
        }
    }
    if (fault == "vanish") {
        Expect e;
        e.forgotten = true;
        e.pager = PagerRule::NotChecked;
        if (op == Op::Detect) {
            e.connect = {NotResponding}; // gone before the probe
        } else if (is_write(op)) {
            e.op = {WriteError};
            e.image = ImageRule::Sealed;
        } else {
            e.op = {ReadError}; // firmware: gone before the read; read/verify: half-way
        }
        return e;
    }
    ADD_FAILURE() << "no expectation for fault " << fault;
    return {};
}

// ----- helpers --------------------------------------------------------------------------

class Recorder final : public OperatorMessages {
  public:
    void message(const std::string& text, MessageIcon) override { texts.push_back(text); }
    bool ask(const std::string&) override { return true; }
    std::vector<std::string> texts;
};

// The main window's status line as the link sets it.
class StatusUi final : public LinkUi {
  public:
    void showBoardState(BoardState s) override { states.push_back(s); }
    std::vector<BoardState> states;
};

// kpr-board-sim on its pseudo-terminal, reached through a name of our own (a symbolic link
// in the case's folder): when the board vanishes the name goes with it, and a later open can
// never reach another case's simulator that the system gave the same pseudo-terminal.
class Sim {
  public:
    Sim(const QString& folder, const QString& save, const QStringList& extra)
        : process(KPR_BOARD_SIM_PATH, QStringList{"--save", save} + extra) {
        if (process.port.isEmpty())
            return;
        const QString pty = process.port;
        // Unique among the cases: the serial layer locks ports by their file name.
        link = folder + "/board-" + QFileInfo(folder).fileName();
        if (QFile::link(pty, link))
            port = link.toStdString();
        // Hold the serial layer's lock of the pseudo-terminal's own name, so a program that
        // still opens that name after its own simulator ended (the system hands numbers out
        // again at once) is refused instead of talking to ours.
        for (const char* d : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                              "/tmp", "/run/lock"}) {
            const QFileInfo dirInfo(d);
            if (dirInfo.isDir() && dirInfo.isWritable()) {
                QString name = pty;
                name.remove(0, 5).replace('/', '_'); // "/dev/pts/3" -> "pts_3"
                lock = std::make_unique<QLockFile>(QString(d) + "/LCK.." + name);
                lock->setStaleLockTime(0);
                lock->tryLock(100);
                break;
            }
        }
    }
    ~Sim() { stop(); }
    // SIGTERM: the simulator saves the pager's memory and ends.
    void stop() { process.stop(); }
    // The board is pulled out: the process dies at once, its pseudo-terminal and its name
    // with it.
    void vanish() {
        QFile::remove(link);
        if (process.proc.state() == QProcess::NotRunning)
            return;
        process.proc.kill();
        process.proc.waitForFinished(10000);
    }
    e2e::SimProcess process;
    QString link;
    std::string port;
    std::unique_ptr<QLockFile> lock;
};

// Kills the simulator once a transfer has gone half-way through the image.
class VanishingProgress final : public ProgressSink {
  public:
    explicit VanishingProgress(Sim* sim) : sim_(sim) {}
    void setMaximum(int) override {}
    void setPosition(int p) override {
        if (sim_ && p >= ImageSize / 2) {
            sim_->vanish();
            sim_ = nullptr;
        }
    }
    void setColour(uint32_t) override {}
    void setStatus(const std::string&) override {}

  private:
    Sim* sim_;
};

std::optional<PagerImage> load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray d = f.readAll();
    if (d.size() < ImageSize)
        return std::nullopt;
    PagerImage img;
    std::memcpy(img.data(), d.constData(), ImageSize);
    return img;
}

void store(const QString& path, const PagerImage& img) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(img.data()), ImageSize);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

PagerImage pager_codes(PagerImage img) {
    text_to_pager(img);
    return img;
}
PagerImage pc_codes(PagerImage img) {
    text_from_pager(img);
    return img;
}

// The pager the simulator starts with for a fault.
PagerImage start_memory(const std::string& fault) {
    PagerImage m(default_sim_memory());
    if (fault == "blank")
        std::fill(m.data(), m.data() + ImageSize, 0xFF);
    return m;
}

// Addresses a write may change in the editor's image: the bytes it merges and seals, and
// the synthesiser words it recomputes for the pager's firmware.
bool sealed_address(int a) {
    return a == AddrWrittenFlag || a == AddrFirmware || a == AddrFirmware2 ||
           (a >= AddrSerialFirst && a <= AddrSerialSumLow) || a >= ImageSize - 2 || a < 0x10 ||
           (a >= 0x60 && a < 0x70);
}

// The image with capcode 1 entered as text, as a person would.
PagerImage with_capcode1(const PagerImage& img, const std::string& text) {
    Recorder m;
    Editor e(m);
    e.startup_finish({}, false);
    e.load_image(img);
    EXPECT_TRUE(e.userEnterText(ctl("txtAddr", 0), text));
    return e.image();
}

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& t : v) {
        if (!s.empty())
            s += " | ";
        for (char c : t)
            s += c == '\r' ? std::string() : c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return s.empty() ? "(none)" : s;
}

// One row for the reliability table.
void log_row(const std::string& layer, const Case& c, const std::string& messages,
             const std::string& board, const std::string& image, const std::string& output,
             qint64 ms) {
    const char* path = std::getenv("KPR_FAULT_MATRIX_LOG");
    if (!path || !*path)
        return;
    const std::string row = layer + "\t" + op_name(c.op) + "\t" + c.fault + "\t" + messages + "\t" +
                            board + "\t" + image + "\t" + output + "\t" + std::to_string(ms) + "\n";
    // One write with O_APPEND: cases running in parallel never interleave their rows.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
        [[maybe_unused]] ssize_t w = ::write(fd, row.data(), row.size());
        ::close(fd);
    }
}

// Generous margin over the link's own waits: process start-up is not in the measured time,
// but a loaded machine running sanitizers is slow.
constexpr int MarginMs = 6000;

// ----- in process -----------------------------------------------------------------------

class InProcess : public ::testing::TestWithParam<Case> {};

TEST_P(InProcess, EndsAsTheFaultTableSays) {
    const Case c = GetParam();
    const Expect want = expected(c.op, c.fault);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString savePath = dir.filePath("pager.tbl");
    const PagerImage memory = start_memory(c.fault);

    QStringList simArgs;
    if (c.fault != "none" && c.fault != "vanish")
        simArgs << "--fault" << QString::fromStdString(c.fault);
    Sim sim(dir.path(), savePath, simArgs);
    ASSERT_FALSE(sim.port.empty()) << "kpr-board-sim gave no port";

    Recorder msgs;
    QtBoardLink board(msgs, {sim.port}, true);
    UsbLink& link = board.link();
    StatusUi status;
    link.setUi(&status);
    Editor editor(msgs);
    editor.startup_finish(dir.path().toStdString(), false);
    editor.flags().ScanIdle = true;
    // An image that differs from the pager's, so a write shows in it.
    ASSERT_TRUE(editor.userEnterText(ctl("txtAddr", 0), "1234567"));
    if (c.op == Op::Verify) {
        // Verify against what a read of the healthy pager gives.
        editor.image() = pc_codes(PagerImage(default_sim_memory()));
        editor.init_ctl();
    }
    // Writing is refused in "Modify Mode": the technician switches to "Write Mode" first.
    editor.WriteOpt_Click();
    msgs.texts.clear();
    const PagerImage before = editor.image();
    const std::string capcodeBefore = editor.controls()[ctl("txtAddr", 0)].text;

    Sim* killer =
        c.fault == "vanish" && c.op != Op::Detect && c.op != Op::Firmware ? &sim : nullptr;
    VanishingProgress progress(killer);
    EditorAdapter hooks(editor);
    UsbBlockTransfer transfer(link, progress);
    Operations ops(hooks, transfer, msgs, progress);

    QElapsedTimer clock;
    clock.start();
    if (c.fault == "vanish" && c.op == Op::Detect)
        sim.vanish();
    link.startup_connect();
    const std::vector<std::string> connectMsgs = msgs.texts;
    msgs.texts.clear();
    if (c.op != Op::Detect) {
        if (c.fault == "silent")
            link.BoardPort = sim.port; // found before, silent now
        if (c.fault == "vanish" && c.op == Op::Firmware)
            sim.vanish();
        switch (c.op) {
        case Op::Firmware:
            ops.check_firmware();
            break;
        case Op::Read:
            editor.flags().OperationKind = 0;
            ops.activate();
            break;
        case Op::Verify: {
            editor.flags().OperationKind = 2;
            PagerCodesScope codes(hooks);
            ops.activate();
            break;
        }
        case Op::Write: {
            editor.flags().OperationKind = 1;
            PagerCodesScope codes(hooks);
            ops.activate();
            break;
        }
        case Op::Batch: {
            editor.flags().OperationKind = 1;
            editor.flags().AutoInc1 = true;
            PagerCodesScope codes(hooks);
            ASSERT_EQ(ops.activate(), Operations::DialogNext::AwaitBatch);
            ops.batch_step();
            break;
        }
        case Op::Detect:
            break;
        }
    }
    const qint64 ms = clock.elapsed();
    const std::vector<std::string> opMsgs = msgs.texts;

    EXPECT_EQ(connectMsgs, want.connect);
    EXPECT_EQ(opMsgs, want.op);
    EXPECT_EQ(link.no_board(), want.forgotten) << "BoardPort = " << link.BoardPort;
    // A link that fails in a transfer shows the disconnected state at once; a start-up
    // connect that finds nothing leaves the status line to the monitor's first tick.
    const bool linkFailed = want.forgotten && c.op != Op::Detect;
    EXPECT_EQ(status.states, linkFailed ? std::vector<BoardState>{BoardState::Disconnected}
                                        : std::vector<BoardState>{});
    EXPECT_LE(ms, want.waitMs + MarginMs) << "took " << ms << " ms";

    // The editor's image; a batch step's raised capcode is taken back out, so the rest can be
    // held against the image before and the pager.
    PagerImage after = editor.image();
    if (c.op == Op::Batch && want.capcodeRaised)
        after = with_capcode1(after, capcodeBefore);
    switch (want.image) {
    case ImageRule::Unchanged:
        EXPECT_EQ(after, before);
        break;
    case ImageRule::FromPager:
        EXPECT_EQ(after, pc_codes(memory));
        break;
    case ImageRule::Sealed:
        EXPECT_NE(after, before);
        for (int a = 0; a < ImageSize; ++a) {
            if (!sealed_address(a)) {
                EXPECT_EQ(after[a], before[a]) << "address " << a;
            }
        }
        break;
    }
    if (c.op == Op::Batch) {
        const long long v = capcode_value(capcodeBefore) + (want.capcodeRaised ? 1 : 0);
        EXPECT_EQ(editor.controls()[ctl("txtAddr", 0)].text, std::to_string(v));
    }

    // The simulated pager.
    if (want.pager != PagerRule::NotChecked) {
        sim.stop();
        const std::optional<PagerImage> pager = load(savePath);
        ASSERT_TRUE(pager.has_value());
        PagerImage expectPager = memory;
        if (want.pager == PagerRule::Written)
            expectPager = pager_codes(after);
        if (want.pager == PagerRule::PartlyWritten) {
            const PagerImage sent = pager_codes(after);
            std::copy_n(sent.data(), want.writtenBlocks * 128, expectPager.data());
        }
        EXPECT_EQ(*pager, expectPager);
    }

    const bool imageSame = editor.image() == before;
    log_row("link", c, join(connectMsgs.empty() ? opMsgs : [&] {
                auto v = connectMsgs;
                v.insert(v.end(), opMsgs.begin(), opMsgs.end());
                return v;
            }()),
            link.no_board() ? "forgotten" : "kept",
            imageSame ? "unchanged" : want.image == ImageRule::FromPager ? "pager's image" : "sealed",
            want.pager == PagerRule::NotChecked ? "-"
            : want.pager == PagerRule::Unchanged ? "pager unchanged"
            : want.pager == PagerRule::Written   ? "pager written"
                                                 : "pager: first " +
                                                     std::to_string(want.writtenBlocks) +
                                                     " blocks written",
            ms);
}

INSTANTIATE_TEST_SUITE_P(FaultMatrix, InProcess, ::testing::ValuesIn(all_cases()), case_name);

// ----- through kprtool ------------------------------------------------------------------

class Kprtool : public ::testing::TestWithParam<Case> {};

// stderr without the progress status lines and the batch labels: the operator messages alone,
// one after another, so a doubled or missing message shows.
std::string messages_only(const std::string& err) {
    std::string out;
    size_t at = 0;
    while (at < err.size()) {
        size_t end = err.find('\n', at);
        end = end == std::string::npos ? err.size() : end + 1;
        const std::string line = err.substr(at, end - at);
        at = end;
        if (line == "Reading Now.......\n" || line == "Writing Now.......\n" ||
            line == "Verifying Now.....\n" || line == std::string(MsgBackingUp) + "\n" ||
            line.rfind(" 1st capcode : ", 0) == 0)
            continue;
        out += line;
    }
    return out;
}

std::string cli_text(std::string s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n'))
            out += s[i];
    return out;
}

TEST_P(Kprtool, EndsAsTheFaultTableSays) {
    const Case c = GetParam();
    Expect want = expected(c.op, c.fault);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString savePath = dir.filePath("pager.tbl");

    // kprtool probes its --port itself: a board that stays silent, or is gone before the
    // command, ends at the probe.
    const bool killMidWrite = c.fault == "vanish" && is_write(c.op);
    if (c.fault == "silent" || (c.fault == "vanish" && !killMidWrite)) {
        want = Expect{};
        want.connect = {NotResponding};
        want.forgotten = true;
    }
    // A board that answers the probe but not the mode set is no board for kprtool: it stops
    // there with that one message.
    if (c.fault == "drop-after=1")
        want.op = {};
    // The firmware byte arrives, then the line drops before the board's release.
    if (c.fault == "drop-after=3" && c.op == Op::Firmware)
        want.op.push_back(InitError);

    // kprtool runs with settings, backups and ledger of its own (below), so with the default of
    // reading the whole pager before a write, to keep a backup of what it held: a line that
    // drops after ten frames drops in that read, and nothing is written.
    if (c.fault == "drop-after=10" && is_write(c.op))
        want.op = {ReadError};

    // The input file: the default image with its own capcode 1, or for verify what a read of
    // the healthy pager gives.
    const QString in = dir.filePath("in.tbl");
    {
        Recorder m;
        Editor e(m);
        e.startup_finish(dir.path().toStdString(), false);
        ASSERT_TRUE(e.userEnterText(ctl("txtAddr", 0), "1234567"));
        if (c.op == Op::Verify)
            e.image() = pc_codes(PagerImage(default_sim_memory()));
        store(in, e.image());
    }
    const QString out = dir.filePath("out.tbl");
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("untouched");
    }

    QStringList simArgs;
    if (c.fault != "none" && c.fault != "vanish")
        simArgs << "--fault" << QString::fromStdString(c.fault);
    Sim sim(dir.path(), savePath, simArgs);
    ASSERT_FALSE(sim.port.empty()) << "kpr-board-sim gave no port";
    if (c.fault == "vanish" && !killMidWrite)
        sim.vanish();

    QStringList args;
    switch (c.op) {
    case Op::Detect:
        args << "detect";
        break;
    case Op::Firmware:
        args << "firmware";
        break;
    case Op::Read:
        args << "read"
             << "-o" << out;
        break;
    case Op::Write:
        args << "write" << in << "-o" << out;
        break;
    case Op::Verify:
        args << "verify" << in;
        break;
    case Op::Batch:
        args << "write" << in << "--auto-inc"
             << "1"
             << "--count"
             << "1"
             << "--yes"
             << "-o" << out;
        break;
    }
    args << "--port" << QString::fromStdString(sim.port);

    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    // No case sees another's backups, ledger or settings, nor the user's.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    tool.setProcessEnvironment(env);
    tool.start(KPRTOOL_PATH, args);
    ASSERT_TRUE(tool.waitForStarted(10000));
    tool.closeWriteChannel();
    if (killMidWrite) {
        // Pull the board once the first image block has been stored.
        while (tool.state() != QProcess::NotRunning && !QFile::exists(savePath))
            tool.waitForFinished(2);
        sim.vanish();
    }
    const int limit = want.waitMs + MarginMs + 10000; // kprtool's own start-up included
    const bool finished = tool.waitForFinished(limit);
    const qint64 ms = clock.elapsed();
    if (!finished) {
        tool.kill();
        tool.waitForFinished();
    }
    ASSERT_TRUE(finished) << "kprtool still running after " << limit << " ms";
    ASSERT_EQ(tool.exitStatus(), QProcess::NormalExit);
    const std::string err = QString::fromUtf8(tool.readAllStandardError()).toStdString();
    const std::string stdoutText = QString::fromUtf8(tool.readAllStandardOutput()).toStdString();

    // Messages: the connect's, then the operation's; firmware and detect print their
    // result on stdout instead.
    std::vector<std::string> texts;
    for (const std::string& t : want.connect)
        texts.push_back(cli_text(t));
    const bool connected = want.connect.empty();
    bool success = connected;
    if (connected) {
        for (const std::string& t : want.op) {
            if (c.op == Op::Firmware && t.rfind("Version = ", 0) == 0)
                continue;
            texts.push_back(cli_text(t));
        }
        success =
            want.op == healthy_messages(c.op) ||
            (c.op == Op::Firmware && want.op.size() == 1 && want.op[0].rfind("Version = ", 0) == 0);
    }
    std::string wantText;
    for (const std::string& t : texts)
        wantText += t + "\n";
    EXPECT_EQ(messages_only(err), wantText);
    EXPECT_EQ(tool.exitCode(), success ? 0 : 1) << err;
    if (!success) {
        EXPECT_EQ(err.find("Success"), std::string::npos) << err;
        EXPECT_EQ(err.find("success"), std::string::npos) << err;
    }
    if (success && c.op == Op::Detect) {
        EXPECT_EQ(stdoutText, sim.port + "\n");
    }
    if (c.op == Op::Firmware) {
        const bool read = connected && !want.op.empty() && want.op[0].rfind("Version = ", 0) == 0;
        EXPECT_EQ(stdoutText, read ? want.op[0] + "\n" : std::string());
    }

    // The output file: written only by an accepted read or a write a pager took.
    std::string output = "-";
    if (c.op == Op::Read || is_write(c.op)) {
        if (success) {
            const std::optional<PagerImage> written = load(out);
            ASSERT_TRUE(written.has_value());
            if (c.op == Op::Read) {
                EXPECT_EQ(*written, pc_codes(start_memory(c.fault)));
            }
            output = "written";
        } else {
            EXPECT_EQ(contents(out), "untouched");
            output = "untouched";
        }
    }
    std::string printed;
    if (!stdoutText.empty())
        printed = c.op == Op::Detect ? "; prints the port"
                                     : "; prints " + stdoutText.substr(0, stdoutText.find('\n'));
    log_row("kprtool", c, join(texts) + printed + " (exit " + std::to_string(tool.exitCode()) + ")",
            "-", "-", output, ms);
}

INSTANTIATE_TEST_SUITE_P(FaultMatrix, Kprtool, ::testing::ValuesIn(all_cases()), case_name);

} // namespace
} // namespace kpr
