#pragma once
// What every GUI test needs: the editor, the real main window with a simulated board
// behind it (replies at once), and the operator messages recorded instead of shown.
#include "editor/editor.h"
#include "platform/product_backups.h"
#include "platform/steady_clock.h"
#include "ui/form1.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"
#include "sim/sim_serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

namespace kpr::test {

struct Recorded {
    std::string text;
    MessageIcon icon;
    bool question;
};

class EmptyLister final : public PortLister {
  public:
    std::vector<std::string> ports() override { return {}; }
};

// Points the data and settings folders at a temporary folder for the whole test program, so
// the window's backups never land in the real user's folder, and turns the read before a
// write off: tests count the frames a write sends.
inline void use_scratch_user_folders() {
    static QTemporaryDir home;
    static bool done = false;
    if (done)
        return;
    done = true;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    set_product_backup_reads_before_write(false);
}

// The backups the window kept in the scratch data folder.
inline std::filesystem::path scratch_backup_folder() {
    use_scratch_user_folders();
    return product_backup_folder();
}

struct Gui {
    std::vector<Recorded> messages;
    bool answer = true; // to every question
    GuiMessages gui;
    Editor editor{gui};
    SteadyClock clock;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<PortLister> lister;
    std::unique_ptr<Programmer> programmer;
    std::unique_ptr<Form1> form;
    // Every window its own ledger: capcodes verified in one test are not skipped in the next.
    QTemporaryDir ledgerDir;

    // withBoard false: no serial port is listed at all.
    explicit Gui(bool withBoard = true, SimFaults faults = {}) {
        use_scratch_user_folders();
        GuiMessages::setTestHook([this](const std::string& t, MessageIcon i, bool q) {
            messages.push_back({t, i, q});
            return answer;
        });
        port =
            std::make_unique<SimSerialPort>(SimSerialPort::Instant, default_sim_memory(), faults);
        if (withBoard)
            lister = std::make_unique<SimPortLister>(*port);
        else
            lister = std::make_unique<EmptyLister>();
        programmer = std::make_unique<Programmer>(editor, gui, *port, *lister, clock);
        programmer->setLedgerUrl(ledgerDir.filePath(QStringLiteral("ledger.sqlite")).toStdString());
        form = std::make_unique<Form1>(editor, gui, programmer.get());
    }
    ~Gui() {
        form.reset();
        programmer.reset();
        GuiMessages::setTestHook({});
    }

    // Runs the start-up steps and waits until they have run.
    bool startUp(const QString& folder) {
        bool done = false;
        form->startUp(folder, [&] { done = true; });
        return waitFor([&] { return done; });
    }

    template <class F> static bool waitFor(F condition, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    bool saw(const std::string& text) const {
        for (const auto& m : messages)
            if (m.text == text)
                return true;
        return false;
    }
    std::string lastMessage() const { return messages.empty() ? "" : messages.back().text; }

    template <class W> W* widget(const std::string& name) const {
        return qobject_cast<W*>(form->control(name));
    }
};

} // namespace kpr::test
