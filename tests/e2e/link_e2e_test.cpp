// The link over the real serial code (QSerialPort) to kpr-board-sim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "link/usb_link.h"
#include "platform/qt_board_link.h"
#include "sim/board_sim.h"
#include "support/recorders.h"

#include "sim_process.h"

using namespace kpr;

namespace {

// The simulator started with just these arguments.
struct Sim : e2e::SimProcess {
    explicit Sim(const QStringList& args) : SimProcess(KPR_BOARD_SIM, args) {}
};

std::vector<uint8_t> read_file(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Link {
    explicit Link(const std::string& port) : board(msgs, {port}, true), link(board.link()) {
        link.setUi(&ui);
    }
    test::RecordedMessages msgs;
    test::RecordedLinkUi ui;
    QtBoardLink board;
    UsbLink& link;
};

TEST(LinkE2E, ConnectsReadsAndWritesThroughThePseudoTerminal) {
    QTemporaryDir dir;
    const QString saved = dir.filePath("saved.tbl");
    Sim sim({"--firmware", "41", "--save", saved});
    ASSERT_FALSE(sim.port.isEmpty());

    Link l(sim.port.toStdString());
    ASSERT_TRUE(l.link.usb_connect());
    EXPECT_EQ(l.link.BoardPort, sim.port.toStdString());
    EXPECT_TRUE(l.msgs.entries.empty());

    test::RecordedProgress progress;
    ASSERT_TRUE(l.link.usb_readblk(0, 2047, 128, &progress));
    const BoardSim::Memory expected = default_sim_memory(41);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), l.link.ReadBuffer.begin()));
    EXPECT_EQ(progress.positions.back(), 2048);

    ASSERT_TRUE(l.link.check_firmware());
    EXPECT_EQ(l.msgs.texts(), std::vector<std::string>{"Version = 4.1"});

    std::vector<uint8_t> img(expected.begin(), expected.end());
    for (int i = 300; i < 600; ++i)
        img[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    ASSERT_TRUE(l.link.usb_writeblk(img, 256, 767, 128, &progress));
    ASSERT_TRUE(l.link.usb_readblk(0, 2047, 128));
    EXPECT_TRUE(std::equal(img.begin(), img.end(), l.link.ReadBuffer.begin()));

    l.link.release_board();
    EXPECT_EQ(l.msgs.entries.size(), 1u);
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(read_file(saved), img);
}

TEST(LinkE2E, TransferRunsOnAWorkerThread) {
    // Operations run off the UI thread: the port is opened, used and closed there.
    Sim sim({});
    ASSERT_FALSE(sim.port.isEmpty());
    Link l(sim.port.toStdString());
    ASSERT_TRUE(l.link.usb_connect());
    bool ok = false;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { ok = l.link.usb_readblk(0, 2047, 128); }));
    worker->start();
    ASSERT_TRUE(worker->wait(20000));
    EXPECT_TRUE(ok);
    const BoardSim::Memory expected = default_sim_memory();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), l.link.ReadBuffer.begin()));
    EXPECT_TRUE(l.msgs.entries.empty());
}

TEST(LinkE2E, BoardThatHangsUpEndsInTheLinkFailurePath) {
    Sim sim({"--fault", "drop-after=3"});
    ASSERT_FALSE(sim.port.isEmpty());
    Link l(sim.port.toStdString());
    ASSERT_TRUE(l.link.usb_connect());
    EXPECT_FALSE(l.link.usb_readblk(0, 2047, 128));
    EXPECT_EQ(l.link.last_result(), BlockResult::LinkFailure);
    EXPECT_EQ(l.link.BoardPort, NoBoardPort);
    EXPECT_EQ(l.msgs.texts(), std::vector<std::string>{"Read error!"});
    EXPECT_EQ(l.ui.states, std::vector<BoardState>{BoardState::Disconnected});
}

TEST(LinkE2E, NoisyBoardConnectsButItsBlockRepliesFail) {
    Sim sim({"--fault", "noise"});
    ASSERT_FALSE(sim.port.isEmpty());
    Link l(sim.port.toStdString());
    ASSERT_TRUE(l.link.usb_connect());
    EXPECT_TRUE(l.msgs.entries.empty());
    EXPECT_FALSE(l.link.usb_readblk(0, 127, 128));
    EXPECT_EQ(l.msgs.texts(), std::vector<std::string>{"Read error!"});
    EXPECT_EQ(l.link.BoardPort, sim.port.toStdString());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
