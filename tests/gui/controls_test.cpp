// The custom controls, the splash and About windows, Check Firmware, shut-down, and that
// every control of the editor has its widget.
#include "gui_fixture.h"
#include "ui/about.h"
#include "ui/eb_slider.h"
#include "ui/form5.h"
#include "ui/form6.h"
#include "ui/ncommand.h"
#include "ui/product_text.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kpr;
using kpr::test::Gui;

class ControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void ncommandPressesAndClicksOnlyWhenEnabled() {
        Ncommand b;
        b.resize(120, 30);
        b.setCaption(QStringLiteral("OK"));
        b.setUpColor(Qt::yellow);
        b.setDnColor(Qt::blue);
        b.show();
        QSignalSpy clicks(&b, &Ncommand::Click);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(60, 15));
        QVERIFY(b.isDown());
        QCOMPARE(b.captionColour(), QColor(Qt::blue));
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(60, 15));
        QVERIFY(!b.isDown());
        QCOMPARE(b.captionColour(), QColor(Qt::yellow));
        QCOMPARE(clicks.count(), 1);
        for (Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(&b, other, {}, QPoint(60, 15));
            QVERIFY(!b.isDown());
        }
        QCOMPARE(clicks.count(), 1); // the left button only
        // Centred caption: whole part of the centred position plus a half.
        QFontMetrics fm(b.font());
        QCOMPARE(b.captionOrigin().x(),
                 static_cast<int>((120 - fm.horizontalAdvance(QStringLiteral("OK"))) / 2.0 + 0.5));

        b.setEnabled(false);
        QCOMPARE(b.captionColour(), QColor(0xC0, 0xC0, 0xC0));
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(60, 15));
        QVERIFY(!b.isDown());
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(60, 15));
        QCOMPARE(clicks.count(), 1);
    }

    void closeButtonHasItsFixedSizeAndClicks() {
        CloseButton c;
        QCOMPARE(c.size(), QSize(17, 18)); // 255 x 270 twips
        c.show();
        QSignalSpy clicks(&c, &CloseButton::Click);
        QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(c.isDown());
        QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(!c.isDown());
        QTest::mouseClick(&c, Qt::RightButton, {}, QPoint(8, 8));
        QCOMPARE(clicks.count(), 1);
    }

    void sliderMapsPointerToValueAndRaisesChanged() {
        EbSlider s;
        s.resize(221, 21); // 3315 x 315 twips
        s.setMin(0);
        s.setMax(100);
        s.setSliderWidth(315);
        s.show();
        QSignalSpy changed(&s, &EbSlider::Changed);
        QCOMPARE(s.setValue(150), 100);
        QCOMPARE(changed.count(), 1);
        s.setValue(100); // same number: still a change
        QCOMPARE(changed.count(), 2);
        s.setValue(0);
        // A click at pixel 111 (1665 twips): 1507.5 -> 1508 -> 1500 -> 50.
        QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(111, 10));
        QCOMPARE(s.Value(), 50);
        QCOMPARE(s.thumbRect().left(), 100);
        QCOMPARE(changed.count(), 4);
        // Dragging the thumb with the left button held follows the pointer.
        QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(110, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(170, 10), s.mapToGlobal(QPointF(170, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&s, &move);
        QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(170, 10));
        QVERIFY(s.Value() > 50);
        const int after = s.Value();
        QMouseEvent idle(QEvent::MouseMove, QPointF(20, 10), s.mapToGlobal(QPointF(20, 10)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&s, &idle);
        QCOMPARE(s.Value(), after); // moves without the button do nothing
    }

    void contrastSliderStoresIntoTheImage() {
        QTemporaryDir dir;
        Gui g;
        QVERIFY(g.startUp(dir.path()));
        g.form->show();
        g.form->selectTab(1);
        auto* s = qobject_cast<EbSlider*>(g.form->control("Slider1"));
        QVERIFY(s);
        QCOMPARE(s->Value(), 4);
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(s->width() - 1, s->height() / 2));
        QCOMPARE(s->Value(), 8);
        QCOMPARE(g.editor.image()[0x89], 8);
        QCOMPARE(qobject_cast<QLabel*>(g.form->control("lblContrastValue"))->text(),
                 QStringLiteral("8"));
    }

    void productTextsFollowTheLinkKind() {
        QCOMPARE(splash_product_line("USB"), std::string("KPR35T(USB) Programmer"));
        QCOMPARE(splash_product_line("LPT"), std::string("KPR35T Programmer"));
        QCOMPARE(about_title("USB"), std::string("KPR35T(USB) Pager Programmer"));
        QCOMPARE(about_title("LPT"), std::string("KPR35T Pager Programmer"));
    }

    void aboutWindowClosesWithEitherButton() {
        QTemporaryDir dir;
        Gui g;
        QVERIFY(g.startUp(dir.path()));
        for (const char* button : {"cmdOK", "Close1"}) {
            bool seen = false;
            auto c = connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget* d) {
                QTimer::singleShot(0, d, [&, d] {
                    seen = true;
                    QCOMPARE(d->findChild<QLabel*>("lblTitle")->text(),
                             QStringLiteral("KPR35T(USB) Pager Programmer"));
                    QCOMPARE(d->findChild<QLabel*>("lblVersion")->text(),
                             QStringLiteral("Version 5.21(2011.3.1)"));
                    QWidget* b = d->findChild<QWidget*>(button);
                    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
                });
            });
            g.form->menuAction("mnuAbout")->trigger();
            disconnect(c);
            QVERIFY(seen);
        }
    }

    void splashShowsTheMainWindowThenClosesItself() {
        bool shown = false;
        frmSplash* splash = nullptr;
        splash = new frmSplash(QStringLiteral("USB"), [&] {
            shown = true;
            splash->startClosing();
        });
        splash->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<frmSplash> alive(splash);
        QCOMPARE(splash->findChild<QLabel*>("lblProductName")->text(),
                 QStringLiteral("KPR35T(USB) Programmer"));
        QCOMPARE(splash->findChild<QLabel*>("lblPlatformAndVersion")->text(),
                 QStringLiteral("for Win 95/98/Me/NT/2000/XP Version 5.21"));
        QVERIFY(splash->timer1().isActive());
        QVERIFY(!splash->timer2().isActive());
        QCOMPARE(splash->timer1().interval(), 500);
        QCOMPARE(splash->timer2().interval(), 500);
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        splash->show();
        // The sequence, without waiting out the half seconds.
        splash->timer1().setInterval(0);
        splash->timer2().setInterval(0);
        QVERIFY(Gui::waitFor([&] { return shown; }, 2000));
        QVERIFY(Gui::waitFor([&] { return alive.isNull(); }, 2000));
        QVERIFY(!QApplication::overrideCursor());
    }

    void checkFirmwareShowsTheVersion() {
        QTemporaryDir dir;
        Gui g;
        QVERIFY(g.startUp(dir.path()));
        g.form->menuAction("mnuFirmware")->trigger();
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        QCOMPARE(g.lastMessage(), std::string("Version = 5.2"));
    }

    void exitReleasesAKnownBoardOnly() {
        QTemporaryDir dir;
        {
            Gui g;
            QVERIFY(g.startUp(dir.path()));
            QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
            g.form->close();
            QCOMPARE(g.port->board().mode(), 'r');
            QVERIFY(!g.port->isOpen());
        }
        {
            Gui g(false); // no port listed: no board known
            QVERIFY(g.startUp(dir.path()));
            g.form->close();
            QCOMPARE(g.port->opens(), 0);
        }
    }

    void everyControlOfTheEditorHasItsWidget() {
        QTemporaryDir dir;
        Gui g;
        QStringList missing;
        Form5 f5(g.editor);
        Form6 f6(g.editor);
        for (const auto& [name, state] : g.editor.controls().all()) {
            if (name.rfind("mnu", 0) == 0 || name.rfind("Form", 0) == 0)
                continue; // menus are actions, the captions are window titles
            if (!g.form->control(name) && !f5.control(name) && !f6.control(name))
                missing << QString::fromStdString(name);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
        for (const char* menu : {"mnuLBFF", "mnuSBTF", "mnuSA", "mnuExit", "mnuEntire", "mnuEB",
                                 "mnuEB1", "mnuAbout", "mnuFirmware"})
            QVERIFY(g.form->menuAction(menu));
        QCOMPARE(g.form->menuAction("mnuLBFF")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(g.form->menuAction("mnuSA")->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
        QCOMPARE(g.form->menuAction("mnuExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
        QCOMPARE(g.form->menuAction("mnuEB1")->text(), QStringLiteral("Verfy"));
        QCOMPARE(g.form->menuAction("mnuEB1")->shortcut(), QKeySequence(Qt::Key_F9));
    }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
