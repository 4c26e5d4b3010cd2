// The main window through its real widgets: one binding per control kind, focus and the
// keyboard, the proportional scaling, the function-bit and alert dialogs, the file
// commands, the menus by board state and the small windows around it. What the editor
// stores for each control is its own tests' business; here only that it arrives.
#include "gui_fixture.h"
#include "ui/about.h"
#include "ui/form5.h"
#include "ui/form6.h"
#include "ui/ncommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <algorithm>

using namespace kpr;
using kpr::test::click;
using kpr::test::Gui;

namespace {

QString describe(QWidget* w) {
    return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                      : w->objectName()) +
           QStringLiteral(" %1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());
}

// The caption of a control that does not fit into it, by the metrics of its own font.
QString clippedCaption(QWidget* w, const ControlModel& model) {
    const QFontMetrics fm(w->font());
    QStyle* st = w->style();
    QString text;
    int have = w->width();
    int need = 0;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        text = l->text();
        have = l->contentsRect().width();
    } else if (auto* b = qobject_cast<QAbstractButton*>(w);
               b && (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b))) {
        QStyleOptionButton o;
        o.initFrom(b);
        o.text = text = b->text();
        have = st->subElementRect(qobject_cast<QCheckBox*>(b) ? QStyle::SE_CheckBoxContents
                                                              : QStyle::SE_RadioButtonContents,
                                  &o, b)
                   .width();
    } else if (auto* p = qobject_cast<QPushButton*>(w)) {
        text = p->text();
        need = 4; // a little room each side of the caption
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        text = g->title();
        need = 8;
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i)
            if (fm.horizontalAdvance(c->itemText(i)) > fm.horizontalAdvance(text))
                text = c->itemText(i);
        QStyleOptionComboBox o;
        o.initFrom(c);
        o.frame = true;
        have =
            st->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c).width();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        text = e->text();
        // A prompt entry holds as many characters as it takes.
        const std::string name = w->objectName().toStdString();
        if (name.rfind("txtPrompt(", 0) == 0 && model.at(name).maxLength > text.size())
            text = QString(model.at(name).maxLength, QLatin1Char('M'));
        QStyleOptionFrame o;
        o.initFrom(e);
        o.lineWidth = st->pixelMetric(QStyle::PM_DefaultFrameWidth, &o, e);
        have = st->subElementRect(QStyle::SE_LineEditContents, &o, e).width() - 4;
    }
    need += fm.horizontalAdvance(text);
    if (text.isEmpty() || need <= have)
        return {};
    return QStringLiteral("%1 \"%2\" needs %3 px, has %4")
        .arg(w->objectName(), text)
        .arg(need)
        .arg(have);
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
            const QRect want(QPoint(qRound(d->left * x), qRound(d->top * y)),
                             QPoint(qRound((d->left + d->width) * x) - 1,
                                    qRound((d->top + d->height) * y) - 1));
            // Prompt entries are as wide as their blanks, no wider than their place.
            const bool widthOk = w->objectName().startsWith("txtPrompt(")
                                     ? r.width() <= want.width() + 1
                                     : std::abs(r.width() - want.width()) <= 1;
            if (std::abs(r.left() - want.left()) > 1 || std::abs(r.top() - want.top()) > 1 ||
                !widthOk || std::abs(r.height() - want.height()) > 1)
                faults << describe(w) + QStringLiteral(" should be %1,%2 %3x%4")
                                            .arg(want.x())
                                            .arg(want.y())
                                            .arg(want.width())
                                            .arg(want.height());
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

// Empty when Tab went through the frames left to right, top to bottom, each frame once,
// and through each frame's controls row by row.
QString readingOrderFault(const std::vector<QWidget*>& order) {
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

// Presses Tab from `first` until the focus comes back to it or leaves `scope`.
std::vector<QWidget*> tabOrder(QWidget* first, QWidget* scope) {
    std::vector<QWidget*> order{first};
    first->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(first->window()->focusWidget(), Qt::Key_Tab);
        QWidget* now = first->window()->focusWidget();
        if (now == first || !scope->isAncestorOf(now))
            break;
        order.push_back(now);
    }
    return order;
}

