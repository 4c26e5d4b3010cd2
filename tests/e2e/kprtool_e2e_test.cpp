// kprtool as the operator runs it: one run of each board operation against kpr-board-sim on a
// pseudo-terminal through the real serial code, and what only the program shows: its exit
// status, its files (outputs, backups, traces, the ledger) and its verbs on table files.
#include "run_program.h"
#include "sim_process.h"
#include "support/scratch_dir.h"

#include "editor/editor.h"
#include "ledger/ledger.h"
#include "ops/operations.h"
#include "ops/seal.h"
#include "sim/board_sim.h"
#include "support/recorders.h"
#include "text/charset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace kpr {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

QByteArray bytes_of(PagerImage img, bool fromPager) {
    if (fromPager)
        text_from_pager(img);
    return QByteArray(reinterpret_cast<const char*>(img.data()), ImageSize);
}

class KprtoolE2E : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString backups() const { return path("data/kpr35t-programmer/backups"); }
    // The backups of one kind.
    QStringList kept(const QString& kind) const {
        return QDir(backups()).entryList({"*_" + kind + ".tbl"}, QDir::Files, QDir::Name);
    }
    // kprtool with its backups, ledger and settings in the test's folder; a board verb on the
    // simulator's port, so it never searches the machine's ports.
    e2e::ProgramRun kprtool(QStringList args) {
        for (const char* verb : {"detect", "firmware", "ports", "read", "write", "verify"})
            if (sim && args.contains(verb)) {
                args << "--port" << sim->port;
                break;
            }
        return e2e::run_program(KPRTOOL_PATH, args, dir.path());
    }
    // The simulator; the pager's memory goes to pager.tbl.
    // Pager KS2026000017 of another machine, verified with this 1st capcode.
    static void another_pager_holds(const QString& ledger, Capcode capcode) {
        auto l = make_ledger(ledger.toStdString(), "");
        l->open({"another-machine", "elsewhere", 1});
        LedgerAttempt a;
        a.kind = "write";
        a.serialBytes = "KS2026000017";
        a.serialIdentifies = true;
        a.capcodes[0] = {capcode, true};
        a.result = "verified";
        l->record(a);
    }

    void start_sim(const QStringList& extra = {}) {
        sim = std::make_unique<e2e::SimProcess>(QStringList{"--save", path("pager.tbl")} + extra);
        ASSERT_FALSE(sim->port.isEmpty()) << "kpr-board-sim gave no port";
    }
    // The pager's memory, once the simulator has stopped.
    PagerImage pager() {
        sim->stop();
        PagerImage m;
        const QByteArray b = contents(path("pager.tbl"));
        std::memcpy(m.data(), b.constData(), std::min<qsizetype>(b.size(), ImageSize));
        return m;
    }
    static QByteArray contents(const QString& f) { return test::contents(f); }
    void store(const QString& name, const QByteArray& bytes) {
        ASSERT_TRUE(test::store(path(name), bytes));
    }

    QTemporaryDir dir;
    std::unique_ptr<e2e::SimProcess> sim;
};

