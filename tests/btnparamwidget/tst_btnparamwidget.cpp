#include "panel/BtnParamWidget.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTextBrowser>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

using simjournal::Calls;

QStringList BtnCalls()
{
    return Calls({QStringLiteral("setBtn"), QStringLiteral("setBack")});
}

template <typename T>
T *Child(QWidget *w, const char *name)
{
    T *child = w->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("missing child %s", name);
    return child;
}

QString Describe(const BtnParam &p)
{
    return QStringLiteral("speed %1 mode %2 step %3 pos1 %4 pos2 %5 levels %6 %7 dormant %8")
        .arg(double(p.speed), 0, 'g', 9).arg(p.mode).arg(p.jogStep, 0, 'g', 9).arg(p.pos1, 0, 'g', 9)
        .arg(p.pos2, 0, 'g', 9).arg(p.backLightLevel).arg(p.backSleepLevel).arg(p.backDormant);
}

// What the form shows, read back as a record.
QString Shown(BtnParamWidget *w)
{
    BtnParam p;
    p.speed = float(Child<QDoubleSpinBox>(w, "dsbSpeed")->value());
    p.mode = uint16_t(Child<QComboBox>(w, "cbMode")->currentIndex());
    p.jogStep = Child<QDoubleSpinBox>(w, "dsbStep")->value();
    p.pos1 = Child<QDoubleSpinBox>(w, "dsbPos1")->value();
    p.pos2 = Child<QDoubleSpinBox>(w, "dsbPos2")->value();
    p.backLightLevel = uint16_t(Child<QSpinBox>(w, "sbLightLev")->value());
    p.backSleepLevel = uint16_t(Child<QSpinBox>(w, "sbSleepLev")->value());
    p.backDormant = uint16_t(Child<QSpinBox>(w, "sbDormant")->value());
    return Describe(p);
}

const BtnParam kStart = {1.0f, 0, 5.0, 1.0, 2.0, 5, 5, 20};
const BtnParam kHeld = {1.0f, 1, 2.5, 1.0, 3.0, 10, 8, 30};

// Sends a mouse event to the widget under p (dialog coordinates); unhandled
// events travel up to the dialog as they would from the window system.
void Mouse(QWidget *dialog, QEvent::Type type, QPoint p)
{
    QWidget *target = dialog->childAt(p);
    if (!target)
        target = dialog;
    const QPoint local = target->mapFrom(dialog, p);
    QMouseEvent ev(type, local, target->mapToGlobal(local), Qt::LeftButton,
                   type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &ev);
}

using Edit = std::function<void(BtnParamWidget *)>;

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestBtnParamWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndForm();
    void startValuesUntilDeviceRead();
    void deviceValuesClampedAndSentBack();
    void confirmBits_data();
    void confirmBits();
    void unknownModeShownAsLastMode();
    void closeRestoresHeldValues();
    void enterConfirmsAndStaysOpen();
    void centredOverPanel();
    void manualModelChangesTravel();
    void dragByTitleStripOnly();
    void languageChange();

private:
    // Panel for the simulated device, its worker initialised; journal cleared.
    void StartPanel();
    QString Log() const { return Child<QTextBrowser>(m_panel.get(), "textBrowser")->toPlainText(); }
    // Confirms and waits until the worker has logged the push.
    void ConfirmAndWait();

    int m_handle = -1;
    std::unique_ptr<ControlWidget> m_panel;
    BtnParamWidget *m_dialog = nullptr;
};

