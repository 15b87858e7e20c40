// Runs on a desktop of its own (Xvfb with openbox, no compositing manager):
// screen size, activation and focus as an operator meets them.
#include "tests/support/AppHarness.h"
#include "misc/OptionWidget.h"
#include "tests/support/Desktop.h"

#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

class TestDesktop : public QObject
{
    Q_OBJECT

    harness::App app;

    MainWidget *Main() { return app.window.get(); }

    // The program with one panel, picked with real clicks as by an operator.
    void OpenOne()
    {
        app = harness::Start(1);
        QVERIFY(QTest::qWaitForWindowActive(Main()));
        QVERIFY(desktop::Click(Child("pbAddDev")));
        QTRY_VERIFY(harness::Dialog(Main())->isActiveWindow());
        QVERIFY(harness::WaitIdle(harness::Dialog(Main())));
        QVERIFY(desktop::Click(harness::DevButton(Main(), 0)));
        QVERIFY(desktop::Click(harness::Dialog(Main())->findChild<QPushButton *>("pbConfirm")));
        QVERIFY(harness::WaitConfirmed(Main()));
        QVERIFY(harness::WaitForInit(harness::Panels(Main()).value(0)));
        QTRY_VERIFY(Main()->isActiveWindow());
    }

    // A panel's popup by its class (and object) name.
    QWidget *Popup(const QString &name) { return Main()->findChild<ControlWidget *>()->findChild<QWidget *>(name); }
    QPushButton *Child(const QString &name) { return Main()->findChild<QPushButton *>(name); }

private slots:
    void cleanup() { app.window.reset(); }
    void windowFollowsPanels_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("size");
        QTest::newRow("one") << 1 << QSize(830, 600);
        QTest::newRow("two") << 2 << QSize(1630, 600);
        QTest::newRow("six") << 6 << QSize(1630, 900);
    }

    // The window takes the size for its panels about its centre where the
    // screen's usable area holds it, and otherwise what that area has. Panels
    // two to a row in the order opened, one where two do not fit the usable
    // width; a vertical scroll bar only where needed, never a horizontal one.
    // A tab's click brings its panel into view.
    void windowFollowsPanels()
    {
        QFETCH(int, count);
        QFETCH(QSize, size);
        app = harness::Start(count);
        const QRect before = Main()->geometry();
        harness::OpenPanels(Main(), count);
        const QRect available = Main()->screen()->availableGeometry();
        const int columns = available.width() >= 1630 ? 2 : 1;
        if (columns == 1)
            size = QSize(830, count > 1 ? 900 : 600);
        QRect centred(QPoint(), size.boundedTo(available.size()));
        centred.moveCenter(before.center());
        QTRY_COMPARE(Main()->frameGeometry().size(), centred.size());
        QVERIFY(available.contains(Main()->frameGeometry()));
        if (available.contains(centred))
            QCOMPARE(Main()->geometry(), centred);
        const QList<ControlWidget *> panels = harness::Panels(Main());
        QRect reach;
        for (int i = 0; i < count; ++i) {
            QCOMPARE(panels.at(i)->GetDevHandle(), app.handles.at(i));
            QCOMPARE(panels.at(i)->pos(), QPoint(3 + i % columns * 804, 3 + i / columns * 454));
            reach |= panels.at(i)->geometry();
        }
        auto *area = Main()->findChild<QScrollArea *>("scrollArea");
        QTRY_VERIFY(area->verticalScrollBar()->isVisible() || reach.bottom() < area->viewport()->height());
        QVERIFY(!area->horizontalScrollBar()->isVisible() && reach.right() < area->viewport()->width());
        QVERIFY(desktop::Click(Child(QStringLiteral("pbDev%1").arg(app.handles.last()))));
        const QRect last(panels.last()->mapTo(area->viewport(), QPoint()), panels.last()->size());
        QVERIFY(area->viewport()->rect().contains(last));

        // Back to one panel while full screen: full screen it stays, and
        // leaving it gives the small window.
        Main()->ShowMax();
        QTRY_COMPARE(Main()->geometry(), Main()->screen()->geometry());
        harness::Pick(Main(), QList<int>{1, 2, 3, 4, 5}.mid(0, count - 1));
        QCOMPARE(harness::Panels(Main()).size(), 1);
        QCOMPARE(Main()->geometry(), Main()->screen()->geometry());
        Main()->ShowMax();
        QTRY_COMPARE(Main()->frameGeometry().size(), QSize(830, 600).boundedTo(available.size()));
    }

    // The second click on a toggle takes activation from its popup; it still
    // closes the popup and unchecks the toggle, and the next click opens it.
    void toggleClosesPopup()
    {
        OpenOne();
        const QList<QPair<QString, QString>> popups{{"pbMoveParam", "MoveParamWidget"}, {"pbJogParam", "JogParamWidget"},
                                                    {"pbDriveParam", "DriveParamWidget"}, {"pbSetting", "CruiseCtrlWidget"}};
        for (const auto &popup : popups) {
            QWidget *window = Popup(popup.second);
            for (bool open : {true, false, true, false}) {
                QVERIFY(desktop::Click(Child(popup.first)));
                QTRY_VERIFY((open ? window : Main())->isActiveWindow());
                QVERIFY2(window->isVisible() == open && Child(popup.first)->isChecked() == open, qPrintable(popup.first));
            }
        }
    }

    // Without a compositing manager a frameless window shows on screen exactly
    // what it draws: no black corners or shadow left round its rounded frame.
    void opaqueWithoutCompositor()
    {
        OpenOne();
        const auto opaque = [](QWidget *w) {
            QVERIFY(QTest::qWaitForWindowExposed(w));
            // Read through the window's own id: after the window manager has
            // reparented it, Qt's idea of its position can lag behind the screen.
            const auto shown = [w](QPoint corner) {
                return w->screen()->grabWindow(w->winId(), corner.x(), corner.y(), 1, 1).toImage().pixelColor(0, 0);
            };
            // Drawn and shown are compared at the window's size of the moment:
            // a dialog that has just listed its devices may still shrink to fit.
            const auto cornersShown = [&]() {
                const QImage drawn = w->grab().toImage();
                for (const QPoint &corner : {QPoint(0, 0), QPoint(w->width() - 1, w->height() - 1)}) {
                    if (qAlpha(drawn.pixel(corner)) != 255 || shown(corner) != drawn.pixelColor(corner))
                        return false;
                }
                return true;
            };
            QTRY_VERIFY(cornersShown());
        };
        Main()->ShowSettingWindow();
        opaque(Main()->findChild<OptionWidget *>());
        Main()->findChild<OptionWidget *>()->close();
        Main()->ShowAddDevWindow();
        QVERIFY(harness::WaitIdle(harness::Dialog(Main())));
        opaque(harness::Dialog(Main()));
    }

    // A refused value: once the warning is answered, the popup is active
    // again with the refused field selected for correction.
    void refusedValueKeepsPopupOpen()
    {
        OpenOne();
        QWidget *window = Popup("MoveParamWidget");
        QVERIFY(desktop::Click(Child("pbMoveParam")));
        QTRY_VERIFY(window->isActiveWindow());
        auto *field = window->findChild<QLineEdit *>("leSpeed");
        field->setText("3");
        // Answered with a real key once the warning is the active window.
        QStringList warnings;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isActiveWindow() && warnings.isEmpty() && desktop::Key("Return"))
                warnings << box->text();
        });
        answerer.start(50);
        QVERIFY(desktop::Click(window->findChild<QPushButton *>("pbConfirm")));
        QCOMPARE(warnings.size(), 1);
        QTRY_VERIFY(window->isActiveWindow());
        QVERIFY(Child("pbMoveParam")->isChecked() && field->hasFocus() && field->selectedText() == "3");
        // Corrected and confirmed, the popup closes and its toggle is released.
        field->setText("1");
        QVERIFY(desktop::Click(window->findChild<QPushButton *>("pbConfirm")));
        QTRY_VERIFY(!window->isVisible() && Main()->isActiveWindow());
        QVERIFY(!Child("pbMoveParam")->isChecked());
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
