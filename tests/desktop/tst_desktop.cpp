// Runs on a desktop of its own (Xvfb with openbox, no compositing manager):
// activation, focus, placement and screen size as an operator meets them.
#include "app/MainWidget.h"
#include "discovery/AddDevWidget.h"
#include "misc/OptionWidget.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/Desktop.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <memory>

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void toggleClosesPopup_data();
    void toggleClosesPopup();
    void refusedValueKeepsPopupOpen_data();
    void refusedValueKeepsPopupOpen();
    void windowFitsScreen_data();
    void windowFitsScreen();
    void noNeedlessScrollBar_data();
    void noNeedlessScrollBar();
    void opaqueWithoutCompositor_data();
    void opaqueWithoutCompositor();

private:
    void OpenPanels(int count);
    QWidget *Popup(const char *className) const;
    QPushButton *Child(const char *name) const;

    std::unique_ptr<MainWidget> m_main;
};

void TestDesktop::cleanup()
{
    m_main.reset();
}

// The main window with a panel for each of count simulated devices, picked
// in the add-device dialog as the operator does.
void TestDesktop::OpenPanels(int count)
{
    simReset();
    for (int i = 1; i <= count; ++i)
        simAttach(qPrintable(QStringLiteral("DSK 2024010100%1").arg(i)), 3, 1);
    m_main.reset(new MainWidget);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QVERIFY(desktop::Click(Child("pbAddDev")));
    auto *dialog = m_main->findChild<AddDevWidget *>();
    QTRY_VERIFY(dialog->isActiveWindow());
    for (int i = 0; i < count; ++i)
        QVERIFY(desktop::Click(dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i))));
    QVERIFY(desktop::Click(dialog->findChild<QPushButton *>(QStringLiteral("pbConfirm"))));
    const QList<ControlWidget *> panels = m_main->findChildren<ControlWidget *>();
    QCOMPARE(panels.size(), count);
    // Shown by the grid, which places them on the same pass of the loop.
    for (ControlWidget *panel : panels)
        QTRY_VERIFY(panel->isVisible());
    QTRY_VERIFY(m_main->isActiveWindow());
}

QWidget *TestDesktop::Popup(const char *className) const
{
    for (QWidget *w : m_main->findChild<ControlWidget *>()->findChildren<QWidget *>()) {
        if (w->inherits(className))
            return w;
    }
    return nullptr;
}

QPushButton *TestDesktop::Child(const char *name) const
{
    return m_main->findChild<QPushButton *>(QLatin1String(name));
}

void TestDesktop::toggleClosesPopup_data()
{
    QTest::addColumn<QString>("popup");
    QTest::addColumn<QString>("toggle");
    QTest::newRow("move") << "MoveParamWidget" << "pbMoveParam";
    QTest::newRow("jog") << "JogParamWidget" << "pbJogParam";
    QTest::newRow("drive") << "DriveParamWidget" << "pbDriveParam";
    QTest::newRow("cruise") << "CruiseCtrlWidget" << "pbSetting";
}

// The second click on the toggle takes activation from the popup; it still
// closes the popup and leaves the toggle unchecked.
void TestDesktop::toggleClosesPopup()
{
    QFETCH(QString, popup);
    QFETCH(QString, toggle);
    OpenPanels(1);
    QWidget *window = Popup(qPrintable(popup));
    QPushButton *button = Child(qPrintable(toggle));

    QVERIFY(desktop::Click(button));
    QTRY_VERIFY(window->isActiveWindow());
    QVERIFY(button->isChecked());

    QVERIFY(desktop::Click(button));
    QTRY_VERIFY(m_main->isActiveWindow());
    QVERIFY(!window->isVisible());
    QVERIFY(!button->isChecked());

    QVERIFY(desktop::Click(button));
    QTRY_VERIFY(window->isActiveWindow());
    QVERIFY(button->isChecked());
}

void TestDesktop::refusedValueKeepsPopupOpen_data()
{
    QTest::addColumn<QString>("popup");
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("refused");
    QTest::newRow("move") << "MoveParamWidget" << "pbMoveParam"
                          << QStringList({ "lePosition=5", "leSpeed=3", "leAcc=2.5" }) << "leSpeed";
    QTest::newRow("cruise") << "CruiseCtrlWidget" << "pbSetting"
                            << QStringList({ "leCruiseBeginPos=20", "leCruiseTimes=7" }) << "leCruiseBeginPos";
}

