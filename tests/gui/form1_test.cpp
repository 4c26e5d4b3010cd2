// The main window driven through its real widgets: bindings, edit modes, the frequency
// refusal, file commands, the settings dialogs, scaling and start-up.
#include "gui_fixture.h"
#include "ui/form5.h"
#include "ui/form6.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

using namespace kpr;
using kpr::test::Gui;

class Form1Test : public QObject {
    Q_OBJECT

  private:
    // Shows the window and makes it active so focus moves as a person's would.
    static void showActive(Gui& g) {
        g.form->show();
        QApplication::setActiveWindow(g.form.get());
        QVERIFY(QTest::qWaitForWindowActive(g.form.get()));
    }
    static void startIn(Gui& g, const QTemporaryDir& dir) {
        QVERIFY(g.startUp(dir.path()));
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
    }
    static void typeInto(QLineEdit* e, const QString& text) {
        QTest::mouseClick(e, Qt::LeftButton);
        QTest::keyClicks(e, text);
    }
    // Any characters, not only ASCII: one press and release each.
    static void typeText(QWidget* w, const QString& text) {
        for (QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    // The caption of a control that does not fit into it, by the metrics of its own font.
    static QString clippedCaption(QWidget* w, const ControlModel& model) {
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
            have = st->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c)
                       .width();
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

    static QString describe(QWidget* w) {
        return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                          : w->objectName()) +
               QStringLiteral(" %1,%2 %3x%4")
                   .arg(w->x())
                   .arg(w->y())
                   .arg(w->width())
                   .arg(w->height());
    }

    // Every shown control below parent: where the design geometry times the factors puts it,
    // inside its parent, clear of its shown siblings, its caption whole.
    static void collectLayoutFaults(QWidget* parent, double x, double y, const ControlModel& model,
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
                const bool byBlanks = w->objectName().startsWith("txtPrompt(");
                const bool widthOk = byBlanks ? r.width() <= want.width() + 1
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
            for (size_t j = i + 1; j < shown.size(); ++j) {
                // A tab's label lies beneath its button by design.
                if (shown[i]->objectName().startsWith("lblTab("))
                    continue;
                if (shown[i]->geometry().intersects(shown[j]->geometry()))
                    faults << describe(shown[i]) + " overlaps " + describe(shown[j]);
            }
    }

    // Empty when Tab went through the frames left to right, top to bottom, each frame once,
    // and through each frame's controls row by row.
    static QString readingOrderFault(const std::vector<QWidget*>& order) {
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
    static std::vector<QWidget*> tabOrder(QWidget* first, QWidget* scope) {
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

  private slots:
    void checkBoxAndListsStoreIntoTheImage() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        // "Ext. Charger's Beeper": &H31 bit 3, inverted.
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        QVERIFY(beeper);
        g.form->selectTab(1);
        const bool was = beeper->isChecked();
        QTest::mouseClick(beeper, Qt::LeftButton, {}, QPoint(5, beeper->height() / 2));
        QCOMPARE(beeper->isChecked(), !was);
        QCOMPARE(g.editor.image().get_bits(0x31, 3, 1), was ? 1 : 0);

        // "2400 bps": &H61 bits 0-1 = 3, &H62 = &HF3, &H63 bits 6-7 = 1.
        g.form->selectTab(0);
        auto* baud = g.widget<QComboBox>("cboCtl(9)");
        QVERIFY(baud);
        QCOMPARE(baud->currentText(), QStringLiteral("1200 bps"));
        baud->setFocus();
        QTest::keyClick(baud, Qt::Key_Down);
        QCOMPARE(baud->currentText(), QStringLiteral("2400 bps"));
        QCOMPARE(g.editor.image()[0x62], 0xF3);
        QCOMPARE(g.editor.image().get_bits(0x61, 0, 2), 3);
        QCOMPARE(g.editor.image().get_bits(0x63, 6, 2), 1);

        // The battery type brings its own set of level lists to the front.
        auto* rech = g.widget<QCheckBox>("chkCtl(10)");
        QVERIFY(rech->isChecked());
        QVERIFY(!g.form->control("cboBatLev(0)")->isHidden());
        QVERIFY(g.form->control("cboBatLev(3)")->isHidden());
        QVERIFY(g.form->control("lblBatLev(3)")->isHidden());
        QTest::mouseClick(rech, Qt::LeftButton, {}, QPoint(5, rech->height() / 2));
        QCOMPARE(g.editor.image()[0x8D], 0x66);
        QVERIFY(g.form->control("cboBatLev(0)")->isHidden());
        QVERIFY(!g.form->control("cboBatLev(3)")->isHidden());
        QVERIFY(!g.form->control("lblBatLev(3)")->isHidden());
        QCOMPARE(g.widget<QComboBox>("cboBatLev(3)")->count(), 13);

        // A function-menu box rebuilds the menu slots; the tone list follows box 6.
        g.form->selectTab(1);
        auto* alertOff = g.widget<QCheckBox>("chkMenu(6)");
        QVERIFY(g.form->control("cboTone")->isHidden());
        QTest::mouseClick(alertOff, Qt::LeftButton, {}, QPoint(5, alertOff->height() / 2));
        QCOMPARE(g.editor.image()[0x78], 32);
        QVERIFY(!g.form->control("cboTone")->isHidden());
    }

    void writeModeDisablesTheEditingControls() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        auto* write = g.widget<QRadioButton>("WriteOpt");
        auto* modify = g.widget<QRadioButton>("ModifyOpt");
        QVERIFY(modify->isChecked());
        QTest::mouseClick(write, Qt::LeftButton, {}, QPoint(5, write->height() / 2));
        QVERIFY(write->isChecked());
        QVERIFY(!g.form->control("optAuto1")->isEnabled());
        QVERIFY(!g.form->control("optAuto2")->isEnabled());
        int checked = 0;
        for (const char* prefix : {"chkCtl(", "cboCtl(", "txtPrompt(", "cmdFunc("}) {
            for (int i = 0; i < 72; ++i) {
                QWidget* w = g.form->control(prefix + std::to_string(i) + ")");
                if (!w)
                    continue;
                QVERIFY2(!w->isEnabled(), w->objectName().toLatin1());
                ++checked;
            }
        }
        QVERIFY(checked > 100);
        QVERIFY(g.form->control("txtFreq")->isEnabled() == false);
        QVERIFY(write->isEnabled());
        QVERIFY(modify->isEnabled());
        for (const char* tab : {"EMoptStatus", "EMoptPrompts", "EMoptSource"})
            QVERIFY(g.form->control(tab)->isEnabled());
        QVERIFY(g.form->control("lblMsg")->isEnabled());

        QTest::mouseClick(modify, Qt::LeftButton, {}, QPoint(5, modify->height() / 2));
        QVERIFY(g.form->control("chkCtl(29)")->isEnabled());
        QVERIFY(g.form->control("txtPrompt(5)")->isEnabled());
    }

    void writeInModifyModeIsRefused() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        int dialogs = 0;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget*) { ++dialogs; });
        g.form->menuAction("mnuEB")->trigger();
        QCOMPARE(dialogs, 0);
        QCOMPARE(g.lastMessage(), std::string("Modify Mode can not write! Please check!"));
        QCOMPARE(g.messages.back().icon, MessageIcon::Warning);
        // The monitor keeps watching the board afterwards.
        QVERIFY(g.form->monitorTimer().isActive());
    }

    void refusedFrequencyDropsTheNextPagerCommandOnce() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        auto* freq = g.widget<QLineEdit>("txtFreq");
        const auto before = g.editor.image();
        typeInto(freq, QStringLiteral("5123456"));
        QTest::keyClick(freq, Qt::Key_Return); // ends the entry
        QCOMPARE(g.lastMessage(),
                 std::string("Frequency setting error(3800000 < = Frequency < =4990000 )"));
        QVERIFY(g.editor.flags().FreqErrorPending);
        QVERIFY(g.editor.image() == before);
        QCOMPARE(freq->text(), QStringLiteral("5123456")); // kept, focus back in it
        QVERIFY(freq->hasFocus());

        int dialogs = 0;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget*) { ++dialogs; });
        const size_t shown = g.messages.size();
        g.form->menuAction("mnuEntire")->trigger();
        QCOMPARE(dialogs, 0);
        QCOMPARE(g.messages.size(), shown); // dropped quietly
        QCOMPARE(freq->text(), QStringLiteral("4540125"));
        g.form->menuAction("mnuEntire")->trigger(); // a read of the simulated pager
        QCOMPARE(dialogs, 1);
        QVERIFY(g.saw("Read success!"));
    }

    void fileCommandsGoThroughTheDialogsAndUpdateTheCaption() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        const QString base = g.form->windowTitle();
        QCOMPARE(base, QStringLiteral("Vard Quinta USB KPR35T V05.21"));
        const QString a = dir.filePath("a.tbl");
        QString chosen = a;
        bool askedSave = false;
        g.form->setFileDialogHook([&](bool save) {
            askedSave = save;
            return chosen;
        });
        // Save As a new file.
        g.form->menuAction("mnuSA")->trigger();
        QVERIFY(askedSave);
        QCOMPARE(QFile(a).size(), 2048);
        QCOMPARE(g.form->windowTitle(), base + " - [" + a + "]");
        // Save As over it: the overwrite question; No keeps the file.
        g.answer = false;
        g.editor.image()[0x7F0] = 0x55;
        g.form->menuAction("mnuSA")->trigger();
        QVERIFY(g.messages.back().question);
        QCOMPARE(g.lastMessage(), std::string("This file is arealy exist ! \r\nAre you sure "
                                              "overwrite this file?"));
        {
            QFile f(a);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(static_cast<uint8_t>(f.readAll().at(0x7F0)) != 0x55);
        }
        // Save writes the current file without asking.
        g.form->menuAction("mnuSBTF")->trigger();
        {
            QFile f(a);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(static_cast<uint8_t>(f.readAll().at(0x7F0)), 0x55);
        }
        // Open another image: the caption exchanges the path, the controls show it.
        const QString b = dir.filePath("b.tbl");
        {
            auto img = g.editor.image();
            img[0x31] ^= 0x08;
            QFile f(b);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(reinterpret_cast<const char*>(img.data()), img.size());
        }
        chosen = b;
        const bool beeper = g.widget<QCheckBox>("chkCtl(29)")->isChecked();
        g.form->menuAction("mnuLBFF")->trigger();
        QVERIFY(!askedSave);
        QCOMPARE(g.form->windowTitle(), base + " - [" + b + "]");
        QCOMPARE(g.widget<QCheckBox>("chkCtl(29)")->isChecked(), !beeper);
        // Cancelling a dialog changes nothing.
        chosen.clear();
        const auto image = g.editor.image();
        g.form->menuAction("mnuLBFF")->trigger();
        QVERIFY(g.editor.image() == image);
        QCOMPARE(g.form->windowTitle(), base + " - [" + b + "]");
    }

    void profilesGoThroughOpenSaveAsAndSave() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        const QString base = g.form->windowTitle();
        QString chosen = dir.filePath("site.yaml");
        g.form->setFileDialogHook([&](bool) { return chosen; });
        auto read = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        g.form->selectTab(1);
        const bool saved = beeper->isChecked();

        // Save As a profile: YAML, not a table image, and the caption names it.
        g.form->menuAction("mnuSA")->trigger();
        QVERIFY(g.messages.empty());
        const QByteArray first = read(chosen);
        QVERIFY2(first.startsWith("kpr35t_profile: 1") || first.contains("\nkpr35t_profile: 1"),
                 first.constData());
        QCOMPARE(g.form->windowTitle(), base + " - [" + chosen + "]");

        // Save after a change writes the profile again, still as YAML.
        QTest::mouseClick(beeper, Qt::LeftButton, {}, QPoint(5, beeper->height() / 2));
        QCOMPARE(beeper->isChecked(), !saved);
        g.form->menuAction("mnuSBTF")->trigger();
        const QByteArray second = read(chosen);
        QVERIFY(second.contains("kpr35t_profile: 1"));
        QVERIFY(second != first);

        // Opening the first profile brings its settings back.
        const QString firstPath = dir.filePath("first.yaml");
        {
            QFile f(firstPath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(first);
        }
        chosen = firstPath;
        g.form->menuAction("mnuLBFF")->trigger();
        QVERIFY(g.messages.empty());
        QCOMPARE(beeper->isChecked(), saved);
        QCOMPARE(g.form->windowTitle(), base + " - [" + firstPath + "]");

        // A profile with problems leaves the image and the caption alone and names each one
        // with its line.
        const QString bad = dir.filePath("bad.yaml");
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("no_such_key: 1\nalso_not_a_key: 2\n");
        }
        chosen = bad;
        const auto image = g.editor.image();
        g.form->menuAction("mnuLBFF")->trigger();
        QVERIFY(g.editor.image() == image);
        QCOMPARE(g.form->windowTitle(), base + " - [" + firstPath + "]");
        QCOMPARE(g.messages.size(), size_t(1));
        QCOMPARE(g.messages.back().icon, MessageIcon::Critical);
        const QString text = QString::fromStdString(g.lastMessage());
        QVERIFY2(text.contains("bad.yaml:1:") && text.contains("bad.yaml:2:"), qPrintable(text));

        // A profile that cannot be written says so and keeps the current file.
        g.messages.clear();
        chosen = dir.filePath("missing/folder/p.yaml");
        g.form->menuAction("mnuSA")->trigger();
        QCOMPARE(g.messages.size(), size_t(1));
        QCOMPARE(g.messages.back().icon, MessageIcon::Critical);
        QVERIFY2(QString::fromStdString(g.lastMessage()).contains("could not be written"),
                 g.lastMessage().c_str());
        QCOMPARE(g.form->windowTitle(), base + " - [" + firstPath + "]");
    }

    void saveAsWithoutExtensionTakesTheChosenKinds() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        const std::pair<const char*, const char*> rows[] = {{"Table files (*.tbl)", "t"},
                                                            {"Profiles (*.yaml)", "p"},
                                                            {"Profiles (*.yaml)", "q.tbl"}};
        for (auto [filter, name] : rows) {
            // The real dialog: the kind is chosen and a bare name typed.
            QTimer poll;
            connect(&poll, &QTimer::timeout, [&, filter, name] {
                auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!d)
                    return;
                poll.stop();
                d->selectNameFilter(QString::fromLatin1(filter));
                d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(QString::fromLatin1(name)); // typed into the program folder
                static_cast<QDialog*>(d)->accept();       // as the dialog's Save button does
                if (d->isVisible())
                    d->reject(); // refused: the checks below fail instead of a hang
            });
            poll.start(10);
            g.form->menuAction("mnuSA")->trigger();
        }
        QVERIFY(g.messages.empty());
        QCOMPARE(QFile(dir.filePath("t.tbl")).size(), 2048);
        QFile profile(dir.filePath("p.yaml"));
        QVERIFY(profile.open(QIODevice::ReadOnly));
        QVERIFY(profile.readAll().contains("kpr35t_profile: 1"));
        QCOMPARE(QFile(dir.filePath("q.tbl")).size(), 2048); // a typed extension stays
        QVERIFY(!QFile::exists(dir.filePath("t")) && !QFile::exists(dir.filePath("p")));
    }

    void functionBitDialogStoresAndRefreshesTheSummary() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        bool seen = false;
        bool entered = false;
        size_t tabStops = 0;
        QString orderFault;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget* d) {
            auto* f5 = qobject_cast<Form5*>(d);
            QVERIFY(f5);
            QTimer::singleShot(0, f5, [&, f5] {
                seen = true;
                const auto order = tabOrder(f5->control("cboDisp(0)"), f5);
                tabStops = order.size();
                orderFault = readingOrderFault(order);
                QCOMPARE(qobject_cast<QLabel*>(f5->control("lblFuncSlot"))->text(),
                         QStringLiteral("#4"));
                auto* type = qobject_cast<QComboBox*>(f5->control("cboType(2)"));
                QVERIFY(type);
                type->setFocus();
                QTest::keyClick(type, Qt::Key_End); // "Group"
                QCOMPARE(type->currentText(), QStringLiteral("Group"));
                auto* pri = qobject_cast<QCheckBox*>(f5->control("chkPri(1)"));
                QTest::mouseClick(pri, Qt::LeftButton, {}, QPoint(5, pri->height() / 2));
                QTest::keyClick(pri, Qt::Key_Return);
                entered = !f5->isVisible();
                if (!entered)
                    f5->reject();
            });
        });
        QTest::mouseClick(g.form->control("cmdFunc(3)"), Qt::LeftButton);
        QVERIFY(seen);
        QVERIFY(entered);               // Enter accepts the dialog
        QCOMPARE(tabStops, size_t(13)); // three frames of four, then OK
        QVERIFY2(orderFault.isEmpty(), qPrintable(orderFault));
        QCOMPARE(g.editor.image()[0x370 + 14], 0xFF);
        QCOMPARE(g.widget<QLabel>("tlblType(3)")->text().at(2), QLatin1Char('G'));
        QCOMPARE(g.editor.image().get_bits(0x33, 5, 1), 1); // slot 3, bit B
        QCOMPARE(g.widget<QLabel>("tlblPri(3)")->text().at(1), QLatin1Char('v'));
    }

    void alertDialogStoresAndRefreshesTheTable() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        bool seen = false;
        bool entered = false;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget* d) {
            auto* f6 = qobject_cast<Form6*>(d);
            QVERIFY(f6);
            QTimer::singleShot(0, f6, [&, f6] {
                seen = true;
                auto* alert = qobject_cast<QComboBox*>(f6->control("cboMailAler(8)"));
                alert->setFocus();
                QTest::keyClick(alert, Qt::Key_End); // "16 sec"
                auto* his = qobject_cast<QComboBox*>(f6->control("cboHis(14)"));
                his->setFocus();
                his->setCurrentIndex(6);
                QTest::keyClick(his, Qt::Key_Down); // "7"
                QTest::keyClick(his, Qt::Key_Return);
                entered = !f6->isVisible();
                if (!entered)
                    f6->reject();
            });
        });
        QTest::mouseClick(g.form->control("cmdAlert"), Qt::LeftButton);
        QVERIFY(seen);
        QVERIFY(entered); // Enter accepts the dialog
        QCOMPARE(g.editor.image().get_bits(0x38, 0, 1), 1);
        QCOMPARE(g.editor.image()[0x99], 16);
        QCOMPARE(g.widget<QLabel>("lblLength(9)")->text(), QStringLiteral("16"));
        QCOMPARE(g.editor.image()[0x1D], 8);
        QCOMPARE(g.widget<QLabel>("lblHistory(15)")->text(), QStringLiteral("07"));
    }

    void promptsTakeNationalLettersAndRefuseWhatThePagerCannotStore() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        g.form->selectTab(2);
        auto* p1 = g.widget<QLineEdit>("txtPrompt(1)");
        typeInto(p1, QString()); // prompts keep their text on entry: replace it
        p1->selectAll();
        typeText(p1, QStringLiteral("GR\u00DCN"));
        g.form->tabStrip()->setFocus();
        QCOMPARE(g.editor.image()[0x115], 4);
        QCOMPARE(g.editor.image()[0x118], 0xDC); // U with diaeresis, one Latin-1 byte
        QCOMPARE(p1->text().trimmed(), QStringLiteral("GR\u00DCN"));
        QVERIFY(g.messages.empty());
        const auto before = g.editor.image();
        typeInto(p1, QString());
        p1->selectAll();
        typeText(p1, QStringLiteral("5 \u20AC"));
        g.form->tabStrip()->setFocus();
        QCOMPARE(g.messages.size(), size_t(1)); // refused, never mangled
        QVERIFY(g.editor.image() == before);
    }

    void entriesShowTheWholeStoredTextAndLimitOnlyTyping() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        PagerImage img = g.editor.image();
        img[0x3B0] = 255;  // a password digit byte no one could type
        img[0x3F] &= 0xF0; // "English(Large)": 16 characters
        img[0x100] = 0x02; // a logo of 2 blanks and 18 letters
        img[0x101] = 18;
        for (int k = 0; k < 18; ++k)
            img[0x102 + k] = static_cast<uint8_t>('A' + k);
        g.editor.load_image(img);
        g.form->render();
        auto* pass = g.widget<QLineEdit>("txtPass");
        QCOMPARE(pass->text().toStdString(), g.editor.controls().at("txtPass").text);
        QVERIFY(pass->text().size() > 4);
        g.form->selectTab(2);
        auto* logo = g.widget<QLineEdit>("txtPrompt(0)");
        QCOMPARE(logo->text(), QStringLiteral("  ABCDEFGHIJKLMNOPQR"));
        typeInto(logo, QString());
        logo->end(false);
        QTest::keyClicks(logo, QStringLiteral("S")); // no longer than it was
        QTest::keyClick(logo, Qt::Key_Backspace);    // shortening is fine
        QCOMPARE(logo->text(), QStringLiteral("  ABCDEFGHIJKLMNOPQ"));
        logo->selectAll();
        QTest::keyClicks(logo, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(logo->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
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
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        g.form->show();
        QCoreApplication::processEvents();
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
        const double font = std::min(x, y);
        QVERIFY(std::abs(g.form->control("txtAddr(3)")->font().pointSizeF() -
                         g.form->designGeometry("txtAddr(3)").fontSize * font) < 0.02);
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
        QMap<int, int> widths;
        for (int item : {0, 1}) {
            logoFont->setCurrentIndex(item);
            emit logoFont->activated(item);
            widths[item] = logo->width();
        }
        const int blank = QFontMetrics(logo->font()).horizontalAdvance(QLatin1Char(' '));
        QVERIFY2(std::abs(widths[1] - widths[0] - 5 * blank) <= 1,
                 qPrintable(QStringLiteral("%1 %2").arg(widths[0]).arg(widths[1])));
    }

    void tabFollowsThePage() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        const auto page1 = tabOrder(g.form->control("txtFreq"), g.form->control("picSet1"));
        QVERIFY(page1.size() > 30);
        QCOMPARE(page1.back(), g.form->control("cmdAlert"));
        QVERIFY2(readingOrderFault(page1).isEmpty(), qPrintable(readingOrderFault(page1)));
    }

    void startUpWithoutABoardReportsAndShowsDisconnected() {
        QTemporaryDir dir;
        Gui g(false);
        startIn(g, dir);
        QCOMPARE(g.lastMessage(), std::string("The Programmed Board is not responding!"));
        QVERIFY(g.form->monitorTimer().isActive());
        g.form->monitorTick();
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        QCoreApplication::processEvents();
        QCOMPARE(g.form->statusLine()->text(),
                 QStringLiteral("  The Programmed Board Disconnect !"));
        QCOMPARE(g.form->statusLine()->palette().color(QPalette::WindowText), QColor(Qt::red));
        // The board's entries are off; the log, which needs no board, stays reachable.
        for (const char* n : {"mnuEntire", "mnuEB", "mnuEB1"})
            QVERIFY(!g.form->menuAction(n)->isEnabled());
        QVERIFY(g.form->menuAction("mnuLog")->isEnabled());
        // The band defaults are shown: 380-499 MHz, 4540125.
        QCOMPARE(g.widget<QComboBox>("cboDft")->currentText(), QStringLiteral("380-499MHz"));
        QCOMPARE(g.widget<QLineEdit>("txtFreq")->text(), QStringLiteral("4540125"));
    }

    void startUpLoadsDefaultTblAndSaveWritesIt() {
        QTemporaryDir dir;
        const QString path = dir.filePath("default.tbl");
        {
            Gui g;
            startIn(g, dir);
            QVERIFY(!QFile::exists(path));
            // Save right after start-up creates default.tbl in the program folder.
            g.form->selectTab(1);
            auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
            QTest::mouseClick(beeper, Qt::LeftButton, {}, QPoint(5, beeper->height() / 2));
            g.form->menuAction("mnuSBTF")->trigger();
            QVERIFY(QFile::exists(path));
            QVERIFY(g.form->windowTitle().endsWith(" - [" + path + "]"));
        }
        Gui g;
        startIn(g, dir);
        QCOMPARE(g.form->windowTitle(), "Vard Quinta USB KPR35T V05.21 - [" + path + "]");
        QVERIFY(g.widget<QCheckBox>("chkCtl(29)")->isChecked());
    }

    void boardSearchNeverFreezesTheWindow() {
        // A board that never answers: the probes wait, but on the link thread.
        QTemporaryDir dir;
        SimFaults silent;
        silent.silent = true;
        Gui g(true, silent);
        bool done = false;
        g.form->startUp(dir.path(), [&] { done = true; });
        QVERIFY(g.programmer->busy());
        QElapsedTimer t;
        t.start();
        bool ticked = false;
        QTimer::singleShot(0, [&] { ticked = true; });
        QVERIFY(Gui::waitFor([&] { return ticked; }, 2000));
        QVERIFY(t.elapsed() < 500); // a frozen window would wait out both probe waits (1 s)
        QVERIFY(!done);
        // The settings are in place and can be edited while the search goes on; the edit
        // survives its end.
        QCOMPARE(g.widget<QLineEdit>("txtFreq")->text(), QStringLiteral("4540125"));
        g.form->show();
        g.form->selectTab(1);
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        const bool was = beeper->isChecked();
        QTest::mouseClick(beeper, Qt::LeftButton, {}, QPoint(5, beeper->height() / 2));
        QVERIFY(Gui::waitFor([&] { return done; }, 20000));
        QCOMPARE(beeper->isChecked(), !was);
        QCOMPARE(g.editor.image().get_bits(0x31, 3, 1), was ? 1 : 0);
        QCOMPARE(g.lastMessage(), std::string("The Programmed Board is not responding!"));
    }

    void keyboardScanOfElevenCharactersStartsAWrite() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        g.form->selectTab(2);
        g.form->tabStrip()->setFocus();
        QTest::keyClicks(g.form.get(), QStringLiteral("ABCDEFGHIJ"));
        QTest::keyClick(g.form.get(), Qt::Key_Return); // ten characters: nothing
        QVERIFY(g.messages.empty());
        g.editor.Timer2_Timer();
        QTest::keyClicks(g.form.get(), QStringLiteral("KS123456789"));
        QTest::keyClick(g.form.get(), Qt::Key_Return);
        // Still in "Modify Mode": the write it starts is refused with its message.
        QCOMPARE(g.lastMessage(), std::string("Modify Mode can not write! Please check!"));
        const std::string stored(reinterpret_cast<const char*>(&g.editor.image()[0x4D6]), 12);
        QCOMPARE(stored, std::string("KS123456789 "));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
