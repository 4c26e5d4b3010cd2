// The main window through its real widgets: one binding per control kind, focus and the
// keyboard, the proportional scaling, the function-bit and alert dialogs, the file
// commands and the menus by board state. What the editor stores for each control is its
// own tests' business; here only that it arrives.
#include "gui_fixture.h"
#include "ui/form5.h"
#include "ui/form6.h"

#include <algorithm>

using namespace kpr;
using kpr::test::click;
using kpr::test::Gui;

namespace {

QString describe(QWidget* w, QRect r = {}) {
    QString text;
    QDebug(&text).nospace() << w << " " << (r.isNull() ? w->geometry() : r);
    return text;
}

// The caption of a control that does not fit into it, by the metrics of its own font.
QString clippedCaption(QWidget* w, const ControlModel& model) {
    const QFontMetrics fm(w->font());
    QStyle* st = w->style();
    QString text;
    int room = 0; // what the control keeps beside its caption
    int have = w->width();
    if (auto* l = qobject_cast<QLabel*>(w)) {
        text = l->text();
        have = l->contentsRect().width();
    } else if (auto* p = qobject_cast<QPushButton*>(w)) {
        text = p->text();
        room = 4;
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) { // check and option boxes
        text = b->text();
        have -= st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        text = g->title();
        room = 8;
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i) // the longest item
            if (fm.horizontalAdvance(c->itemText(i)) > fm.horizontalAdvance(text))
                text = c->itemText(i);
        QStyleOptionComboBox o;
        o.initFrom(c);
        o.frame = true;
        have = st->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c).width();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        // A prompt entry must hold as many characters as it takes.
        const std::string name = w->objectName().toStdString();
        text = name.rfind("txtPrompt(", 0) ? e->text()
                                           : QString(model.at(name).maxLength, QLatin1Char('M'));
        QStyleOptionFrame o;
        o.initFrom(e);
        o.lineWidth = st->pixelMetric(QStyle::PM_DefaultFrameWidth, &o, e);
        have = st->subElementRect(QStyle::SE_LineEditContents, &o, e).width() - 4;
    }
    const int need = fm.horizontalAdvance(text) + room;
    if (text.isEmpty() || need <= have)
        return {};
    return QStringLiteral("%1 \"%2\" needs %3 px, has %4")
        .arg(w->objectName(), text, QString::number(need), QString::number(have));
}

// Every shown control below parent: where the design geometry times the factors puts it,
// inside its parent, clear of its shown siblings, its caption whole.
void collectLayoutFaults(QWidget* parent, double x, double y, const ControlModel& model,
                         QStringList& faults) {
    std::vector<QWidget*> shown;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->isHidden())
            continue;
        shown.push_back(w);
        const QRect r = w->geometry();
        if (auto d = parse_layout_record(w->property("tag").toString().toStdString())) {
            const QRect want(
                QPoint(qRound(d->left * x), qRound(d->top * y)),
                QPoint(qRound((d->left + d->width) * x) - 1, qRound((d->top + d->height) * y) - 1));
            auto off = [](int a, int b) { return std::abs(a - b) > 1; };
            // Prompt entries are as wide as their blanks, no wider than their place.
            const bool wide = w->objectName().startsWith("txtPrompt(")
                                  ? r.width() > want.width() + 1
                                  : off(r.width(), want.width());
            if (off(r.left(), want.left()) || off(r.top(), want.top()) || wide ||
                off(r.height(), want.height()))
                faults << describe(w) + " should be " + describe(w, want);
        }
        if (!parent->rect().contains(r))
            faults << describe(w) + " sticks out of " + describe(parent);
        if (const QString c = clippedCaption(w, model); !c.isEmpty())
            faults << c;
        collectLayoutFaults(w, x, y, model, faults);
    }
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j)
            // A tab's label lies beneath its button by design.
            if (!shown[i]->objectName().startsWith("lblTab(") &&
                shown[i]->geometry().intersects(shown[j]->geometry()))
                faults << describe(shown[i]) + " overlaps " + describe(shown[j]);
}