// The warning takes activation; once answered, the popup is still open and
// active with the operator's edits, and the refused field is selected.
void TestDesktop::refusedValueKeepsPopupOpen()
{
    QFETCH(QString, popup);
    QFETCH(QString, toggle);
    QFETCH(QStringList, edits);
    QFETCH(QString, refused);
    OpenPanels(1);
    QWidget *window = Popup(qPrintable(popup));
    QPushButton *button = Child(qPrintable(toggle));
    QVERIFY(desktop::Click(button));
    QTRY_VERIFY(window->isActiveWindow());
    for (const QString &edit : edits)
        window->findChild<QLineEdit *>(edit.section('=', 0, 0))->setText(edit.section('=', 1));

    QSignalSpy relay(m_main->findChild<ControlWidget *>(), &ControlWidget::SigUpdateParam);
    QStringList warnings;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isActiveWindow() && !warnings.contains(box->text())) {
            warnings << box->text();
            desktop::Key(QStringLiteral("Return"));
        }
    });
    answerer.start(50);
    QVERIFY(desktop::Click(window->findChild<QPushButton *>(QStringLiteral("pbConfirm"))));
    answerer.stop();

    QCOMPARE(warnings.size(), 1);
    QCOMPARE(relay.count(), 0);
    QTRY_VERIFY(window->isActiveWindow());
    QVERIFY(button->isChecked());
    for (const QString &edit : edits)
        QCOMPARE(window->findChild<QLineEdit *>(edit.section('=', 0, 0))->text(), edit.section('=', 1));
    auto *field = window->findChild<QLineEdit *>(refused);
    QVERIFY(field->hasFocus());
    QCOMPARE(field->selectedText(), field->text());
}

void TestDesktop::windowFitsScreen_data()
{
    QTest::addColumn<int>("panels");
    QTest::addColumn<QSize>("size");
    QTest::newRow("one") << 1 << QSize(830, 600);
    QTest::newRow("two") << 2 << QSize(1630, 600);
    QTest::newRow("four") << 4 << QSize(1630, 900);
}

// The window keeps the size for its panels where the screen holds it, and
// otherwise fills the screen's available area, title-bar buttons included.
void TestDesktop::windowFitsScreen()
{
    QFETCH(int, panels);
    QFETCH(QSize, size);
    OpenPanels(panels);
    const QRect available = m_main->screen()->availableGeometry();
    QTRY_COMPARE(m_main->frameGeometry().size(), size.boundedTo(available.size()));
    QVERIFY(available.contains(m_main->frameGeometry()));
    QPushButton *close = Child("pbClose");
    QVERIFY(available.contains(QRect(close->mapToGlobal(QPoint(0, 0)), close->size())));
}

void TestDesktop::noNeedlessScrollBar_data()
{
    QTest::addColumn<int>("panels");
    QTest::newRow("three") << 3;
    QTest::newRow("six") << 6;
}

// A horizontal scroll bar only when a panel reaches beyond the visible area.
void TestDesktop::noNeedlessScrollBar()
{
    QFETCH(int, panels);
    OpenPanels(panels);
    auto *area = m_main->findChild<QScrollArea *>(QStringLiteral("scrollArea"));
    QTRY_VERIFY(area->verticalScrollBar()->isVisible());
    int right = 0;
    for (ControlWidget *panel : m_main->findChildren<ControlWidget *>())
        right = qMax(right, panel->geometry().right() + 1);
    QCOMPARE(area->horizontalScrollBar()->isVisible(), right > area->viewport()->width());
}

void TestDesktop::opaqueWithoutCompositor_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("options dialog") << "OptionWidget";
    QTest::newRow("add-device dialog") << "AddDevWidget";
    QTest::newRow("move popup") << "MoveParamWidget";
}

// Without a compositing manager a frameless window shows on screen exactly
// what it draws, with no black corners or shadow left behind.
void TestDesktop::opaqueWithoutCompositor()
{
    QFETCH(QString, window);
    OpenPanels(1);
    QWidget *w = nullptr;
    if (window == QLatin1String("OptionWidget")) {
        m_main->ShowSettingWindow();
        w = m_main->findChild<OptionWidget *>();
    } else if (window == QLatin1String("AddDevWidget")) {
        m_main->ShowAddDevWindow();
        w = m_main->findChild<AddDevWidget *>();
    } else {
        QVERIFY(desktop::Click(Child("pbMoveParam")));
        w = Popup("MoveParamWidget");
    }
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QImage drawn = w->grab().toImage();
    const QRect rect = w->frameGeometry();
    for (const QPoint &corner : { QPoint(0, 0), QPoint(rect.width() - 1, 0),
                                  QPoint(0, rect.height() - 1), QPoint(rect.width() - 1, rect.height() - 1) }) {
        QCOMPARE(qAlpha(drawn.pixel(corner)), 255);
        QTRY_COMPARE(w->screen()->grabWindow(0, rect.x() + corner.x(), rect.y() + corner.y(), 1, 1)
                         .toImage().pixelColor(0, 0),
                     drawn.pixelColor(corner));
    }
    w->hide();
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
