// Profiles, backups and the serial trace through the real programs: kprtool against
// kpr-board-sim on a pseudo-terminal, each run with a data and a configuration folder of
// its own so backups land where the test looks.
#include "sim_process.h"

#include "image/pager_image.h"
#include "ops/seal.h"
#include "sim/board_sim.h"
#include "text/charset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <optional>

namespace kpr {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class ExtrasE2E : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { stop_sim(); }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString backups() const { return path("data/kpr35t-programmer/backups"); }

    QProcessEnvironment env() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_DATA_HOME", path("data"));
        e.insert("XDG_CONFIG_HOME", path("config"));
        return e;
    }

    ToolRun kprtool(QStringList args, bool withPort = false) {
        if (withPort)
            args << "--port" << port;
        QProcess p;
        p.setProcessEnvironment(env());
        p.start(KPRTOOL_PATH, args);
        p.closeWriteChannel();
        ToolRun r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }

    void start_sim(const QStringList& extra) {
        sim = std::make_unique<e2e::SimProcess>(KPR_BOARD_SIM_PATH,
                                                QStringList{"--save", path("pager.tbl")} + extra);
        ASSERT_TRUE(sim->started);
        ASSERT_TRUE(sim->banner.startsWith("PORT ")) << sim->banner.toStdString();
        port = sim->port;
    }
    void stop_sim() {
        if (sim)
            sim->stop();
    }

    static QByteArray contents(const QString& f) {
        QFile q(f);
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray("<missing>");
    }
    static void store(const QString& f, const QByteArray& bytes) {
        QFile q(f);
        ASSERT_TRUE(q.open(QIODevice::WriteOnly | QIODevice::Truncate));
        q.write(bytes);
    }
    static QByteArray bytes_of(const PagerImage& img) {
        return QByteArray(reinterpret_cast<const char*>(img.data()), ImageSize);
    }
    static PagerImage image_of(const QByteArray& b) {
        PagerImage img;
        std::memcpy(img.data(), b.constData(), std::min<qsizetype>(b.size(), ImageSize));
        return img;
    }
    // The backups of one kind, oldest first.
    QStringList kept(const QString& kind) const {
        return QDir(backups()).entryList({"*_" + kind + ".tbl"}, QDir::Files, QDir::Name);
    }

    QTemporaryDir dir;
    std::unique_ptr<e2e::SimProcess> sim;
    QString port;
};