// Presses Tab from `first` until the focus comes back to it or leaves `scope`. Empty when
// Tab went through the frames left to right, top to bottom, each frame once, and through
// each frame's controls row by row; `order` holds the controls it reached.
QString tabOrderFault(QWidget* first, QWidget* scope, std::vector<QWidget*>& order) {
    order = {first};
    first->setFocus(Qt::TabFocusReason);
    for (QWidget* now; order.size() < 200; order.push_back(now)) {
        QTest::keyClick(first->window()->focusWidget(), Qt::Key_Tab);
        now = first->window()->focusWidget();
        if (now == first || !scope->isAncestorOf(now))
            break;
    }
    auto frameOf = [](QWidget* w) {
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            if (auto* g = qobject_cast<QGroupBox*>(p))
                return g;
        return static_cast<QGroupBox*>(nullptr);
    };
    auto at = [](QWidget* w) { return QRect(w->mapTo(w->window(), QPoint()), w->size()); };
    std::vector<QGroupBox*> frames;
    for (size_t i = 0; i < order.size(); ++i) {
        QGroupBox* f = frameOf(order[i]);
        if (frames.empty() || frames.back() != f) {
            if (std::find(frames.begin(), frames.end(), f) != frames.end())
                return "back to the frame of " + describe(order[i]);
            frames.push_back(f);
            continue;
        }
        const QRect a = at(order[i - 1]);
        const QRect b = at(order[i]);
        const bool sameRow = std::abs(a.center().y() - b.center().y()) < a.height() / 2;
        if (sameRow ? b.left() < a.left() : b.center().y() < a.center().y())
            return describe(order[i - 1]) + " then " + describe(order[i]);
    }
    frames.erase(std::remove(frames.begin(), frames.end(), nullptr), frames.end());
    for (size_t i = 1; i < frames.size(); ++i) {
        const QRect a = at(frames[i - 1]);
        const QRect b = at(frames[i]);
        if (b.left() < a.left() || (b.left() == a.left() && b.top() < a.top()))
            return describe(frames[i - 1]) + " before " + describe(frames[i]);
    }
    return {};
}

