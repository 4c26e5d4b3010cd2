// kprtool's table-file verbs, run as the real program on generated files.
#include "run_program.h"
#include "text/default_image.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using kpr::e2e::ProgramRun;

namespace {

class KprtoolTables : public ::testing::Test {
  protected:
    ProgramRun kprtool(const QStringList& args) {
        return kpr::e2e::run_program(KPRTOOL_PATH, args);
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

    // n bytes, byte i = (i * 7 + 3), with `model` at 993 as far as it fits.
    QString make_file(const QString& name, int n, const QByteArray& model = "KPR35") {
        QByteArray b(n, 0);
        for (int i = 0; i < n; ++i)
            b[i] = static_cast<char>(pattern(i));
        for (int k = 0; k < model.size() && 993 + k < n; ++k)
            b[993 + k] = model[k];
        write(name, b);
        return path(name);
    }
    void write(const QString& name, const QByteArray& b) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
    QByteArray read(const QString& p) {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << p.toStdString();
        return f.readAll();
    }
    static uint8_t pattern(int i) { return static_cast<uint8_t>(i * 7 + 3); }

    // The dump row of `addr` (a multiple of 16).
    static QString row(const QString& dump, int addr) {
        const QString prefix = "&H" + QString::number(addr, 16).toUpper().rightJustified(3, '0');
        for (const QString& line : dump.split('\n'))
            if (line.startsWith(prefix + "  "))
                return line;
        return {};
    }

    QTemporaryDir dir_;
};

QByteArray image_bytes(const kpr::PagerImage& img) {
    return QByteArray(reinterpret_cast<const char*>(img.data()), kpr::ImageSize);
}

} // namespace

TEST_F(KprtoolTables, DefaultWritesTheBuiltInImage) {
    const QString out = path("default.tbl");
    auto r = kprtool({"default", out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QByteArray bytes = read(out);
    ASSERT_EQ(bytes.size(), 2048);
    EXPECT_EQ(bytes.mid(993, 5), "KPR35");
    EXPECT_EQ(bytes, image_bytes(kpr::build_default_image()));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"default.tbl"});
}

TEST_F(KprtoolTables, DumpShowsSixteenBytesARowWithRegionNames) {
    ASSERT_EQ(kprtool({"default", path("d.tbl")}).exitCode, 0);
    auto r = kprtool({"dump", path("d.tbl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 128);
    // Address, 8 + 8 bytes, printable text, region names.
    const QRegularExpression shape(
        R"(^&H[0-9A-F]{3}  ([0-9A-F]{2} ){7}[0-9A-F]{2}  ([0-9A-F]{2} ){7}[0-9A-F]{2}  \|.{16}\|)");
    for (const QString& line : lines)
        ASSERT_TRUE(shape.match(line).hasMatch()) << line.toStdString();
    const QString model = row(r.out, 0x3E0);
    EXPECT_TRUE(model.contains("4B 50 52 33 35")) << model.toStdString();
    EXPECT_TRUE(model.contains("|.KPR35T")) << model.toStdString();
    EXPECT_TRUE(model.endsWith("  model and version text")) << model.toStdString();
    EXPECT_TRUE(row(r.out, 0x040).endsWith("capcode 1; capcode 2; capcode 3; capcode 4"));
    EXPECT_TRUE(row(r.out, 0x7C0).endsWith("source-prompt enables"));
}

TEST_F(KprtoolTables, LongFileIsReadUpTo2047AndShortFileZeroFilled) {
    auto r = kprtool({"dump", make_file("long.tbl", 3000)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 128);
    // The last row holds file bytes 2032..2047 and nothing after.
    QString last;
    for (int i = 2032; i < 2048; ++i)
        last += QString::number(pattern(i), 16).toUpper().rightJustified(2, '0') +
                (i == 2039 ? "  " : " ");
    EXPECT_TRUE(row(r.out, 0x7F0).startsWith("&H7F0  " + last.trimmed()))
        << row(r.out, 0x7F0).toStdString();

    r = kprtool({"dump", make_file("short.tbl", 1000)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // Bytes 992..999 from the file, 1000..1007 zero.
    QString expect;
    const QByteArray file = read(path("short.tbl"));
    for (int i = 992; i < 1000; ++i)
        expect +=
            QString::number(static_cast<uint8_t>(file[i]), 16).toUpper().rightJustified(2, '0') +
            " ";
    expect = expect.trimmed() + "  00 00 00 00 00 00 00 00";
    EXPECT_TRUE(row(r.out, 0x3E0).startsWith("&H3E0  " + expect))
        << row(r.out, 0x3E0).toStdString();
    EXPECT_TRUE(row(r.out, 0x7F0).startsWith("&H7F0  00 00 00 00 00 00 00 00  00"));
}

TEST_F(KprtoolTables, RejectedFilesExitOneWithTheExactMessage) {
    const QString tiny = make_file("tiny.tbl", 990);
    auto r = kprtool({"dump", tiny});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "The [" + tiny + "] is not correct format, the file will discard !\n");

    const QString lower = make_file("lower.tbl", 2048, "kpr35");
    r = kprtool({"dump", lower});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The [" + lower + "] is not correct format, the file will discard !\n");

    // diff refuses when either side is refused.
    r = kprtool({"diff", make_file("good.tbl", 2048), lower});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The [" + lower + "] is not correct format, the file will discard !\n");

    r = kprtool({"dump", path("missing.tbl")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "This file is not exit!\n");

    r = kprtool({"dump", dir_.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("The [" + dir_.path() + "] could not be read: "))
        << r.err.toStdString();
}

TEST_F(KprtoolTables, FailedWriteExitsOneWithPathAndReason) {
    const QString out = path("no/such/folder/x.tbl");
    auto r = kprtool({"default", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The [" + out + "] could not be written: No such file or directory\n");
}

TEST_F(KprtoolTables, DiffShowsDifferingRangesWithRegionNames) {
    ASSERT_EQ(kprtool({"default", path("a.tbl")}).exitCode, 0);
    QByteArray b = read(path("a.tbl"));
    b[0x44] = static_cast<char>(static_cast<uint8_t>(b[0x44]) ^ 0x01); // capcode 2
    b[0x45] = static_cast<char>(static_cast<uint8_t>(b[0x45]) ^ 0x80);
    b[0x7FF] = static_cast<char>(static_cast<uint8_t>(b[0x7FF]) ^ 0xFF); // no region
    write("b.tbl", b);

    auto r = kprtool({"diff", path("a.tbl"), path("b.tbl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(R"(^&H044-&H045  2 bytes  capcode 2$)",
                                                  QRegularExpression::MultilineOption)))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(
        QRegularExpression(R"(^&H7FF  1 byte$)", QRegularExpression::MultilineOption)))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("3 bytes differ in 2 ranges.")) << r.out.toStdString();

    r = kprtool({"diff", path("a.tbl"), path("a.tbl")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "The files are identical.\n");
}

TEST_F(KprtoolTables, UsageErrorsExitTwo) {
    EXPECT_EQ(kprtool({}).exitCode, 2);
    EXPECT_EQ(kprtool({"no-such-verb"}).exitCode, 2);
    EXPECT_EQ(kprtool({"dump"}).exitCode, 2);
    EXPECT_EQ(kprtool({"dump", "a", "b"}).exitCode, 2);
    EXPECT_EQ(kprtool({"diff", "a"}).exitCode, 2);
    auto r = kprtool({"default", "--no-such-option", "x.tbl"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("no-such-option")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists("x.tbl"));
}

TEST_F(KprtoolTables, EveryVerbHasHelp) {
    auto top = kprtool({"--help"});
    ASSERT_EQ(top.exitCode, 0);
    const qsizetype from = top.out.indexOf("Commands:\n");
    const qsizetype to = top.out.indexOf("\n\n", from);
    ASSERT_GE(from, 0);
    const QStringList lines = top.out.mid(from, to - from).split('\n').mid(1);
    QStringList verbs;
    for (const QString& line : lines)
        verbs << line.trimmed().section(' ', 0, 0);
    for (const char* v : {"default", "dump", "diff"})
        EXPECT_TRUE(verbs.contains(v)) << v;
    for (const QString& v : verbs) {
        auto r = kprtool({v, "--help"});
        EXPECT_EQ(r.exitCode, 0) << v.toStdString();
        EXPECT_TRUE(r.out.startsWith("Usage: kprtool " + v + " [options]")) << r.out.toStdString();
        EXPECT_EQ(kprtool({"help", v}).out, r.out) << v.toStdString();
    }
}
