// kprtool's board verbs against kpr-board-sim on a pseudo-terminal, through the real serial
// code: what lands in the simulated pager, what comes back, and how every fault ends.
#include "run_program.h"
#include "sim_process.h"

#include "editor/editor.h"
#include "ops/operations.h"
#include "ops/seal.h"
#include "platform/product_backups.h"
#include "sim/board_sim.h"
#include "text/charset.h"
#include "text/default_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <signal.h>

#include <cstring>
#include <optional>

namespace kpr {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class NoMessages : public OperatorMessages {
  public:
    void message(const std::string& text, MessageIcon) override { shown.push_back(text); }
    bool ask(const std::string&) override { return true; }
    std::vector<std::string> shown;
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

void store(const QString& path, const PagerImage::Bytes& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(bytes.data()), ImageSize);
}

// The programs run with their settings and backups in a folder of their own, never the
// user's, and without the backup read before a write, so every frame on the wire is the
// write's own (the fault cases count frames).
class IsolatedHome : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
        set_product_backup_reads_before_write(false);
    }
    QTemporaryDir home;
};
const auto* const isolatedHome = ::testing::AddGlobalTestEnvironment(new IsolatedHome);

class ProgrammingE2E : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // Starts the simulator; the pager's memory ends up in pager.tbl when it stops.
    void start_sim(const QStringList& extra = {}) {
        sim = std::make_unique<e2e::SimProcess>(KPR_BOARD_SIM_PATH,
                                                QStringList{"--save", path("pager.tbl")} + extra);
        ASSERT_FALSE(sim->port.isEmpty()) << "kpr-board-sim gave no port";
    }
    // The pager's memory, read after the simulator has stopped.
    PagerImage pager() {
        sim->stop();
        auto m = load(path("pager.tbl"));
        EXPECT_TRUE(m.has_value());
        return m.value_or(PagerImage{});
    }
    e2e::ProgramRun kprtool(QStringList args) {
        args << "--port" << sim->port;
        return e2e::run_program(KPRTOOL_PATH, args);
    }
    // A table file made by the default verb.
    QString default_table() {
        const QString f = path("in.tbl");
        EXPECT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", f}).exitCode, 0);
        return f;
    }
    // A file whose bytes must survive a refused operation.
    QString sentinel(const QString& name) {
        const QString f = path(name);
        QFile q(f);
        EXPECT_TRUE(q.open(QIODevice::WriteOnly));
        q.write("untouched");
        return f;
    }
    static QByteArray contents(const QString& f) {
        QFile q(f);
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
    std::unique_ptr<e2e::SimProcess> sim;
};

// The sealing every written pager shows.
void expect_sealed(const PagerImage& m, const char* serial, uint8_t firmware) {
    EXPECT_EQ(m[AddrWrittenFlag], 1);
    EXPECT_EQ(m[AddrFirmware], firmware);
    EXPECT_EQ(0, std::memcmp(m.data() + AddrSerialFirst, serial, 12));
    EXPECT_TRUE(serial_checksum_ok(m.bytes()));
    EXPECT_TRUE(image_checksum_ok(m.bytes(), ImageUpperBound));
}

PagerImage in_pager_codes(PagerImage img) {
    text_to_pager(img);
    return img;
}