TEST_F(ExtrasE2E, AWriteLeavesWhatThePagerHeldBeforeAndTheBackupOpens) {
    // The pager holds an image of its own: a capcode nobody would write.
    auto mem = default_sim_memory(37, "KS0000000777");
    PagerImage held(mem);
    ASSERT_EQ(kprtool({"default", path("base.tbl")}).exitCode, 0);
    ASSERT_EQ(
        kprtool({"set", path("base.tbl"), "capcode.1=1111111", "-o", path("old.tbl")}).exitCode, 0);
    PagerImage old = image_of(contents(path("old.tbl")));
    // What the simulated pager holds: that image, sealed, in pager codes.
    std::copy(mem.begin() + AddrSerialFirst, mem.begin() + AddrSerialSumLow + 1,
              old.data() + AddrSerialFirst);
    text_to_pager(old);
    store(path("held.tbl"), bytes_of(old));
    start_sim({"--memory", path("held.tbl")});

    ASSERT_EQ(
        kprtool({"set", path("base.tbl"), "capcode.1=2000002", "-o", path("new.tbl")}).exitCode, 0);
    const ToolRun w = kprtool({"write", path("new.tbl")}, true);
    ASSERT_EQ(w.exitCode, 0) << w.err;
    stop_sim();

    const QStringList before = kept("before-write");
    ASSERT_EQ(before.size(), 1) << backups().toStdString();
    EXPECT_THAT(before[0].toStdString(), HasSubstr("_KS0000000777_"));
    PagerImage expected = old;
    text_from_pager(expected);
    const QString backup = backups() + "/" + before[0];
    EXPECT_EQ(contents(backup), bytes_of(expected));
    // It opens in the editor and shows the old capcode; the pager now has the new one.
    const ToolRun shown = kprtool({"get", backup, "capcode.1"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, "1111111\n");

    const QStringList written = kept("written");
    ASSERT_EQ(written.size(), 1);
    PagerImage now = image_of(contents(path("pager.tbl")));
    text_from_pager(now);
    EXPECT_EQ(contents(backups() + "/" + written[0]), bytes_of(now));

    // kprtool backups lists both, newest first.
    const ToolRun list = kprtool({"backups"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_THAT(list.out, HasSubstr("written       KS0000000777"));
    EXPECT_LT(list.out.find("written"), list.out.find("before-write"));
}

TEST_F(ExtrasE2E, AnAcceptedReadIsKeptAndTheTraceShowsItsFrames) {
    start_sim({});
    const ToolRun r = kprtool(
        {"--trace", path("t.log"), "read", "-o", path("read.tbl"), "--trace", path("trace.log")},
        true);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QStringList reads = kept("read");
    ASSERT_EQ(reads.size(), 1);
    EXPECT_EQ(contents(backups() + "/" + reads[0]), contents(path("read.tbl")));

    // The last --trace named wins; the first file is never made.
    EXPECT_FALSE(QFile::exists(path("t.log")));
    const std::string trace = contents(path("trace.log")).toStdString();
    EXPECT_THAT(trace, HasSubstr(" TX board probe | 56 61 72 64 51 75 69 6E 74 61 35 52"));
    EXPECT_THAT(trace, HasSubstr(" TX read 128 bytes at &H0000 | "));
    EXPECT_THAT(trace, HasSubstr(" RX block of 128 bytes read | "));
    EXPECT_THAT(trace, HasSubstr(" TX read 128 bytes at &H0780 | "));
    EXPECT_THAT(trace, HasSubstr(" TX release the board | "));
    EXPECT_THAT(trace, Not(HasSubstr("bad checksum")));

    EXPECT_EQ(kprtool({"read", "-o", path("x.tbl"), "--trace"}, true).exitCode, 2);
    EXPECT_EQ(
        kprtool({"read", "-o", path("x.tbl"), "--trace", path("no/such/dir/t.log")}, true).exitCode,
        1);
    // A trace that cannot be written (a full disk) is lost: said so, and the verb fails.
    const ToolRun full = kprtool({"detect", "--trace", "/dev/full"}, true);
    EXPECT_EQ(full.exitCode, 1) << full.err;
    EXPECT_THAT(full.err, HasSubstr("The trace file /dev/full could not be written: No space"));
}

TEST_F(ExtrasE2E, BackupsArePrunedByTheirAge) {
    ASSERT_TRUE(QDir().mkpath(backups()));
    store(backups() + "/20200101-000000.000Z_KS0000000001_read.tbl", QByteArray(2048, 0));
    store(backups() + "/notes.txt", "mine");
    ToolRun r = kprtool({"backups"});
    EXPECT_THAT(r.out, HasSubstr("read          KS0000000001"));
    r = kprtool({"backups", "--keep-days", "30"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.err, HasSubstr("Removed 1 backup older than 30 days."));
    EXPECT_FALSE(QFile::exists(backups() + "/20200101-000000.000Z_KS0000000001_read.tbl"));
    EXPECT_TRUE(QFile::exists(backups() + "/notes.txt"));
    EXPECT_EQ(kprtool({"backups", "--keep-days", "soon"}).exitCode, 2);
    EXPECT_EQ(kprtool({"backups", "--folder"}).out, backups().toStdString() + "\n");
}

TEST_F(ExtrasE2E, ProfilesRoundTripByteForByteThroughTheProgram) {
    ASSERT_EQ(kprtool({"default", path("d.tbl")}).exitCode, 0);
    ASSERT_EQ(kprtool({"set", path("d.tbl"), "band=0", "capcode.3=765432", "capcode.3.enabled=1",
                       "language=1", "prompt.1=HELLO", "contrast=7", "-o", path("g.tbl")})
                  .exitCode,
              0);
    for (const QString name : {"d.tbl", "g.tbl"}) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_EQ(kprtool({"export", path(name), "-o", path("p.yaml")}).exitCode, 0);
        const ToolRun i =
            kprtool({"import", path("p.yaml"), "--base", path(name), "-o", path("back.tbl")});
        ASSERT_EQ(i.exitCode, 0) << i.err;
        EXPECT_EQ(contents(path("back.tbl")), contents(path(name)));
    }
    // Onto the default image: every named setting as in the profile.
    ASSERT_EQ(kprtool({"import", path("p.yaml"), "-o", path("onto.tbl")}).exitCode, 0);
    ASSERT_EQ(kprtool({"export", path("onto.tbl"), "-o", path("q.yaml")}).exitCode, 0);
    auto settings = [](QByteArray y) { return y.mid(y.indexOf("kpr35t_profile")); };
    EXPECT_EQ(settings(contents(path("q.yaml"))), settings(contents(path("p.yaml"))));
    // Without -o the profile goes to standard output.
    EXPECT_THAT(kprtool({"export", path("g.tbl")}).out, HasSubstr("  capcode.3: 0765432\n"));
}

TEST_F(ExtrasE2E, AMalformedProfileNamesItsLinesAndTouchesNoFile) {
    ASSERT_EQ(kprtool({"default", path("d.tbl")}).exitCode, 0);
    store(path("out.tbl"), "untouched");
    const QByteArray base = contents(path("d.tbl"));
    const std::vector<std::pair<QByteArray, std::string>> cases = {
        {"settings:\n  band: 0\n  contrast: 3: 4\n", "bad.yaml:3: not valid YAML"},
        {"settings:\n  band: 0\n  loudness: 11\n", "bad.yaml:3: loudness: unknown setting"},
        {"settings:\n  contrast: 99\n", "bad.yaml:2: contrast: \"99\": "},
        {"settings:\n  band: 0\n  prompt.1:\n    - A\n", "bad.yaml:3: prompt.1: takes a single"},
    };
    for (const auto& [text, says] : cases) {
        SCOPED_TRACE(says);
        store(path("bad.yaml"), text);
        const ToolRun r =
            kprtool({"import", path("bad.yaml"), "--base", path("d.tbl"), "-o", path("out.tbl")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.err, HasSubstr(says));
        EXPECT_THAT(r.err, HasSubstr("nothing was written"));
        EXPECT_EQ(contents(path("out.tbl")), "untouched");
        EXPECT_EQ(contents(path("bad.yaml")), text);
        EXPECT_EQ(contents(path("d.tbl")), base);
    }
    const ToolRun noOut = kprtool({"import", path("bad.yaml")});
    EXPECT_EQ(noOut.exitCode, 2);
}

} // namespace
} // namespace kpr
