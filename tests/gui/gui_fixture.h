#pragma once
// What every GUI test needs: the editor and the real main window with the `--simulate`
// pager behind it (replies at once unless asked for the board's pace), the operator messages
// recorded instead of shown, and the user folders and ledger in scratch folders.
#include "editor/editor.h"
#include "platform/steady_clock.h"
#include "product/backup_settings.h"
#include "sim/sim_serial_port.h"
#include "ui/form1.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>

namespace kpr::test {

// Backups and settings never reach the user's folders; no read before a write.
inline bool use_scratch_folders() {
    static QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    set_product_backup_reads_before_write(false);
    return true;
}

struct Gui {
    bool scratch = use_scratch_folders(); // before the programmer opens its stores
    std::vector<std::string> said;        // every operator message, in order
    GuiMessages gui;
    Editor editor{gui};
    SteadyClock clock;
    SimSerialPort port;
    SimPortLister lister{port};
    Programmer programmer{editor, gui, {port, lister, clock}};
    QTemporaryDir dir; // the program folder; its own ledger, so no capcode is skipped
    std::unique_ptr<Form1> form = std::make_unique<Form1>(editor, gui, &programmer);

    explicit Gui(SimFaults faults = {}, SimSerialPort::Pace pace = SimSerialPort::Instant)
        : port(pace, demo_sim_memory(), faults) {
        GuiMessages::setTestHook([this](const std::string& t, MessageIcon, bool) {
            said.push_back(t);
            return true; // yes to every question
        });
        programmer.setLedgerUrl(dir.filePath(QStringLiteral("ledger.sqlite")).toStdString());
    }
    ~Gui() {
        form.reset();
        GuiMessages::setTestHook({});
    }

    // Start-up in the program folder, the board search ended, the window shown and active.
    bool start() {
        bool done = false;
        form->startUp(dir.path(), [&] { done = true; });
        if (!QTest::qWaitFor([&] { return done && !programmer.busy(); }, 20000))
            return false;
        form->show();
        QApplication::setActiveWindow(form.get());
        return QTest::qWaitForWindowActive(form.get());
    }

    // Does `how`; `inside` acts in the dialog that opens once that is shown. False when no
    // dialog opened.
    bool open(const std::function<void()>& how, std::function<void(QWidget*)> inside = {}) {
        bool opened = false;
        auto c = QObject::connect(form.get(), &Form1::dialogOpened, [&](QWidget* d) {
            opened = true;
            if (inside)
                QTimer::singleShot(0, d, [d, inside] { inside(d); });
        });
        how();
        QObject::disconnect(c);
        return opened;
    }
    bool run(const char* menu, std::function<void(QWidget*)> inside = {}) {
        return open([&] { form->menuAction(menu)->trigger(); }, std::move(inside));
    }

    template <class W> W* widget(const std::string& name) const {
        return qobject_cast<W*>(form->control(name));
    }
};

inline void click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseClick(w, b, {}, QPoint(5, w->height() / 2));
}

} // namespace kpr::test
