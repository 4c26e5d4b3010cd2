#include "ui/form1.h"

#include "editor/editor.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

// The window itself: what it renders and how the user's events reach the editor. Its
// layout, pages and menu commands are in form1_layout.cpp, form1_pages.cpp and
// form1_commands.cpp.
namespace kpr {

Form1::Form1(Editor& editor, GuiMessages& messages, Programmer* programmer, QWidget* parent)
    : QMainWindow(parent), editor_(editor), messages_(messages), programmer_(programmer),
      binder_(editor.controls(),
              [this](const std::string& name, int value) { forwardClick(name, value); }) {
    setObjectName(QStringLiteral("Form1"));
    messages_.setParentWidget(this);
    buildMenus();
    buildWindow();
    recordDesignGeometry();
    central_->installEventFilter(this);
    connectEditor();

    timer1_.setInterval(1000); // connection monitor, enabled as the last start-up step
    timer2_.setInterval(1000); // clears the serial-scan buffer
    connect(&timer2_, &QTimer::timeout, this, [this] { editor_.Timer2_Timer(); });
    timer2_.start();
    if (programmer_) {
        connect(&timer1_, &QTimer::timeout, this, &Form1::monitorTick);
        connect(programmer_, &Programmer::boardStateChanged, this, &Form1::showBoardState);
        connect(programmer_, &Programmer::monitorEnabledChanged, this, [this](bool on) {
            if (on && monitorWanted_ && !closing_)
                timer1_.start();
            else
                timer1_.stop();
        });
    }
    if (!programmer_)
        for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
            actions_[n]->setEnabled(false);
    built_ = true;
    render();
}

Form1::~Form1() {
    editor_.set_change_callback({});
}

void Form1::connectEditor() {
    // Changes made outside a forwarded event (a transfer reloading the editor, a timer) are
    // rendered on the UI thread once the handler has returned.
    editor_.set_change_callback([this] {
        if (renderPending_)
            return;
        renderPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                renderPending_ = false;
                render();
            },
            Qt::QueuedConnection);
    });
    editor_.set_write_command([this] { runPagerCommand(OperationKind::Write); });
}

DesignGeometry Form1::designGeometry(const std::string& name) const {
    if (QWidget* w = control(name)) {
        auto it = design_.find(w);
        if (it != design_.end())
            return it->second;
    }
    return {};
}

QWidget* Form1::control(const std::string& name) const {
    return binder_.widget(name);
}

QAction* Form1::menuAction(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QWidget* Form1::tabStrip() const {
    return strip_;
}

void Form1::render() {
    ++dispatchDepth_;
    const ControlModel& model = editor_.controls();
    // While the layouts measure, every control takes its place, shown or not.
    binder_.render(model, layoutPass_ ? ControlBinder::Visibility::Keep
                                      : ControlBinder::Visibility::Follow);
    if (model.contains("Form1"))
        setWindowTitle(QString::fromStdString(model.at("Form1").text));
    else
        setWindowTitle(QString::fromStdString(editor_.caption()));
    --dispatchDepth_;
}

void Form1::afterEvent() {
    // The widgets show the handler's result before the focus moves on: leaving an entry
    // stores what it shows.
    render();
    if (!editor_.state().focusRequest.empty()) {
        carryOutFocusRequest();
        render();
    }
}

void Form1::carryOutFocusRequest() {
    std::string want = editor_.state().focusRequest;
    if (want.empty())
        return;
    editor_.state().focusRequest.clear();
    QWidget* w = control(want);
    if (!w)
        return;
    // Focus handed back to an entry after a refusal keeps the typed text: no GotFocus.
    focusReturn_ = w;
    w->setFocus(Qt::OtherFocusReason);
    focusReturn_ = nullptr;
}

void Form1::forwardClick(const std::string& name, int value) {
    if (dispatchDepth_ > 0 && name != "Slider1")
        return;
    if (const ControlRoute* r = find_control_route(name); r && r->opensDialog) {
        runDialog(name, r->opensDialog);
        return;
    }
    dispatch([&] { editor_.route(name, ControlEvent::Click, value); });
}

void Form1::forwardText(const std::string& name, ControlEvent event) {
    dispatch([&] { editor_.route(name, event); });
}

void Form1::dispatch(const std::function<void()>& handler) {
    ++dispatchDepth_;
    handler();
    --dispatchDepth_;
    afterEvent();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == central_) {
        if (event->type() == QEvent::Resize)
            applyScaling();
        return false;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    const std::string* bound = w ? binder_.nameOf(w) : nullptr;
    if (!bound)
        return QMainWindow::eventFilter(watched, event);
    const std::string name = *bound;
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit) {
        // Space on an option button with a key handler ("Write Mode" runs the Write command).
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
            editor_.route(name, ControlEvent::KeyPress, 32)) {
            afterEvent();
            w->setFocus(Qt::OtherFocusReason); // the focus returns to the button
            return true;
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::FocusIn: {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows (a message box coming and going) is no focus change here.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            w != focusReturn_ && editor_.controls().contains(name))
            forwardText(name, ControlEvent::GotFocus);
        break;
    }
    case QEvent::FocusOut: {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            editor_.controls().contains(name)) {
            editor_.controls()[name].text = edit->text().toStdString();
            forwardText(name, ControlEvent::LostFocus);
        }
        break;
    }
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        int ascii = 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            ascii = 13;
        else if (!k->text().isEmpty())
            ascii = k->text().at(0).unicode();
        if (ascii == 0)
            break;
        ++dispatchDepth_;
        const bool swallowed = editor_.route(name, ControlEvent::KeyPress, ascii);
        --dispatchDepth_;
        if (swallowed) {
            afterEvent();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->isAutoRepeat() || !editor_.controls().contains(name))
            break;
        editor_.controls()[name].text = edit->text().toStdString();
        forwardText(name, ControlEvent::KeyUp);
        break;
    }
    default:
        break;
    }
    return false;
}

void Form1::keyPressEvent(QKeyEvent* e) {
    // Keys nothing else consumed: the keyboard serial-number scan.
    int ascii = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        ascii = 13;
    else if (!e->text().isEmpty())
        ascii = e->text().at(0).unicode();
    if (ascii > 0 && ascii < 256) {
        if (editor_.Form_KeyPress(ascii)) {
            afterEvent();
            e->accept();
            return;
        }
        afterEvent();
    }
    QMainWindow::keyPressEvent(e);
}

void Form1::selectTab(int index) {
    for (int i = 0; i < 4; ++i) {
        tabButtons_[i]->setVisible(i != index);
        pages_[i]->setVisible(i == index);
    }
    currentTab_ = index;
    strip_->raise();
    pages_[index]->raise();
    pages_[index]->setFocus(Qt::OtherFocusReason);
}

void Form1::showBoardState(bool connected) {
    // The state is the editor's: every later redraw shows it again.
    editor_.show_board_state(
        status_line(connected ? BoardState::Connected : BoardState::Disconnected));
    const ControlModel& m = editor_.controls();
    // Without a board the board's entries are off; the menu itself stays open for the
    // entries that need no board (the programming log).
    for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
        actions_[n]->setEnabled(m.at("mnuPager").enabled && m.at(n).enabled);
    render();
}

} // namespace kpr