// Any characters, not only ASCII: one press and release each.
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Answers the next real file dialog as a person does: a kind chosen, a bare name typed.
void answerFileDialog(QObject* owner, const char* filter, const QString& name) {
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
        // Check box: "Ext. Charger's Beeper", bit 3 of &H31, set while unchecked.
        g.form->selectTab(1);
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool was = beeper->isChecked();
        click(beeper);
        QCOMPARE(beeper->isChecked(), !was);
        QCOMPARE(g.editor.image().get_bits(0x31, 3, 1), was ? 1 : 0);
        // Slider: a click at its right end gives the largest contrast, shown beside it.
        auto* contrast = g.form->control("Slider1");
        QTest::mouseClick(contrast, Qt::LeftButton, {},
                          QPoint(contrast->width() - 1, contrast->height() / 2));
        QCOMPARE(g.editor.image()[0x89], 8);
        QCOMPARE(g.widget<QLabel>("lblContrastValue")->text(), QStringLiteral("8"));
        // Choice list: one key down is "2400 bps".
        g.form->selectTab(0);
        auto* baud = g.widget<QComboBox>("cboCtl(9)");
        baud->setFocus();
        QTest::keyClick(baud, Qt::Key_Down);
        QCOMPARE(g.editor.image()[0x62], 0xF3);
        // A choice that brings others to the front: the battery type's level lists.
        QVERIFY(g.form->control("cboBatLev(3)")->isHidden());
        click(g.form->control("chkCtl(10)"));
        QVERIFY(g.form->control("cboBatLev(0)")->isHidden());
        QVERIFY(!g.form->control("cboBatLev(3)")->isHidden());
        // Text entry: a national letter arrives whole when the focus leaves.
        g.form->selectTab(2);
        auto* prompt = g.widget<QLineEdit>("txtPrompt(1)");
        click(prompt);
        prompt->selectAll();
        typeText(prompt, QStringLiteral("GR\u00DCN"));
        g.form->tabStrip()->setFocus();
        QCOMPARE(g.editor.image()[0x118], 0xDC);
        // ... and shows the editor's whole text, longer than anyone could type into it.
        PagerImage img = g.editor.image();
        img[0x3B0] = 255; // a password digit byte
        g.editor.load_image(img);
        g.form->render();
        const ControlState& stored = g.editor.controls().at("txtPass");
        QCOMPARE(g.widget<QLineEdit>("txtPass")->text().toStdString(), stored.text);
        QVERIFY(int(stored.text.size()) > stored.maxLength);
        // Option buttons: "Write Mode" turns every editing control off, "Modify Mode" on.
        click(g.widget<QRadioButton>("WriteOpt"));
        int off = 0;
        for (const char* prefix : {"chkCtl(", "cboCtl(", "txtPrompt(", "cmdFunc("})
            for (int i = 0; i < 72; ++i)
                if (QWidget* w = g.form->control(prefix + std::to_string(i) + ")"))
                    off += !w->isEnabled();
        QVERIFY2(off > 100, qPrintable(QString::number(off)));
        QVERIFY(!g.form->control("txtFreq")->isEnabled());
        QVERIFY(g.form->control("EMoptPrompts")->isEnabled());
        click(g.widget<QRadioButton>("ModifyOpt"));
        QVERIFY(g.form->control("chkCtl(29)")->isEnabled());
    }

    void tabAndKeysFollowTheWindow() {
        Gui g;
        QVERIFY(g.start());
        // Tab goes through page 1 in reading order, "Alert Length Select" last.
        const auto page1 = tabOrder(g.form->control("txtFreq"), g.form->control("picSet1"));
        QVERIFY(page1.size() > 30);
        QCOMPARE(page1.back(), g.form->control("cmdAlert"));
        QVERIFY2(readingOrderFault(page1).isEmpty(), qPrintable(readingOrderFault(page1)));
        // A refused entry keeps its text and the focus; the next Pager command is dropped.
        auto* freq = g.widget<QLineEdit>("txtFreq");
        click(freq);
        QTest::keyClicks(freq, QStringLiteral("5123456"));
        QTest::keyClick(freq, Qt::Key_Return);
        QCOMPARE(g.said.size(), size_t(1));
        QCOMPARE(freq->text(), QStringLiteral("5123456"));
        QVERIFY(freq->hasFocus());
        QVERIFY(!g.run("mnuEntire"));
        QCOMPARE(g.said.size(), size_t(1));
        QCOMPARE(freq->text(), QStringLiteral("4540125"));
        QVERIFY(g.run("mnuEntire"));
        // A scanned serial number typed at the window is taken and starts a write, which
        // "Modify Mode" refuses.
        g.editor.Timer2_Timer();
        g.form->tabStrip()->setFocus();
        QTest::keyClicks(g.form.get(), QStringLiteral("KS123456789"));
        QTest::keyClick(g.form.get(), Qt::Key_Return);
        QCOMPARE(g.widget<QLineEdit>("textSN")->text().trimmed(), QStringLiteral("KS123456789"));
        QCOMPARE(g.said.back(), std::string("Modify Mode can not write! Please check!"));
    }

    void everyControlFollowsTheWindowAndStaysReadable_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("0.6") << 0.6 << 0.6;
        QTest::newRow("1") << 1.0 << 1.0;
        QTest::newRow("1.25") << 1.25 << 1.25;
        QTest::newRow("twice the width") << 2.0 << 1.0;
        QTest::newRow("wide and low") << 1.25 << 0.6;
        QTest::newRow("below the smallest size") << 0.4 << 0.5;
    }

    void everyControlFollowsTheWindowAndStaysReadable() {
        QFETCH(double, x);
        QFETCH(double, y);
        Gui g;
        QVERIFY(g.start());
        const QSize design = g.form->designSize();
        QWidget* client = g.form->centralWidget();
        QCOMPARE(client->size(), design);
        const int chrome = g.form->height() - client->height();
        g.form->resize(qRound(design.width() * x), qRound(design.height() * y) + chrome);
        QCoreApplication::processEvents();
        // The window goes no smaller than 0.6 of its design size.
        x = std::max(x, 0.6);
        y = std::max(y, 0.6);
        QCOMPARE(client->size(), QSize(qRound(design.width() * x), qRound(design.height() * y)));
        QVERIFY(std::abs(g.form->control("txtAddr(3)")->font().pointSizeF() -
                         g.form->designGeometry("txtAddr(3)").fontSize * std::min(x, y)) < 0.02);
        for (int page = 0; page < 4; ++page) {
            g.form->selectTab(page);
            QCoreApplication::processEvents();
            QVERIFY(g.form->control(std::string("EMoptCode"))->isHidden() == (page == 0));
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
        QVERIFY2(std::abs(widths[1] - widths[0] - 5 * blank) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(widths[0]).arg(widths[1])));
    }

    void settingsDialogsTakeEnterAndRefreshTheWindow_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("shows");
        // The last item of a list in the dialog, then its summary on the main window.
        QTest::newRow("function bits") << "cmdFunc(3)" << "cboType(2)" << "tlblType(3)" << "G";
        QTest::newRow("alert lengths") << "cmdAlert" << "cboMailAler(8)" << "lblLength(9)"
                                       << "16";
    }

    void settingsDialogsTakeEnterAndRefreshTheWindow() {
        QFETCH(QString, button);
        QFETCH(QString, list);
        QFETCH(QString, summary);
        QFETCH(QString, shows);
        Gui g;
        QVERIFY(g.start());
        auto* label = g.widget<QLabel>(summary.toStdString());
        QVERIFY(!label->text().contains(shows));
        bool accepted = false;
        size_t stops = 0;
        QString orderFault;
        QVERIFY(g.open([&] { click(g.form->control(button.toStdString())); }, [&](QWidget* d) {
            if (qobject_cast<Form5*>(d)) {
                const auto order = tabOrder(d->findChild<QWidget*>("cboDisp(0)"), d);
                stops = order.size();
                orderFault = readingOrderFault(order);
            }
            auto* c = d->findChild<QComboBox*>(list);
            c->setFocus();
            QTest::keyClick(c, Qt::Key_End);
            QTest::keyClick(c, Qt::Key_Return);
            accepted = !d->isVisible();
            if (!accepted)
                static_cast<QDialog*>(d)->reject();
        }));
        QVERIFY(accepted);
        QVERIFY2(label->text().contains(shows), qPrintable(label->text()));
        if (button.startsWith("cmdFunc")) {
            QCOMPARE(stops, size_t(13)); // three frames of four, then OK
            QVERIFY2(orderFault.isEmpty(), qPrintable(orderFault));
        }
    }

    void fileCommandsTakeTheKindFromTheDialog() {
        Gui g;
        QVERIFY(g.start());
        auto path = [&](const char* name) { return g.dir.filePath(QString::fromLatin1(name)); };
        auto bytes = [&](const char* name) {
            QFile f(path(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QString caption = QStringLiteral("Vard Quinta USB KPR35T V05.21 - [%1]");
        // Save As: a typed extension stays, a bare name takes the chosen kind's.
        const char* const rows[][3] = {{"Profiles (*.yaml)", "q.tbl", "q.tbl"},
                                       {"Table files (*.tbl)", "t", "t.tbl"},
                                       {"Profiles (*.yaml)", "p", "p.yaml"}};
        for (const auto& row : rows) {
            answerFileDialog(this, row[0], QString::fromLatin1(row[1]));
            g.form->menuAction("mnuSA")->trigger();
            QCOMPARE(g.form->windowTitle(), caption.arg(path(row[2])));
            QCOMPARE(bytes(row[2]).startsWith("kpr35t_profile: 1"),
                     QByteArray(row[2]).endsWith(".yaml"));
        }
        QCOMPARE(bytes("t.tbl").size(), 2048);
        QVERIFY(!QFile::exists(path("t")) && !QFile::exists(path("p")));
        // Save after a profile writes that profile again.
        g.form->selectTab(1);
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool saved = beeper->isChecked();
        const QByteArray first = bytes("p.yaml");
        click(beeper);
        g.form->menuAction("mnuSBTF")->trigger();
        QVERIFY(bytes("p.yaml").startsWith("kpr35t_profile: 1") && bytes("p.yaml") != first);
        // Open brings a table's settings back.
        answerFileDialog(this, "Table files (*.tbl)", QStringLiteral("t.tbl"));
        g.form->menuAction("mnuLBFF")->trigger();
        QCOMPARE(beeper->isChecked(), saved);
        QCOMPARE(g.form->windowTitle(), caption.arg(path("t.tbl")));
        // A profile with problems changes nothing and names each one with its line.
        QFile bad(path("bad.yaml"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("no_such_key: 1\nnor_this: 2\n"));
        bad.close();
        answerFileDialog(this, "Profiles (*.yaml)", QStringLiteral("bad.yaml"));
        g.form->menuAction("mnuLBFF")->trigger();
        QCOMPARE(g.form->windowTitle(), caption.arg(path("t.tbl")));
        QCOMPARE(g.icons, std::vector<MessageIcon>{MessageIcon::Critical});
        const QString said = QString::fromStdString(g.said.back());
        QVERIFY2(said.contains("bad.yaml:1:") && said.contains("bad.yaml:2:"), qPrintable(said));
    }

    void withoutABoardOnlyTheLogIsReachable() {
        Gui g(false);
        QVERIFY(g.start());
        g.form->monitorTick();
        QTRY_COMPARE(g.form->statusLine()->text(),
                     QStringLiteral("  The Programmed Board Disconnect !"));
        QCOMPARE(g.form->statusLine()->palette().color(QPalette::WindowText), QColor(Qt::red));
        for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
            QVERIFY(!g.form->menuAction(n)->isEnabled());
        QVERIFY(g.form->menuAction("mnuLog")->isEnabled());
        g.form->close(); // no board was known: none is released
        QCOMPARE(g.port->opens(), 0);
    }

    void theBoardSearchLeavesTheWindowLive() {
        SimFaults silent;
        silent.silent = true;
        Gui g(true, silent);
        bool done = false;
        g.form->startUp(g.dir.path(), [&] { done = true; });
        g.form->show();
        g.form->selectTab(1);
        // An edit while the silent board's probes wait on the link thread survives their end.
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool was = beeper->isChecked();
        click(beeper);
        QVERIFY(!done);
        QVERIFY(QTest::qWaitFor([&] { return done; }, 20000));
        QCOMPARE(beeper->isChecked(), !was);
        QCOMPARE(g.editor.image().get_bits(0x31, 3, 1), was ? 1 : 0);
    }

    void everyEditorControlHasItsWidgetAndTheMenusTheirKeys() {
        Gui g;
        Form5 f5(g.editor);
        Form6 f6(g.editor);
        QStringList missing;
        for (const auto& [name, state] : g.editor.controls().all())
            if (name.rfind("mnu", 0) != 0 && name.rfind("Form", 0) != 0 && // actions, titles
                !g.form->control(name) && !f5.control(name) && !f6.control(name))
                missing << QString::fromStdString(name);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
        const std::pair<const char*, const char*> keys[] = {
            {"mnuLBFF", "Ctrl+O"}, {"mnuSA", "Ctrl+A"}, {"mnuExit", "Ctrl+E"}, {"mnuEB1", "F9"}};
        for (auto [menu, key] : keys)
            QCOMPARE(g.form->menuAction(menu)->shortcut(), QKeySequence(QString::fromLatin1(key)));
        QCOMPARE(g.form->menuAction("mnuEB1")->text(), QStringLiteral("Verfy"));
    }

    void commandButtonClicksWithTheLeftButtonWhileEnabled() {
        Ncommand b;
        b.resize(120, 30);
        b.show();
        QSignalSpy clicks(&b, &Ncommand::Click);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(60, 15));
        QVERIFY(b.isDown());
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(60, 15));
        QVERIFY(!b.isDown());
        click(&b, Qt::RightButton);
        b.setEnabled(false);
        click(&b);
        QCOMPARE(clicks.count(), 1);
    }

    void splashShowsTheWindowThenClosesItself() {
        bool shown = false;
        frmSplash* splash = new frmSplash(QStringLiteral("USB"), [&] {
            shown = true;
            splash->startClosing();
        });
        splash->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<frmSplash> alive(splash);
        QCOMPARE(splash->timer1().interval(), 500);
        QCOMPARE(splash->timer2().interval(), 500);
        splash->show();
        splash->timer1().setInterval(0); // the sequence, not the half seconds
        splash->timer2().setInterval(0);
        QTRY_VERIFY(shown);
        QTRY_VERIFY(alive.isNull());
        QVERIFY(!QApplication::overrideCursor());
    }

    void helpAndFirmwareNameTheProduct() {
        Gui g;
        QVERIFY(g.start());
        QString title;
        QVERIFY(g.run("mnuAbout", [&](QWidget* d) {
            title = d->findChild<QLabel*>("lblTitle")->text();
            click(d->findChild<QWidget*>("Close1"));
        }));
        QCOMPARE(title, QStringLiteral("KPR35T(USB) Pager Programmer"));
        g.form->menuAction("mnuFirmware")->trigger();
        QTRY_COMPARE(g.said, std::vector<std::string>{"Version = 5.2"});
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