// A German pager: the read turns its text into PC codes by the pager's own language. (Detect
// and firmware run in the fault matrix's "none" row.)
TEST_F(KprtoolE2E, ReadGivesThePagerInPcCodesKeepsItTracesItAndVerifies) {
    auto mem = default_sim_memory();
    mem[AddrLanguageCode] = static_cast<uint8_t>((mem[AddrLanguageCode] & 0xF0) | 8);
    mem[0x540 + 2] = '['; // an A-umlaut in the first source prompt
    seal_sim_memory(mem, "KS2026000042");
    store("german.tbl", bytes_of(PagerImage(mem), false));
    start_sim({"--memory", path("german.tbl")});
    EXPECT_EQ(kprtool({"ports"}).out, sim->port + "\tboard\n");

    auto r = kprtool(
        {"--trace", path("t.log"), "read", "-o", path("out.tbl"), "--trace", path("trace.log")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray out = contents(path("out.tbl"));
    EXPECT_EQ(out, bytes_of(PagerImage(mem), true));
    EXPECT_EQ(static_cast<uint8_t>(out[0x542]), 196);
    ASSERT_EQ(kept("read").size(), 1);
    EXPECT_EQ(contents(backups() + "/" + kept("read")[0]), out);
    // The last --trace named wins.
    EXPECT_FALSE(QFile::exists(path("t.log")));
    EXPECT_THAT(
        contents(path("trace.log")).toStdString(),
        AllOf(HasSubstr(" TX board probe | "), HasSubstr(" RX block of 128 bytes read | ")));

    r = kprtool({"verify", path("out.tbl")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Verify Success!"));
}

// A file no band derives from: kprtool opens it as the window opens a file, so the write
// commits the frequency as the window's would; the pager is sealed with its own serial
// number and firmware byte, and both backups are kept.
TEST_F(KprtoolE2E, WriteSealsThePagerAndKeepsWhatItHeldBefore) {
    const QString in = path("noband.tbl");
    {
        test::RecordedMessages m;
        Editor e(m);
        e.image()[0x65] &= 0x0F;
        e.image()[0x0C] = e.image()[0x0D] = 0;
        ASSERT_TRUE(e.mnuSA_Click(in.toStdString()));
    }
    test::RecordedMessages window;
    Editor e(window);
    e.startup_finish({}, false);
    ASSERT_TRUE(e.mnuLBFF_Click(in.toStdString()));
    const PagerImage opened = e.image();
    e.route("txtFreq", ControlEvent::LostFocus);
    std::vector<std::string> shown = window.texts();
    ASSERT_TRUE(!shown.empty() || e.image() != opened) << "the commit must show";
    shown.push_back("Verify Success!");

    start_sim({"--firmware", "37"});
    const auto r = kprtool({"write", in, "-o", path("saved.tbl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const std::string& text : shown)
        EXPECT_THAT(r.err.toStdString(), HasSubstr(text));
    const QByteArray saved = contents(path("saved.tbl"));
    for (int a = 0; a < 0x70; a = a == 0x0F ? 0x60 : a + 1) // the synthesiser words
        EXPECT_EQ(static_cast<uint8_t>(saved[a]), e.image()[a]) << "address " << a;
    const PagerImage m = pager();
    EXPECT_EQ(bytes_of(m, true), saved);
    EXPECT_EQ(m[AddrFirmware], 37);
    EXPECT_EQ(0, std::memcmp(m.data() + AddrSerialFirst, SimDefaultSerial, 12));
    EXPECT_TRUE(image_checksum_ok(m.bytes(), ImageUpperBound));

    ASSERT_EQ(kept("before-write").size(), 1);
    EXPECT_EQ(contents(backups() + "/" + kept("before-write")[0]),
              bytes_of(PagerImage(default_sim_memory(37)), true));
    ASSERT_EQ(kept("written").size(), 1);
    EXPECT_EQ(contents(backups() + "/" + kept("written")[0]), saved);
    const std::string list = kprtool({"backups"}).out.toStdString();
    EXPECT_THAT(list, HasSubstr("written       KS2026000001"));
    EXPECT_LT(list.find("written"), list.find("before-write"));
}

// Between pagers the capcodes go up; under --yes nobody reads the refusal at the maximum, so
// the batch stops there rather than give the next pager the same capcode; without a terminal
// the question between pagers is answered No.
TEST_F(KprtoolE2E, BatchRaisesTheCapcodesAndStops) {
    struct Case {
        QStringList set, batch;
        std::vector<const char*> says;
        const char *capcode1, *capcode2;
    };
    const Case cases[] = {
        {{"capcode.1=2097150", "capcode.2=0001000"},
         {"--auto-inc", "1,2", "--count", "3", "--yes"},
         {" 1st capcode : 2097151", " 2nd capcode : 0001001",
          "Capcode 1 > 2097151 so can not be increase!", "Stopped after 2 of 3 pagers."},
         "2097151\n",
         "0001002\n"},
        {{"capcode.1=0000500", "capcode.2=0000600"},
         {"--auto-inc", "2", "--count", "2"},
         {"Stopped after 1 of 2 pagers."},
         "0000500\n",
         "0000601\n"},
    };
    start_sim();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says.back());
        ASSERT_EQ(kprtool({"default", path("batch.tbl")}).exitCode, 0);
        ASSERT_EQ(kprtool(QStringList{"set", path("batch.tbl")} + c.set).exitCode, 0);
        const auto r =
            kprtool(QStringList{"write", path("batch.tbl"), "-o", path("after.tbl")} + c.batch);
        EXPECT_EQ(r.exitCode, 1);
        for (const char* line : c.says)
            EXPECT_THAT(r.err.toStdString(), HasSubstr(line));
        EXPECT_EQ(kprtool({"get", path("after.tbl"), "capcode.1"}).out, c.capcode1);
        EXPECT_EQ(kprtool({"get", path("after.tbl"), "capcode.2"}).out, c.capcode2);
    }
}

// Through the ledger: a capcode another pager holds is passed over, every pager is recorded
// and `log` lists them.
TEST_F(KprtoolE2E, BatchThroughTheLedgerSkipsAHeldCapcodeAndLogsEveryPager) {
    const QString ledger = path("ledger.sqlite");
    another_pager_holds(ledger, 501);
    ASSERT_EQ(kprtool({"default", path("b.tbl")}).exitCode, 0);
    ASSERT_EQ(kprtool({"set", path("b.tbl"), "capcode.1=0000500"}).exitCode, 0);
    start_sim();
    auto r = kprtool(
        {"write", path("b.tbl"), "--auto-inc", "1", "--count", "2", "--yes", "--ledger", ledger});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(),
                AllOf(HasSubstr(" 1st capcode : 0000500"),
                      HasSubstr("Capcode 0000501 is in pager KS2026000017 already: skipped"),
                      HasSubstr(" 1st capcode : 0000502")));
    r = kprtool({"log", "--csv", "--result", "verified", "--ledger", ledger});
    const QStringList lines = r.out.split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString(); // header, two pagers, the seeded one
    EXPECT_TRUE(lines[1].contains(",write,KS2026000001,") && lines[1].contains(",0000502,1,"));
    EXPECT_TRUE(lines[2].contains(",0000500,1,")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains("KS2026000017"));
    r = kprtool({"log", "--json", "--since", "2020-01-01T00:00+02:00", "--ledger", ledger});
    const QJsonArray json = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(json.size(), 3) << r.out.toStdString();
    EXPECT_EQ(json[0]["capcode1"].toString(), "0000502");
}

// A counting batch is a job: stopped after its first pager (nobody answers the question
// between pagers), `write --job` goes on to the number first asked for, passing over a
// capcode another pager took meanwhile; each row verified once, each capcode once.
TEST_F(KprtoolE2E, ACountingBatchIsResumedAsAJob) {
    const QString ledger = path("ledger.sqlite");
    ASSERT_EQ(kprtool({"default", path("b.tbl")}).exitCode, 0);
    ASSERT_EQ(kprtool({"set", path("b.tbl"), "capcode.1=0000700"}).exitCode, 0);
    start_sim();
    auto r = kprtool({"write", path("b.tbl"), "--auto-inc", "1", "--count", "3", "--job-name",
                      "night", "--ledger", ledger});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), AllOf(HasSubstr("Stopped after 1 of 3 pagers."),
                                           HasSubstr("kprtool write --job night resumes it")));
    another_pager_holds(ledger, 702);
    r = kprtool({"write", "--job", "night", "--yes", "--ledger", ledger});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Capcode 0000702 is in pager KS2026000017"));
    const QString shown = kprtool({"job", "show", "night", "--csv", "--ledger", ledger}).out;
    EXPECT_EQ(shown.count(",verified,"), 3) << shown.toStdString();
    for (const char* c : {"capcode.1=0000700,", "capcode.1=0000701,", "capcode.1=0000703,"})
        EXPECT_EQ(shown.count(c), 1) << c;
    EXPECT_THAT(kprtool({"job", "list", "--ledger", ledger}).out.toStdString(),
                HasSubstr("night\tb.tbl\t3/3\t0\t0\t0"));
}

// Ctrl-C once the pager has taken a block: nothing is reported done and the operator hears
// that the pager is incomplete.
TEST_F(KprtoolE2E, CtrlCAfterTheFirstBlockSaysThePagerMustBeWrittenAgain) {
    ASSERT_EQ(kprtool({"default", path("in.tbl")}).exitCode, 0);
    store("saved.tbl", "untouched");
    start_sim({"--pace"});
    // The trace goes into a pipe, read as its lines come: it shows the first block's
    // acknowledgement as soon as it is in. Open before kprtool opens it, so its open goes on.
    const QByteArray trace = path("trace").toLocal8Bit();
    ASSERT_EQ(::mkfifo(trace.constData(), 0600), 0);
    const int fd = ::open(trace.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    QProcess tool;
    e2e::start_program(tool, KPRTOOL_PATH,
                       {"write", path("in.tbl"), "-o", path("saved.tbl"), "--port", sim->port,
                        "--trace", path("trace")},
                       dir.path());
    std::string seen;
    for (pollfd p{fd, POLLIN, 0};
         seen.find("write acknowledged") == std::string::npos && ::poll(&p, 1, 30000) > 0;) {
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) // kprtool ended
            break;
        seen.append(buf, static_cast<size_t>(n));
    }
    EXPECT_THAT(seen, HasSubstr("write acknowledged"));
    if (const qint64 pid = tool.processId(); pid > 0) // kill(0) would signal the whole run
        ::kill(static_cast<pid_t>(pid), SIGINT);
    const auto r = e2e::finish(tool); // the pipe still open: kprtool's last lines fit in it
    ::close(fd);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), AllOf(HasSubstr(MsgWriteIncomplete),
                                           Not(HasSubstr("Cancelled.")), Not(HasSubstr("Verify"))));
    EXPECT_EQ(contents(path("saved.tbl")), "untouched");
}