void TestBtnParamWidget::init()
{
    simReset();
    simUseManualClock(1);
    m_handle = simAttach("DRV-0001", 1, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
    m_panel.reset(new ControlWidget);
    m_dialog = m_panel->findChild<BtnParamWidget *>();
    QVERIFY(m_dialog);
    QVERIFY(m_dialog->isHidden());
}

void TestBtnParamWidget::cleanup()
{
    m_panel.reset();
    m_dialog = nullptr;
}

void TestBtnParamWidget::StartPanel()
{
    m_panel->SetDevInfo({QStringLiteral("DRV-0001"), m_handle, true});
    m_panel->SetInitParams(MoveParam(), JogParam(), DriveParam(), CruiseParam());
    QTRY_VERIFY(Log().contains(QStringLiteral("初始化运动轴参数成功")));
    simJournalClear();
}

void TestBtnParamWidget::ConfirmAndWait()
{
    const int before = Log().count(QStringLiteral("设置按钮参数"));
    QTest::mouseClick(Child<QPushButton>(m_dialog, "pbConfirm"), Qt::LeftButton);
    QTRY_COMPARE(Log().count(QStringLiteral("设置按钮参数")), before + 1);
}

void TestBtnParamWidget::windowAndForm()
{
    QCOMPARE(m_dialog->size(), QSize(300, 429));
    QCOMPARE(m_dialog->minimumWidth(), 300);
    QVERIFY(m_dialog->isWindow());
    QVERIFY(m_dialog->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(m_dialog->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(m_dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(m_dialog->parentWidget(), m_panel.get());

    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(Child<QWidget>(m_dialog, "wgBack")->graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->blurRadius(), 10.0);
    QCOMPARE(shadow->offset(), QPointF(0, 0));
    QCOMPARE(shadow->color(), QColor(Qt::gray));

    auto *mode = Child<QComboBox>(m_dialog, "cbMode");
    QVERIFY(qobject_cast<QListView *>(mode->view()));
    QVERIFY(qobject_cast<QStyledItemDelegate *>(mode->itemDelegate()));
    QWidget *popup = mode->view()->window();
    QVERIFY(popup->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(popup->windowFlags() & Qt::NoDropShadowWindowHint);
    QCOMPARE(popup->windowType(), Qt::Popup);
    QVERIFY(popup->testAttribute(Qt::WA_TranslucentBackground));

    QCOMPARE(Child<QPushButton>(m_dialog, "pbConfirm")->shortcut(),
             QKeySequence(QKeySequence::InsertParagraphSeparator));
}

void TestBtnParamWidget::startValuesUntilDeviceRead()
{
    QCOMPARE(Describe(m_dialog->GetParam()), Describe(kStart));
    QCOMPARE(Shown(m_dialog), Describe(kStart));

    Child<QDoubleSpinBox>(m_dialog, "dsbSpeed")->setValue(1.8);
    Child<QComboBox>(m_dialog, "cbMode")->setCurrentIndex(2);
    Child<QDoubleSpinBox>(m_dialog, "dsbPos2")->setValue(7);
    Child<QSpinBox>(m_dialog, "sbDormant")->setValue(300);
    QTest::mouseClick(Child<QPushButton>(m_dialog, "pbRestore"), Qt::LeftButton);
    QCOMPARE(Shown(m_dialog), Describe(kStart));

    // Nothing edited against the start values: nothing changed.
    QSignalSpy updates(m_panel.get(), &ControlWidget::SigUpdateParam);
    QTest::mouseClick(Child<QPushButton>(m_dialog, "pbConfirm"), Qt::LeftButton);
    QCOMPARE(updates.count(), 1);
    QCOMPARE(updates.at(0), (QList<QVariant>{10, 0}));
}

// The device holds a speed the form cannot show exactly and a position beyond
// the 6 mm travel: the form shows 1.23 and 6, and an unedited confirm sends
// both back with their bits.
void TestBtnParamWidget::deviceValuesClampedAndSentBack()
{
    QCOMPARE(setBtnSpeed(m_handle, 1.234f), 0);
    QCOMPARE(setBtnMode(m_handle, 1), 0);
    QCOMPARE(setBtnJogStep(m_handle, 0.5), 0);
    QCOMPARE(setBtnPos1(m_handle, 10.0), 0);
    QCOMPARE(setBtnPos2(m_handle, 4.25), 0);
    QCOMPARE(setBackLightLevel(m_handle, 7), 0);
    QCOMPARE(setBackSleepLevel(m_handle, 3), 0);
    QCOMPARE(setBackDormant(m_handle, 60), 0);
    StartPanel();

    const BtnParam device = {1.234f, 1, 0.5, 10.0, 4.25, 7, 3, 60};
    QCOMPARE(Describe(m_dialog->GetParam()), Describe(device));
    for (const char *name : {"dsbStep", "dsbPos1", "dsbPos2"})
        QCOMPARE(Child<QDoubleSpinBox>(m_dialog, name)->maximum(), 6.0);
    QCOMPARE(Child<QDoubleSpinBox>(m_dialog, "dsbSpeed")->text(), QStringLiteral("1.23"));
    QCOMPARE(Shown(m_dialog), Describe({1.23f, 1, 0.5, 6.0, 4.25, 7, 3, 60}));

    Child<QDoubleSpinBox>(m_dialog, "dsbPos2")->setValue(9);
    QCOMPARE(Child<QDoubleSpinBox>(m_dialog, "dsbPos2")->value(), 6.0);
    Child<QDoubleSpinBox>(m_dialog, "dsbPos2")->setValue(4.25);

    QSignalSpy updates(m_panel.get(), &ControlWidget::SigUpdateParam);
    ConfirmAndWait();
    QCOMPARE(updates.count(), 1);
    QCOMPARE(updates.at(0), (QList<QVariant>{10, 0x01 | 0x08}));
    const QString h = QString::number(m_handle);
    QCOMPARE(BtnCalls(), (QStringList{"setBtnSpeed(" + h + ", 1.23)", "setBtnPos1(" + h + ", 6)"}));
    QVERIFY(Log().contains(QStringLiteral("速度: 1.23mm/s  模式: 步进模式\n步长: 0.500000mm  位置1: 6.000000mm")));
}

void TestBtnParamWidget::confirmBits_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QStringList>("calls");

    auto dsb = [](const char *name, double v) {
        return Edit([=](BtnParamWidget *w) { Child<QDoubleSpinBox>(w, name)->setValue(v); });
    };
    auto sb = [](const char *name, int v) {
        return Edit([=](BtnParamWidget *w) { Child<QSpinBox>(w, name)->setValue(v); });
    };

    QTest::newRow("nothing edited") << Edit([](BtnParamWidget *) {}) << 0 << QStringList();
    QTest::newRow("speed 1.00 to 1.01") << dsb("dsbSpeed", 1.01) << 0x01 << QStringList{"setBtnSpeed(H, 1.01)"};
    QTest::newRow("speed re-entered") << Edit([](BtnParamWidget *w) {
        Child<QDoubleSpinBox>(w, "dsbSpeed")->setValue(1.5);
        Child<QDoubleSpinBox>(w, "dsbSpeed")->setValue(1.0);
    }) << 0 << QStringList();
    QTest::newRow("position mode") << Edit([](BtnParamWidget *w) {
        Child<QComboBox>(w, "cbMode")->setCurrentText(QStringLiteral("位置模式"));
    }) << 0x02 << QStringList{"setBtnMode(H, 2)"};
    QTest::newRow("step") << dsb("dsbStep", 0.25) << 0x04 << QStringList{"setBtnJogStep(H, 0.25)"};
    QTest::newRow("position 1 by a micrometre") << dsb("dsbPos1", 1.000001) << 0x08
                                                << QStringList{"setBtnPos1(H, 1.000001)"};
    QTest::newRow("position 2") << dsb("dsbPos2", 0) << 0x10 << QStringList{"setBtnPos2(H, 0)"};
    QTest::newRow("light level") << sb("sbLightLev", 0) << 0x20 << QStringList{"setBackLightLevel(H, 0)"};
    QTest::newRow("sleep level") << sb("sbSleepLev", 20) << 0x40 << QStringList{"setBackSleepLevel(H, 20)"};
    QTest::newRow("dormant") << sb("sbDormant", 480) << 0x80 << QStringList{"setBackDormant(H, 480)"};
    QTest::newRow("everything") << Edit([](BtnParamWidget *w) {
        Child<QDoubleSpinBox>(w, "dsbSpeed")->setValue(0.5);
        Child<QComboBox>(w, "cbMode")->setCurrentIndex(0);
        Child<QDoubleSpinBox>(w, "dsbStep")->setValue(0.000001);
        Child<QDoubleSpinBox>(w, "dsbPos1")->setValue(5.5);
        Child<QDoubleSpinBox>(w, "dsbPos2")->setValue(0.125);
        Child<QSpinBox>(w, "sbLightLev")->setValue(1);
        Child<QSpinBox>(w, "sbSleepLev")->setValue(2);
        Child<QSpinBox>(w, "sbDormant")->setValue(3);
    }) << 0xff
       << QStringList{"setBtnSpeed(H, 0.5)",   "setBtnMode(H, 0)",        "setBtnJogStep(H, 1e-06)",
                      "setBtnPos1(H, 5.5)",    "setBtnPos2(H, 0.125)",    "setBackLightLevel(H, 1)",
                      "setBackSleepLevel(H, 2)", "setBackDormant(H, 3)"};
}

void TestBtnParamWidget::confirmBits()
{
    QFETCH(Edit, edit);
    QFETCH(int, bits);
    QFETCH(QStringList, calls);

    StartPanel();
    m_dialog->SetParam(kHeld);
    QCOMPARE(Shown(m_dialog), Describe(kHeld));
    edit(m_dialog);
    const QString expectedHeld = Shown(m_dialog);

    QSignalSpy updates(m_panel.get(), &ControlWidget::SigUpdateParam);
    ConfirmAndWait();
    QCOMPARE(updates.count(), 1);
    QCOMPARE(updates.at(0), (QList<QVariant>{10, bits}));
    QCOMPARE(BtnCalls().join('|'), calls.join('|').replace("H", QString::number(m_handle)));
    QCOMPARE(Describe(m_dialog->GetParam()), expectedHeld);

    // The confirmed values are now held: a second confirm changes nothing.
    simJournalClear();
    ConfirmAndWait();
    QCOMPARE(updates.count(), 2);
    QCOMPARE(updates.at(1), (QList<QVariant>{10, 0}));
    QCOMPARE(BtnCalls(), QStringList());
}

// A mode the combo does not list is shown as the last one and sent as such,
// never as an out-of-range value.
void TestBtnParamWidget::unknownModeShownAsLastMode()
{
    BtnParam odd = kHeld;
    odd.mode = 3;
    m_dialog->SetParam(odd);
    QCOMPARE(Child<QComboBox>(m_dialog, "cbMode")->currentIndex(), 2);

    QSignalSpy updates(m_panel.get(), &ControlWidget::SigUpdateParam);
    QTest::mouseClick(Child<QPushButton>(m_dialog, "pbConfirm"), Qt::LeftButton);
    QCOMPARE(updates.at(0), (QList<QVariant>{10, 0x02}));
    QCOMPARE(m_dialog->GetParam().mode, uint16_t(2));
}

void TestBtnParamWidget::closeRestoresHeldValues()
{
    m_dialog->SetParam(kHeld);
    m_panel->ShowBtnParam();
    QVERIFY(m_dialog->isVisible());

    Child<QDoubleSpinBox>(m_dialog, "dsbSpeed")->setValue(0.3);
    Child<QComboBox>(m_dialog, "cbMode")->setCurrentIndex(2);
    Child<QDoubleSpinBox>(m_dialog, "dsbStep")->setValue(9);
    Child<QSpinBox>(m_dialog, "sbSleepLev")->setValue(0);
    QTest::mouseClick(Child<QPushButton>(m_dialog, "pbClose"), Qt::LeftButton);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(Shown(m_dialog), Describe(kHeld));
    QCOMPARE(Describe(m_dialog->GetParam()), Describe(kHeld));

    m_panel->ShowBtnParam();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(Shown(m_dialog), Describe(kHeld));
}

void TestBtnParamWidget::enterConfirmsAndStaysOpen()
{
    StartPanel();
    m_dialog->SetParam(kHeld);
    m_panel->ShowBtnParam();
    QApplication::setActiveWindow(m_dialog);
    QTRY_VERIFY(m_dialog->isActiveWindow());

    Child<QSpinBox>(m_dialog, "sbLightLev")->setValue(12);
    // Both Enter keys, whichever field has the focus.
    Child<QDoubleSpinBox>(m_dialog, "dsbPos1")->setFocus();
    QSignalSpy updates(m_panel.get(), &ControlWidget::SigUpdateParam);
    QTest::keyClick(m_dialog, Qt::Key_Return);
    QTRY_COMPARE(updates.count(), 1);
    QCOMPARE(updates.at(0), (QList<QVariant>{10, 0x20}));
    QVERIFY(m_dialog->isVisible());
    QTRY_COMPARE(BtnCalls(), QStringList{"setBackLightLevel(" + QString::number(m_handle) + ", 12)"});

    QTest::keyClick(m_dialog, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE(updates.count(), 2);
    QCOMPARE(updates.at(1), (QList<QVariant>{10, 0}));
    QVERIFY(m_dialog->isVisible());
}

void TestBtnParamWidget::centredOverPanel()
{
    m_panel->move(100, 50);
    m_panel->ShowBtnParam();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->pos(), m_panel->mapToGlobal(QPoint((800 - 300) / 2, (450 - 429) / 2)));
}

void TestBtnParamWidget::manualModelChangesTravel()
{
    StartPanel();
    auto *pos1 = Child<QDoubleSpinBox>(m_dialog, "dsbPos1");
    QCOMPARE(pos1->maximum(), 6.0);

    m_panel->ApplyManualModel(3);
    for (const char *name : {"dsbStep", "dsbPos1", "dsbPos2"})
        QCOMPARE(Child<QDoubleSpinBox>(m_dialog, name)->maximum(), 13.0);
    pos1->setValue(12.5);
    QCOMPARE(pos1->value(), 12.5);

    m_panel->ApplyManualModel(2);
    QCOMPARE(pos1->maximum(), 6.0);
    QCOMPARE(pos1->value(), 6.0);
    QCOMPARE(Child<QDoubleSpinBox>(m_dialog, "dsbStep")->minimum(), 0.000001);
    QCOMPARE(m_panel->GetTravel(), 6);
}

void TestBtnParamWidget::dragByTitleStripOnly()
{
    m_dialog->move(200, 200);
    m_dialog->show();
    // The title strip lies inside the 10 px frame margin.
    QCOMPARE(m_dialog->DragZone(), QRect(10, 10, 280, 40));

    const QPoint delta(30, 20);
    struct Press { const char *where; QPoint at; bool drags; };
    const Press presses[] = {
        {"label in the content", Child<QLabel>(m_dialog, "lbSpeed")->mapTo(m_dialog, QPoint(5, 5)), false},
        {"empty content", QPoint(150, 400), false},
        {"frame margin above the title", QPoint(150, 4), false},
        {"title label", Child<QLabel>(m_dialog, "lbTitle")->mapTo(m_dialog, QPoint(2, 2)), true},
        {"lower edge of the title strip", QPoint(150, 48), true},
    };
    for (const Press &press : presses) {
        const QPoint start = m_dialog->pos();
        Mouse(m_dialog, QEvent::MouseButtonPress, press.at);
        Mouse(m_dialog, QEvent::MouseMove, press.at + delta);
        const QPoint moved = m_dialog->pos();
        Mouse(m_dialog, QEvent::MouseButtonRelease, press.at + delta);
        QVERIFY2(moved == (press.drags ? start + delta : start), press.where);

        // After the release moves no longer drag.
        Mouse(m_dialog, QEvent::MouseMove, press.at + 2 * delta);
        QVERIFY2(m_dialog->pos() == moved, press.where);
    }
}

void TestBtnParamWidget::languageChange()
{
    auto *mode = Child<QComboBox>(m_dialog, "cbMode");
    mode->setCurrentIndex(2);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(TEST_QM_FILE)));
    QCoreApplication::installTranslator(&translator);
    QTRY_COMPARE(Child<QLabel>(m_dialog, "lbTitle")->text(), QStringLiteral("Offline parameters"));
    QCOMPARE(Child<QPushButton>(m_dialog, "pbConfirm")->text(), QStringLiteral("Confirm"));
    QCOMPARE(mode->itemText(2), QStringLiteral("Position mode"));
    QCOMPARE(mode->currentIndex(), 2);

    QCoreApplication::removeTranslator(&translator);
    QTRY_COMPARE(Child<QLabel>(m_dialog, "lbTitle")->text(), QStringLiteral("离线参数"));
    QCOMPARE(mode->itemText(2), QStringLiteral("位置模式"));
}

QTEST_MAIN(TestBtnParamWidget)
#include "tst_btnparamwidget.moc"
