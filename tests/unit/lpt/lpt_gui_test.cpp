// The parallel-port board inside the desktop editor's programmer: the board's connect,
// monitor tick and operations run on the link thread, its messages reach the UI thread,
// and a missing port ends every step quickly.
#include "editor/editor.h"
#include "ops/lpt_board.h"
#include "platform/port_lister.h"
#include "platform/serial_port.h"
#include "platform/steady_clock.h"
#include "sim/board_sim.h"
#include "support/fake_port_io.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace kpr {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class NoPorts final : public PortLister {
  public:
    std::vector<std::string> ports() override { return {}; }
};

class NoSerial final : public SerialPort {
  public:
    bool open(const std::string&) override { return false; }
    bool isOpen() const override { return false; }
    bool close() override { return true; }
    bool flush() override { return false; }
    int bytesWaiting() override { return -1; }
    int readByte() override { return -1; }
    int read(uint8_t*, int) override { return -1; }
    int write(const uint8_t*, int) override { return -1; }
    bool waitForReadable(int) override { return false; }
};

class LptGuiTest : public ::testing::Test {
  protected:
    LptGuiTest() {
        GuiMessages::setTestHook([this](const std::string& t, MessageIcon, bool) {
            texts.push_back(t);
            return true;
        });
    }
    ~LptGuiTest() override {
        programmer.reset();
        board.reset();
        GuiMessages::setTestHook({});
    }
    void make(std::unique_ptr<test::FakePortIo> io) {
        programmer = std::make_unique<Programmer>(editor, gui, serial, lister, clock);
        board = std::make_unique<LptBoard>(std::move(io), busClock, gui);
        board->attach(programmer->link(), programmer->operations(), &programmer->monitor());
    }
    bool connect() {
        bool done = false;
        programmer->startupConnect([&] { done = true; });
        QElapsedTimer t;
        t.start();
        while (!done && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done;
    }

    std::vector<std::string> texts;
    GuiMessages gui;
    Editor editor{gui};
    NoSerial serial;
    NoPorts lister;
    SteadyClock clock;
    test::MicroClock busClock; // only the link thread moves it
    std::unique_ptr<LptBoard> board;
    std::unique_ptr<Programmer> programmer;
};

TEST_F(LptGuiTest, ReadsAPagerOnTheLinkThread) {
    test::EepromModel model{[this] { return busClock.nowUs(); }};
    model.memory = default_sim_memory();
    auto io = std::make_unique<test::FakePortIo>();
    io->bases[LptBase1].memory = &model;
    test::FakePortIo* port = io.get();
    make(std::move(io));
    editor.startup_finish("", false);

    ASSERT_TRUE(connect());
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(board->link().LptData, LptBase1);

    programmer->runAndWait([&] { programmer->operations().tbl_readall(0, ImageUpperBound); });
    EXPECT_THAT(texts, ElementsAre("Read success!"));
    programmer->runAndWait([&] {
        PagerCodesScope codes(programmer->editorHooks());
        EXPECT_EQ(editor.image().bytes(), model.memory);
    });

    port->written.clear();
    programmer->monitorTick();
    programmer->runAndWait([] {});
    EXPECT_THAT(port->written, ElementsAre(0xFE));
}

TEST_F(LptGuiTest, WithoutAParallelPortSaysSoAndOperationsFailQuickly) {
    auto io = std::make_unique<test::FakePortIo>();
    io->bases[LptBase1].openError = "/dev/parport0: no such parallel port";
    make(std::move(io));

    ASSERT_TRUE(connect());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_THAT(texts[0], HasSubstr("/dev/parport0: no such parallel port"));
    EXPECT_EQ(texts[1], "The Programmed Board is not responding!");

    texts.clear();
    QElapsedTimer t;
    t.start();
    programmer->runAndWait(
        [&] { programmer->operations().tbl_verify(editor.image(), 0, ImageUpperBound); });
    EXPECT_THAT(texts, ElementsAre("Read error!"));
    EXPECT_LT(t.elapsed(), 5000);
}

} // namespace
} // namespace kpr

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
