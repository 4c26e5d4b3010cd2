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
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

    void functionBitDialogStoresAndRefreshesTheSummary() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        showActive(g);
        bool seen = false;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget* d) {
            auto* f5 = qobject_cast<Form5*>(d);
            QVERIFY(f5);
            QTimer::singleShot(0, f5, [&, f5] {
                seen = true;
                QCOMPARE(qobject_cast<QLabel*>(f5->control("lblFuncSlot"))->text(),
                         QStringLiteral("#4"));
                auto* type = qobject_cast<QComboBox*>(f5->control("cboType(2)"));
                QVERIFY(type);
                type->setFocus();
                QTest::keyClick(type, Qt::Key_End); // "Group"
                QCOMPARE(type->currentText(), QStringLiteral("Group"));
                auto* pri = qobject_cast<QCheckBox*>(f5->control("chkPri(1)"));
                QTest::mouseClick(pri, Qt::LeftButton, {}, QPoint(5, pri->height() / 2));
                f5->accept();
            });
        });
        QTest::mouseClick(g.form->control("cmdFunc(3)"), Qt::LeftButton);
        QVERIFY(seen);
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
                f6->accept();
            });
        });
        QTest::mouseClick(g.form->control("cmdAlert"), Qt::LeftButton);
        QVERIFY(seen);
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

    void twiceTheWidthDoublesLeftAndWidthOnly() {
        QTemporaryDir dir;
        Gui g;
        startIn(g, dir);
        g.form->show();
        QCoreApplication::processEvents();
        const QSize design = g.form->designSize();
        QWidget* client = g.form->centralWidget();
        QCOMPARE(client->size(), design);
        const char* names[] = {"txtAddr(3)", "chkCtl(30)", "cmdFunc(7)", "cboDft", "lblMsg"};
        std::map<std::string, QRect> before;
        std::map<std::string, qreal> fonts;
        for (const char* n : names) {
            before[n] = g.form->control(n)->geometry();
            fonts[n] = g.form->control(n)->font().pointSizeF();
        }
        g.form->resize(g.form->width() + design.width(), g.form->height());
        QCoreApplication::processEvents();
        QCOMPARE(client->size(), QSize(2 * design.width(), design.height()));
        for (const char* n : names) {
            const QRect r = g.form->control(n)->geometry();
            const QRect b = before[n];
            QVERIFY2(std::abs(r.left() - 2 * b.left()) <= 1, n);
            QVERIFY2(
                std::abs(r.width() - 2 * b.width()) <= 1,
                qPrintable(QStringLiteral("%1: %2 -> %3").arg(n).arg(b.width()).arg(r.width())));
            QCOMPARE(r.top(), b.top());
            QCOMPARE(r.height(), b.height());
            QCOMPARE(g.form->control(n)->font().pointSizeF(), fonts[n]);
        }
        // Half the height: lists keep their height, the rest scale, fonts by the smaller.
        QVERIFY(g.form->control("EMoptCode")->isHidden()); // the active tab's button
        g.form->resize(g.form->width(), g.form->height() - design.height() / 2);
        QCoreApplication::processEvents();
        const double y = double(client->height()) / design.height();
        QCOMPARE(g.form->control("cboDft")->height(), before["cboDft"].height());
        QVERIFY(std::abs(g.form->control("txtAddr(3)")->height() -
                         before["txtAddr(3)"].height() * y) <= 1);
        QVERIFY(std::abs(g.form->control("txtAddr(3)")->font().pointSizeF() -
                         fonts["txtAddr(3)"] * y) < 0.01);
        QVERIFY(g.form->control("EMoptCode")->isHidden());
        QVERIFY(g.form->control("cboRoHS")->isHidden());
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
        QVERIFY(!g.form->pagerMenu()->isEnabled());
        QVERIFY(!g.form->menuAction("mnuEB")->isEnabled());
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