TEST_F(ProgrammingE2E, WriteKeepsAValidSerialAndLeavesExactlyTheSealedImage) {
    const QString in = default_table();
    start_sim({"--firmware", "37"});
    auto r = kprtool({"write", in, "-o", path("saved.tbl")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Verify Success!"));
    auto saved = load(path("saved.tbl"));
    ASSERT_TRUE(saved);
    const PagerImage m = pager();
    expect_sealed(m, SimDefaultSerial, 37);
    EXPECT_EQ(m, in_pager_codes(*saved));

    // Only the sealed bytes and the synthesiser words differ from the file written.
    auto original = load(in);
    for (int a = 0; a < ImageSize; ++a) {
        bool sealed = a == AddrWrittenFlag || a == AddrFirmware ||
                      (a >= AddrSerialFirst && a <= AddrSerialSumLow) || a >= 2046;
        bool synth = a < 0x10 || (a >= 0x60 && a < 0x70) || a == 0x45A;
        if (!sealed && !synth) {
            EXPECT_EQ((*saved)[a], (*original)[a]) << "address " << a;
        }
    }
}

TEST_F(ProgrammingE2E, InvalidOrErasedSerialIsReplacedByTheDefault) {
    const QString in = default_table();
    auto mem = default_sim_memory(41, "PGR000000001");
    mem[AddrSerialSumLow] ^= 0x5A; // the pager's serial checksum no longer matches
    store(path("bad-serial.tbl"), mem);
    start_sim({"--memory", path("bad-serial.tbl")});
    auto r = kprtool({"write", in});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    expect_sealed(pager(), "Vard0000000 ", 41);

    // An erased pager: no serial and no firmware byte, so the file's own byte is kept.
    auto file = load(in);
    start_sim({"--fault", "blank"});
    r = kprtool({"write", in});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    expect_sealed(pager(), "Vard0000000 ", (*file)[AddrFirmware]);
}

TEST_F(ProgrammingE2E, ReadReturnsThePagerInPcCodesAndVerifyAgrees) {
    // A German pager with an A-umlaut (pager code '[') in its first source prompt.
    auto mem = default_sim_memory();
    mem[LanguageCodeAddress] = static_cast<uint8_t>((mem[LanguageCodeAddress] & 0xF0) | 8);
    mem[0x540 + 2] = '[';
    seal_sim_memory(mem, "KS2026000042");
    store(path("german.tbl"), mem);
    start_sim({"--memory", path("german.tbl")});

    auto r = kprtool({"read", "-o", path("out.tbl")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Read success!"));
    auto out = load(path("out.tbl"));
    ASSERT_TRUE(out);
    EXPECT_EQ((*out)[0x542], 196); // Ä
    PagerImage expected(mem);
    text_from_pager(expected);
    EXPECT_EQ(*out, expected);

    // What was read verifies against the same pager.
    r = kprtool({"verify", path("out.tbl")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Verify Success!"));
}

TEST_F(ProgrammingE2E, ReadRefusesBadChecksumsAndLeavesTheOutputAlone) {
    auto mem = default_sim_memory();
    mem[2047] ^= 0x01;
    store(path("bad-image-sum.tbl"), mem);
    start_sim({"--memory", path("bad-image-sum.tbl")});
    const QString out = sentinel("out.tbl");
    auto r = kprtool({"read", "-o", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed().toStdString(), "Reading Now.......\nCheckSum Error!");
    EXPECT_EQ(contents(out), "untouched");

    mem = default_sim_memory();
    mem[AddrSerialSumHigh] ^= 0x01;
    uint16_t s = image_checksum(mem, ImageUpperBound); // image checksum right again
    mem[2046] = static_cast<uint8_t>(s >> 8);
    mem[2047] = static_cast<uint8_t>(s & 0xFF);
    store(path("bad-serial-sum.tbl"), mem);
    start_sim({"--memory", path("bad-serial-sum.tbl")});
    r = kprtool({"read", "-o", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("CheckSum Error!"));
    EXPECT_EQ(contents(out), "untouched");
}

// A table file whose two capcodes are set through the editor.
void make_table_with_capcodes(const QString& file, const std::string& c1, const std::string& c2);

TEST_F(ProgrammingE2E, VerifyFailsOnAWriteProtectedPager) {
    // A file that differs from what the pager holds, so the kept old bytes show.
    const QString in = path("other.tbl");
    make_table_with_capcodes(in, "0123456", "0654321");
    start_sim({"--fault", "write-protect"});
    const QString saved = sentinel("saved.tbl");
    auto r = kprtool({"write", in, "-o", saved});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Verify Error!"));
    EXPECT_THAT(r.err.toStdString(), Not(HasSubstr("Verify Success!")));
    EXPECT_EQ(contents(saved), "untouched");
}

// The capcode entries of a table file, as the editor shows them.
std::pair<std::string, std::string> capcodes(const QString& file) {
    NoMessages m;
    Editor e(m);
    EXPECT_TRUE(e.mnuLBFF_Click(file.toStdString()));
    return {e.controls()[ctl("txtAddr", 0)].text, e.controls()[ctl("txtAddr", 1)].text};
}

void make_table_with_capcodes(const QString& file, const std::string& c1, const std::string& c2) {
    NoMessages m;
    Editor e(m);
    ASSERT_TRUE(e.userEnterText(ctl("txtAddr", 0), c1));
    ASSERT_TRUE(e.userEnterText(ctl("txtAddr", 1), c2));
    ASSERT_TRUE(e.mnuSA_Click(file.toStdString()));
}

// kprtool opens the file as the window opens its file at start-up: where the image names no
// band the default band is chosen, so the write commits the frequency (words and messages)
// exactly as the window's write would.
TEST_F(ProgrammingE2E, WriteCommitsTheFrequencyAsTheWindowDoesWhereNoBandIsDerived) {
    const QString in = path("noband.tbl");
    {
        NoMessages m;
        Editor e(m);
        e.image()[0x65] &= 0x0F; // neither 3, 4 nor 8: no band derives from it
        e.image()[0x0C] = e.image()[0x0D] = 0;
        ASSERT_TRUE(e.mnuSA_Click(in.toStdString()));
    }
    NoMessages window;
    Editor e(window);
    e.startup_finish({}, false);
    ASSERT_TRUE(e.mnuLBFF_Click(in.toStdString()));
    const PagerImage opened = e.image();
    e.txtFreq_LostFocus(); // the write's frequency commit
    ASSERT_TRUE(!window.shown.empty() || e.image() != opened) << "the commit must show";

    start_sim();
    auto r = kprtool({"write", in, "-o", path("saved.tbl")});
    for (const std::string& text : window.shown)
        EXPECT_THAT(r.err.toStdString(), HasSubstr(text));
    auto saved = load(path("saved.tbl"));
    ASSERT_TRUE(saved);
    // The synthesiser words the commit computes.
    for (int a = 0; a < 0x70; a = a == 0x0F ? 0x60 : a + 1)
        EXPECT_EQ((*saved)[a], e.image()[a]) << "address " << a;
}

// Under --yes nobody reads the refusal at the maximum: the batch stops there rather than
// give the next pager the same capcode.
TEST_F(ProgrammingE2E, BatchRaisesTheCapcodesAfterEveryPagerAndStopsAtTheMaximum) {
    make_table_with_capcodes(path("batch.tbl"), "2097150", "0001000");
    start_sim();
    auto r = kprtool({"write", path("batch.tbl"), "--auto-inc", "1,2", "--count", "3", "--yes",
                      "-o", path("after.tbl")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const std::string err = r.err.toStdString();
    for (const char* label : {" 1st capcode : 2097150", " 1st capcode : 2097151",
                              " 2nd capcode : 0001000", " 2nd capcode : 0001001"})
        EXPECT_THAT(err, HasSubstr(label));
    EXPECT_THAT(err, HasSubstr("Capcode 1 > 2097151 so can not be increase!"));
    EXPECT_THAT(err, HasSubstr("Stopped after 2 of 3 pagers."));
    EXPECT_THAT(err, Not(HasSubstr(" 2nd capcode : 0001002")));
    // Capcode 2 still rose after the second pager.
    auto [c1, c2] = capcodes(path("after.tbl"));
    EXPECT_EQ(c1, "2097151");
    EXPECT_EQ(c2, "0001002");
    // The simulated pager holds the second pager's image: capcode 2 at 1001.
    const PagerImage m = pager();
    store(path("second.tbl"), [&] {
        PagerImage p = m;
        text_from_pager(p);
        return p.bytes();
    }());
    EXPECT_EQ(capcodes(path("second.tbl")).second, "0001001");
}

TEST_F(ProgrammingE2E, BatchStopsWhenTheOperatorSaysNo) {
    make_table_with_capcodes(path("batch.tbl"), "0000500", "0000600");
    start_sim();
    // No terminal and no --yes: the question between pagers is answered No.
    auto r = kprtool(
        {"write", path("batch.tbl"), "--auto-inc", "2", "--count", "2", "-o", path("after.tbl")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Stopped after 1 of 2 pagers."));
    EXPECT_THAT(r.err.toStdString(), Not(HasSubstr(" 1st capcode")));
    EXPECT_EQ(capcodes(path("after.tbl")),
              (std::pair<std::string, std::string>{"0000500", "0000601"}));
}

// Ctrl-C once the pager has taken a block: the write stops, nothing is reported as done, and
// the operator hears that the pager is incomplete (a cancel before the first block is a plain
// "Cancelled.", pinned where the operations are tested).
TEST_F(ProgrammingE2E, CtrlCAfterTheFirstBlockSaysThePagerMustBeWrittenAgain) {
    const QString in = default_table();
    start_sim({"--pace"});
    const QString saved = sentinel("saved.tbl");
    const QString trace = path("trace.txt");
    QProcess tool;
    tool.start(KPRTOOL_PATH, {"write", in, "-o", saved, "--port", sim->port, "--trace", trace});
    ASSERT_TRUE(tool.waitForStarted(5000));
    tool.closeWriteChannel();
    // The trace shows the first block's acknowledgement as soon as it is in.
    while (!contents(trace).contains("write acknowledged") && tool.state() != QProcess::NotRunning)
        tool.waitForFinished(5);
    // A tool that already ended has no pid: kill(0) would signal the whole test run.
    if (const qint64 pid = tool.processId(); pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGINT);
    ASSERT_TRUE(tool.waitForFinished(10000));
    const std::string err = tool.readAllStandardError().toStdString();
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_THAT(err, HasSubstr(MsgWriteIncomplete));
    EXPECT_THAT(err, Not(HasSubstr("Cancelled.")));
    EXPECT_THAT(err, Not(HasSubstr("Verify")));
    EXPECT_EQ(contents(saved), "untouched");
}

struct FaultCase {
    const char* fault;
    const char* verb; // read, write or verify
    const char* message;
};

class FaultE2E : public ProgrammingE2E, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultE2E, EndsInItsMessageWithTheOutputUntouched) {
    const FaultCase c = GetParam();
    const QString in = default_table();
    const QString out = sentinel("out.tbl");
    start_sim({"--fault", c.fault});
    e2e::ProgramRun r;
    if (std::string(c.verb) == "read")
        r = kprtool({"read", "-o", out});
    else if (std::string(c.verb) == "write")
        r = kprtool({"write", in, "-o", out});
    else
        r = kprtool({"verify", in});
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr(c.message)) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), Not(HasSubstr("success")));
    EXPECT_THAT(r.err.toStdString(), Not(HasSubstr("Success")));
    EXPECT_EQ(contents(out), "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultE2E,
    ::testing::Values(FaultCase{"silent", "read", "The Programmed Board is not responding!"},
                      FaultCase{"silent", "write", "The Programmed Board is not responding!"},
                      FaultCase{"noise", "read", "Read error!"},
                      FaultCase{"bad-checksum", "read", "Read error!"},
                      FaultCase{"bad-checksum", "verify", "Read error!"},
                      FaultCase{"drop-after=5", "read", "Read error!"},
                      FaultCase{"drop-after=6", "write", "Write error!"},
                      FaultCase{"no-ack", "write", "Write error!"},
                      FaultCase{"wrong-model", "read",
                                "This pager is not KPR35T !\n\nIt is KPR22 ( PCB 0103, "
                                "Software V4.10 )"},
                      FaultCase{"blank", "read",
                                "This pager is not KPR35T !\n\nIt is  ( PCB , Software  )"}));

TEST_F(ProgrammingE2E, DetectFirmwareAndPortsFindTheBoard) {
    start_sim({"--firmware", "37"});
    auto r = kprtool({"detect"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), sim->port);
    r = kprtool({"firmware"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.trimmed().toStdString(), "Version = 3.7");
    r = kprtool({"ports"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.trimmed(), sim->port + "\tboard");
}

TEST_F(ProgrammingE2E, MissingParallelPortEndsTheReadWithNothingWritten) {
    start_sim();
    const QString out = sentinel("out.tbl");
    auto r =
        kprtool({"read", "-o", out, "--link", "lpt", "--lpt", path("no-such-parport").toUtf8()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("The Programmed Board is not responding!"));
    EXPECT_EQ(contents(out), "untouched");
}

TEST_F(ProgrammingE2E, UsageErrorsExitWithTwo) {
    start_sim();
    EXPECT_EQ(kprtool({"read"}).exitCode, 2);
    EXPECT_EQ(kprtool({"write", "x.tbl", "--auto-inc", "3"}).exitCode, 2);
    EXPECT_EQ(kprtool({"write", "x.tbl", "--count", "3"}).exitCode, 2);
    // An unknown board kind is a usage error, not a silent fall-back to USB.
    auto r = kprtool({"detect", "--link", "serial"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("--link")) << r.err.toStdString();
}

} // namespace
} // namespace kpr