// Exit status: 2 for a command that cannot be run as given, 1 for one that failed; what it
// says on stderr; an output file left alone.
TEST_F(KprtoolE2E, ExitStatusAndMessagesOfFailedCommands) {
    struct Case {
        QStringList args;
        int exit;
        const char* says;
    };
    ASSERT_EQ(kprtool({"default", path("a.tbl")}).exitCode, 0);
    store("tiny.tbl", contents(path("a.tbl")).left(990));
    store("bad.yaml", "settings:\n  band: 0\n  loudness: 11\n");
    store("out.tbl", "untouched");
    const QString out = path("out.tbl");
    start_sim();
    const Case cases[] = {
        {{}, 2, ""},
        {{"no-such-verb"}, 2, ""},
        {{"default", "--no-such-option", out}, 2, "no-such-option"},
        {{"read"}, 2, ""},
        {{"write", out, "--auto-inc", "3"}, 2, ""},
        {{"write", out, "--count", "3"}, 2, ""},
        {{"write", out, "--job-name", "x"}, 2, "--job-name names the job a counting batch"},
        {{"station", out, "--auto-inc", "1", "--job-name", "x"}, 2, "goes with --auto-inc and"},
        {{"detect", "--link", "serial"}, 2, "--link"},
        {{"dump", path("a.tbl"), "--trace"}, 2, "--trace needs a FILE"},
        {{"backups", "--keep-days", "soon"}, 2, ""},
        {{"import", path("bad.yaml")}, 2, ""},
        {{"dump", path("tiny.tbl")}, 1, "is not correct format, the file will discard !"},
        {{"default", path("no/such/dir/x.tbl")}, 1, "could not be written: No such file"},
        {{"read", "-o", out, "--trace", path("no/such/dir/t.log")}, 1, "no/such/dir/t.log"},
        {{"detect", "--trace", "/dev/full"}, 1, "file /dev/full could not be written: No space"},
        {{"read", "-o", out, "--link", "lpt", "--lpt", path("no-lpt")}, 1, "is not responding!"},
        {{"import", path("bad.yaml"), "--base", path("a.tbl"), "-o", out}, 1, "3: loudness: unk"},
        {{"log", "--since", "2099-01-01xyz"}, 2, "--since takes a date"},
        {{"log", "--capcode", "4294967396"}, 2, "--capcode takes a capcode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto r = kprtool(c.args);
        EXPECT_FALSE(r.crashed);
        EXPECT_EQ(r.exitCode, c.exit) << r.err.toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr(c.says));
        EXPECT_EQ(contents(out), "untouched");
    }
}

