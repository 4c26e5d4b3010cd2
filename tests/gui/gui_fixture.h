#pragma once
// What every GUI test needs: the editor and the real main window with the `--simulate`
// pager behind it (replies at once unless asked for the board's pace), the operator messages
// recorded instead of shown, and the user folders and ledger in scratch folders.
#include "editor/editor.h"
#include "platform/product_backups.h"
#include "platform/steady_clock.h"
#include "ui/form1.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"
#include "sim/sim_serial_port.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kpr::test {

class EmptyLister final : public PortLister {
  public:
    std::vector<std::string> ports() override { return {}; }
};

struct Gui {
    std::vector<std::string> said; // every operator message, in order
    std::vector<MessageIcon> icons;
    GuiMessages gui;
    Editor editor{gui};
    SteadyClock clock;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<PortLister> lister;
    std::unique_ptr<Programmer> programmer;
    std::unique_ptr<Form1> form;
    QTemporaryDir dir; // the program folder; its own ledger, so no capcode is skipped

    // withBoard false: no serial port is listed at all.
    explicit Gui(bool withBoard = true, SimFaults faults = {},
                 SimSerialPort::Pace pace = SimSerialPort::Instant) {
        static QTemporaryDir home; // backups and settings never reach the user's folders
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        set_product_backup_reads_before_write(false);
        GuiMessages::setTestHook([this](const std::string& t, MessageIcon i, bool) {
            said.push_back(t);
            icons.push_back(i);
            return true; // yes to every question
        });
        port = std::make_unique<SimSerialPort>(pace, demo_sim_memory(), faults);
        if (withBoard)
            lister = std::make_unique<SimPortLister>(*port);
        else
            lister = std::make_unique<EmptyLister>();
        programmer = std::make_unique<Programmer>(editor, gui, *port, *lister, clock);
        programmer->setLedgerUrl(dir.filePath(QStringLiteral("ledger.sqlite")).toStdString());
        form = std::make_unique<Form1>(editor, gui, programmer.get());
    }
    ~Gui() {
        form.reset();
        programmer.reset();
        GuiMessages::setTestHook({});
    }

    // Start-up in the program folder, the board search ended, the window shown and active.
    bool start() {
        bool done = false;
        form->startUp(dir.path(), [&] { done = true; });
        if (!QTest::qWaitFor([&] { return done && !programmer->busy(); }, 20000))
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