// Answers the next real file dialog as a person does: a kind chosen, a bare name typed.
void answerFileDialog(QObject* owner, const char* filter, const char* name) {
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, [poll, filter, name] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        poll->deleteLater();
        poll->stop();
        d->selectNameFilter(QString::fromLatin1(filter));
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        static_cast<QDialog*>(d)->accept(); // as its Save or Open button does
        if (d->isVisible())
            d->reject(); // refused: the checks that follow fail instead of a hang
    });
    poll->start(10);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void eachControlKindReachesTheEditorAndShowsItsState() {
        Gui g;
        QVERIFY(g.start());
        auto at = [&](int address) { return g.editor.image()[address]; };
        // Check box: "Ext. Charger's Beeper", bit 3 of &H31, set while unchecked.
        g.form->selectTab(1);
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool was = beeper->isChecked();
        click(beeper);
        QCOMPARE(beeper->isChecked(), !was);
        QCOMPARE(at(0x31) >> 3 & 1, was ? 1 : 0);
        // Slider: its right end is the largest contrast, shown beside it.
        QWidget* contrast = g.form->control("Slider1");
        QTest::mouseClick(contrast, Qt::LeftButton, {}, {contrast->width() - 1, 5});
        QCOMPARE(at(0x89), 8);
        // Choice list: one key down is "2400 bps".
        g.form->selectTab(0);
        auto* baud = g.widget<QComboBox>("cboCtl(9)");
        baud->setFocus();
        QTest::keyClick(baud, Qt::Key_Down);
        QCOMPARE(at(0x62), 0xF3);
        // A choice that brings others to the front: the battery type's level lists.
        click(g.form->control("chkCtl(10)"));
        QVERIFY(g.form->control("cboBatLev(0)")->isHidden());
        QVERIFY(!g.form->control("cboBatLev(3)")->isHidden());
        // Text entry: a national letter arrives whole when the focus leaves ...
        g.form->selectTab(2);
        auto* prompt = g.widget<QLineEdit>("txtPrompt(1)");
        click(prompt);
        prompt->selectAll();
        QTest::keyClicks(prompt, QStringLiteral("GR\u00DCN"));
        g.form->tabStrip()->setFocus();
        QCOMPARE(at(0x118), 0xDC);
        // ... and it shows the editor's whole text, longer than anyone could type into it.
        PagerImage img = g.editor.image();
        img[0x3B0] = 255; // a password digit byte
        g.editor.load_image(img);
        g.form->render();
        const ControlState& stored = g.editor.controls().at("txtPass");
        QCOMPARE(g.widget<QLineEdit>("txtPass")->text().toStdString(), stored.text);
        QVERIFY(int(stored.text.size()) > stored.maxLength);
        // Option buttons: "Write Mode" turns every editing control off, "Modify Mode" on.
        click(g.form->control("WriteOpt"));
        QStringList on, missing;
        const QRegularExpression editing("^(chk|cbo|txt|cmdFunc)");
        for (const auto& [name, state] : g.editor.controls().all()) {
            QWidget* w = g.form->control(name);
            if (!w && name.rfind("mnu", 0) && name.rfind("Form", 0) && // menus, titles
                !Form5(g.editor).control(name) && !Form6(g.editor).control(name))
                missing << QString::fromStdString(name);
            if (w && w->isEnabled() && editing.match(QString::fromStdString(name)).hasMatch())
                on << QString::fromStdString(name);
        }
        QVERIFY2(on.isEmpty(), qPrintable(on.join(' ')));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' '))); // every control is shown
        click(g.form->control("ModifyOpt"));
        QVERIFY(beeper->isEnabled());
    }

    void tabAndKeysFollowTheWindow() {
        Gui g;
        QVERIFY(g.start());
        // Tab goes through page 1 in reading order, "Alert Length Select" last.
        std::vector<QWidget*> order;
        const QString fault =
            tabOrderFault(g.form->control("txtFreq"), g.form->control("picSet1"), order);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QCOMPARE(order.back(), g.form->control("cmdAlert"));
        // A refused entry keeps its text and the focus; the next Pager command is dropped.
        auto* freq = g.widget<QLineEdit>("txtFreq");
        click(freq);
        QTest::keyClicks(freq, QStringLiteral("5123456"));
        QTest::keyClick(freq, Qt::Key_Return);
        QCOMPARE(freq->text(), QStringLiteral("5123456"));
        QVERIFY(freq->hasFocus());
        QVERIFY(!g.run("mnuEntire"));
        QCOMPARE(freq->text(), QStringLiteral("4540125"));
        QVERIFY(g.run("mnuEntire"));
        QCOMPARE(g.form->menuAction("mnuEB1")->text(), QStringLiteral("Verfy"));
    }

    void everyControlFollowsTheWindowAndStaysReadable_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        for (auto [x, y] : {std::pair{0.6, 0.6},
                            {1.0, 1.0},
                            {1.25, 1.25},
                            {2.0, 1.0},
                            {1.25, 0.6},
                            {0.4, 0.5}}) // the last below the smallest size
            QTest::addRow("%gx%g", x, y) << x << y;
    }

    void everyControlFollowsTheWindowAndStaysReadable() {
        QFETCH(double, x);
        QFETCH(double, y);
        Gui g;
        QVERIFY(g.start());
        const QSize design = g.form->designSize();
        QWidget* client = g.form->centralWidget();
        const int chrome = g.form->height() - client->height();
        g.form->resize(qRound(design.width() * x), qRound(design.height() * y) + chrome);
        QCoreApplication::processEvents();
        x = std::max(x, 0.6); // the window goes no smaller than 0.6 of its design size
        y = std::max(y, 0.6);
        QCOMPARE(client->size(), QSize(qRound(design.width() * x), qRound(design.height() * y)));
        QVERIFY(std::abs(g.form->control("txtAddr(3)")->font().pointSizeF() -
                         g.form->designGeometry("txtAddr(3)").fontSize * std::min(x, y)) < 0.02);
        for (int page = 0; page < 4; ++page) {
            g.form->selectTab(page);
            QCoreApplication::processEvents();
            QStringList faults;
            collectLayoutFaults(client, x, y, g.editor.controls(), faults);
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        }
        // The logo entry is as wide as its font's blanks: 17 for the large font, 22 else.
        g.form->selectTab(1);
        auto* logo = g.widget<QLineEdit>("txtPrompt(0)");
        auto* logoFont = g.widget<QComboBox>("cboLogo");
        int widths[2];
        for (int item : {0, 1}) {
            logoFont->setCurrentIndex(item);
            emit logoFont->activated(item);
            widths[item] = logo->width();
        }
        const int blank = QFontMetrics(logo->font()).horizontalAdvance(QLatin1Char(' '));
        QVERIFY(std::abs(widths[1] - widths[0] - 5 * blank) <= 1);
    }

    void settingsDialogsTakeEnterAndRefreshTheWindow() {
        Gui g;
        QVERIFY(g.start());
        // The button, the list whose last item is chosen, and its summary on the window.
        const char* const rows[][4] = {{"cmdFunc(3)", "cboType(2)", "tlblType(3)", "G"},
                                       {"cmdAlert", "cboMailAler(8)", "lblLength(9)", "16"}};
        for (const auto& row : rows) {
            auto* summary = g.widget<QLabel>(row[2]);
            QVERIFY(!summary->text().contains(row[3]));
            bool accepted = false;
            std::vector<QWidget*> order(13);
            QString fault;
            auto inside = [&](QWidget* d) {
                if (qobject_cast<Form5*>(d)) // three frames of four, then OK
                    fault = tabOrderFault(d->findChild<QWidget*>("cboDisp(0)"), d, order);
                auto* c = d->findChild<QComboBox*>(row[1]);
                c->setFocus();
                QTest::keyClick(c, Qt::Key_End);
                QTest::keyClick(c, Qt::Key_Return);
                if (!(accepted = !d->isVisible()))
                    static_cast<QDialog*>(d)->reject();
            };
            QVERIFY(g.open([&] { click(g.form->control(row[0])); }, inside));
            QVERIFY(accepted);
            QVERIFY2(summary->text().contains(row[3]), qPrintable(summary->text()));
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
            QCOMPARE(order.size(), size_t(13));
        }
    }

    void fileCommandsTakeTheKindFromTheDialog() {
        Gui g;
        QVERIFY(g.start());
        auto path = [&](const char* name) { return g.dir.filePath(QString::fromLatin1(name)); };
        const QString caption = QStringLiteral("Vard Quinta USB KPR35T V05.21 - [%1]");
        // Save As: a typed extension stays, a bare name takes the chosen kind's.
        const char* const rows[][3] = {{"Profiles (*.yaml)", "q.tbl", "q.tbl"},
                                       {"Table files (*.tbl)", "t", "t.tbl"},
                                       {"Profiles (*.yaml)", "p", "p.yaml"}};
        for (const auto& row : rows) {
            answerFileDialog(this, row[0], row[1]);
            g.form->menuAction("mnuSA")->trigger();
            QCOMPARE(g.form->windowTitle(), caption.arg(path(row[2])));
            QFile f(path(row[2]));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(QByteArray(row[2]).endsWith(".yaml") ? f.peek(17) == "kpr35t_profile: 1"
                                                         : f.size() == 2048);
        }
        // Open brings a table's settings back.
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool saved = beeper->isChecked();
        g.form->selectTab(1);
        click(beeper);
        answerFileDialog(this, "Table files (*.tbl)", "t.tbl");
        g.form->menuAction("mnuLBFF")->trigger();
        QCOMPARE(beeper->isChecked(), saved);
        QCOMPARE(g.form->windowTitle(), caption.arg(path("t.tbl")));
        QVERIFY(g.said.empty());
    }

    void aSilentBoardLeavesTheWindowLiveAndOnlyTheLogReachable() {
        SimFaults silent;
        silent.silent = true;
        Gui g(silent);
        bool done = false;
        QFile bad(g.dir.filePath("default.tbl")); // refused, but only after the search's word
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(QByteArray(990, 'x')) && bad.flush());
        g.form->startUp(g.dir.path(), [&] { done = true; });
        g.form->show();
        g.form->selectTab(1);
        // An edit while the probes wait on the link thread survives their end.
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool was = beeper->isChecked();
        click(beeper);
        QVERIFY(!done);
        QVERIFY(QTest::qWaitFor([&] { return done; }, 20000));
        QCOMPARE(beeper->isChecked(), !was);
        QCOMPARE(g.said.size(), 2u);
        QCOMPARE(g.said[0], std::string(MsgBoardNotResponding));
        QCOMPARE(g.said.size(), 2u);
        QCOMPARE(g.said[0], std::string(MsgBoardNotResponding));
        QCOMPARE(g.editor.image()[0x31] >> 3 & 1, was ? 1 : 0);
        g.form->monitorTick();
        QTRY_COMPARE(g.form->statusLine()->text(),
                     QStringLiteral("  The Programmed Board Disconnect !"));
        QCOMPARE(g.form->statusLine()->palette().color(QPalette::WindowText), QColor(Qt::red));
        for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
            QVERIFY(!g.form->menuAction(n)->isEnabled());
        QVERIFY(g.form->menuAction("mnuLog")->isEnabled());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