// The table-file verbs on real files: dump, diff's ranges, the backups folder pruned by age,
// and help for every verb.
TEST_F(KprtoolE2E, TableFileVerbs) {
    ASSERT_EQ(kprtool({"default", path("a.tbl")}).exitCode, 0);
    EXPECT_THAT(kprtool({"dump", path("a.tbl")}).out.toStdString(), HasSubstr("|.KPR35T"));
    QByteArray b = contents(path("a.tbl"));
    b[0x44] = static_cast<char>(b[0x44] ^ 0x01); // capcode 2
    b[0x45] = static_cast<char>(b[0x45] ^ 0x80);
    b[0x7FF] = static_cast<char>(b[0x7FF] ^ 0xFF); // in no region
    store("b.tbl", b);
    EXPECT_THAT(kprtool({"diff", path("a.tbl"), path("b.tbl")}).out.toStdString(),
                AllOf(HasSubstr("\n&H044-&H045  2 bytes  capcode 2\n"),
                      HasSubstr("\n&H7FF  1 byte\n"),
                      HasSubstr("\n3 bytes differ in 2 ranges.\n")));

    ASSERT_TRUE(QDir().mkpath(backups()));
    const QString old = backups() + "/20200101-000000.000Z_KS0000000001_read.tbl";
    QFile::copy(path("a.tbl"), old);
    QFile::copy(path("a.tbl"), backups() + "/notes.txt");
    EXPECT_EQ(kprtool({"backups", "--folder"}).out, backups() + "\n");
    EXPECT_THAT(kprtool({"backups"}).out.toStdString(), HasSubstr("read          KS0000000001"));
    EXPECT_THAT(kprtool({"backups", "--keep-days", "30"}).err.toStdString(),
                HasSubstr("Removed 1 backup older than 30 days."));
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_TRUE(QFile::exists(backups() + "/notes.txt"));

    const QString help = kprtool({"--help"}).out;
    const qsizetype from = help.indexOf("Commands:\n");
    ASSERT_GE(from, 0);
    const QStringList lines = help.mid(from, help.indexOf("\n\n", from) - from).split('\n').mid(1);
    for (const char* verb : {"default", "diff", "write", "station"})
        EXPECT_TRUE(help.contains("\n  " + QString(verb) + " ")) << verb;
    for (const QString& line : lines) {
        const QString verb = line.trimmed().section(' ', 0, 0);
        const auto r = kprtool({verb, "--help"});
        EXPECT_EQ(r.exitCode, 0) << verb.toStdString();
        EXPECT_TRUE(r.out.startsWith("Usage: kprtool " + verb + " [options]"))
            << r.out.toStdString();
        EXPECT_EQ(kprtool({"help", verb}).out, r.out) << verb.toStdString();
    }
}

} // namespace
} // namespace kpr
