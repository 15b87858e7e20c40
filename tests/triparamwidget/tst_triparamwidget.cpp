#include "panel/BtnParamWidget.h"
#include "panel/ControlWidget.h"
#include "panel/TriParamWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

using simjournal::Calls;

QStringList TriggerCalls()
{
    return Calls({QStringLiteral("setIO"), QStringLiteral("setTrigger")});
}

template <typename T>
T *Child(QWidget *w, const QString &name)
{
    T *child = w->findChild<T *>(name);
    if (!child)
        qFatal("missing child %s", qPrintable(name));
    return child;
}

QString Describe(const TriParam &p)
{
    return QStringLiteral("io %1 in %2 disp %3 %4 out %5 condition %6 time %7")
        .arg(p.ioMode).arg(p.inMode).arg(p.inDisp1, 0, 'g', 9).arg(p.inDisp2, 0, 'g', 9)
        .arg(p.outMode).arg(p.outCondition).arg(p.outTime);
}

const QStringList kInputWidgets = {"cbInVolMode_%1", "dsbStep_%1", "lbStepU_%1"};
const QStringList kOutputWidgets = {"cbOutVolMode_%1", "cbOutMoveMode_%1", "sbOutElapse_%1", "lbElapseU_%1"};

// Which widgets of the line the dialog shows: "in", "out", or "mixed".
QString LineShows(QWidget *dialog, int io)
{
    int in = 0;
    int out = 0;
    for (const QString &name : kInputWidgets)
        in += Child<QWidget>(dialog, name.arg(io))->isVisibleTo(dialog) ? 1 : 0;
    for (const QString &name : kOutputWidgets)
        out += Child<QWidget>(dialog, name.arg(io))->isVisibleTo(dialog) ? 1 : 0;
    if (in == kInputWidgets.size() && out == 0)
        return QStringLiteral("in");
    if (in == 0 && out == kOutputWidgets.size())
        return QStringLiteral("out");
    return QStringLiteral("mixed");
}

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

} // namespace

class TestTriParamWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndForm();
    void startRecordsAndLines();
    void ioModeSwitchesOneLine();
    void confirmSendsBothLines();
    void confirmTwiceSendsTwice();
    void closeRestoresConfirmed();
    void deviceInfo_data();
    void deviceInfo();
    void manualModel_data();
    void manualModel();
    void centredOverPanel();
    void dragByTitleStripOnly();
    void languageChange();

private:
    void StartPanel();
    QString Log() const { return Child<QTextBrowser>(m_panel.get(), "textBrowser")->toPlainText(); }
    void ConfirmAndWait();
    // Sets the example of a falling-edge input on IO1 and a low-level output
    // on "达到最大速度" for 250 ms on IO2.
    void EnterExample();
    template <typename T>
    T *W(const QString &name) const { return Child<T>(m_dialog, name); }

    int m_handle = -1;
    std::unique_ptr<ControlWidget> m_panel;
    TriParamWidget *m_dialog = nullptr;
};

void TestTriParamWidget::init()
{
    simReset();
    simUseManualClock(1);
    m_handle = simAttach("DRV-0001", 3, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
    QCOMPARE(writeActuatorSerial(m_handle, "ACT-77", 6), 0);
    m_panel.reset(new ControlWidget);
    m_dialog = m_panel->findChild<TriParamWidget *>();
    QVERIFY(m_dialog);
    QVERIFY(m_dialog->isHidden());
}

void TestTriParamWidget::cleanup()
{
    m_panel.reset();
    m_dialog = nullptr;
}

void TestTriParamWidget::StartPanel()
{
    m_panel->SetDevInfo({QStringLiteral("DRV-0001"), m_handle, true});
    m_panel->SetInitParams(MoveParam(), JogParam(), DriveParam(), CruiseParam());
    QTRY_VERIFY(Log().contains(QStringLiteral("初始化运动轴参数成功")));
    simJournalClear();
}

void TestTriParamWidget::ConfirmAndWait()
{
    const int before = Log().count(QStringLiteral("设置触发参数"));
    QTest::mouseClick(W<QPushButton>("pbConfirm"), Qt::LeftButton);
    QTRY_COMPARE(Log().count(QStringLiteral("设置触发参数")), before + 1);
}

void TestTriParamWidget::EnterExample()
{
    W<QComboBox>("cbTriMode_1")->setCurrentIndex(0);
    W<QComboBox>("cbInVolMode_1")->setCurrentText(QStringLiteral("下降沿"));
    W<QDoubleSpinBox>("dsbStep_1")->setValue(-2.5);
    W<QComboBox>("cbTriMode_2")->setCurrentText(QStringLiteral("触发输出"));
    W<QComboBox>("cbOutVolMode_2")->setCurrentText(QStringLiteral("低电平"));
    W<QComboBox>("cbOutMoveMode_2")->setCurrentText(QStringLiteral("达到最大速度"));
    W<QSpinBox>("sbOutElapse_2")->setValue(250);
}

// The frame itself is tested with the button dialog; here only that it is
// applied, and the model list whose order gives the codes.
void TestTriParamWidget::windowAndForm()
{
    QCOMPARE(m_dialog->size(), QSize(525, 336));
    QVERIFY(m_dialog->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(m_dialog->windowModality(), Qt::WindowModal);
    QVERIFY(qobject_cast<QGraphicsDropShadowEffect *>(W<QWidget>("wgBack")->graphicsEffect()));
    for (QComboBox *combo : m_dialog->findChildren<QComboBox *>())
        QVERIFY2(qobject_cast<QListView *>(combo->view()), qPrintable(combo->objectName()));

    auto *models = W<QComboBox>("cbActModel");
    QStringList names;
    for (int i = 0; i < models->count(); ++i)
        names << models->itemText(i);
    QCOMPARE(names, (QStringList{"QUMA-S1A", "QUMA-S1B", "QUMA-L1A", "QUMA-L1B"}));
    QCOMPARE(W<QLabel>("lbActModel")->text(), QString());
    QCOMPARE(W<QLabel>("lbActSerial")->text(), QString());
}

void TestTriParamWidget::startRecordsAndLines()
{
    QCOMPARE(Describe(m_dialog->GetParam(0)), Describe({1, 1, 1.0, 1.0, 1, 1, 1}));
    QCOMPARE(Describe(m_dialog->GetParam(1)), Describe({2, 1, 1.0, 1.0, 1, 1, 1}));
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("in"));
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("out"));
}

void TestTriParamWidget::ioModeSwitchesOneLine()
{
    W<QComboBox>("cbTriMode_1")->setCurrentText(QStringLiteral("触发输出"));
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("out"));
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("out"));
    W<QComboBox>("cbTriMode_1")->setCurrentText(QStringLiteral("触发输入"));
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("in"));
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("out"));
    W<QComboBox>("cbTriMode_2")->setCurrentIndex(0);
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("in"));
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("in"));
}

// Both records carry both displacements and the values of the hidden fields;
// the worker sends only what each line's mode uses.
void TestTriParamWidget::confirmSendsBothLines()
{
    StartPanel();
    m_panel->ShowTriParam();
    EnterExample();
    // Hidden output fields of IO1 go along with the record.
    W<QComboBox>("cbOutMoveMode_1")->setCurrentIndex(1);
    W<QSpinBox>("sbOutElapse_1")->setValue(77);

    QSignalSpy updates(m_panel.get(), &ControlWidget::SigUpdateParam);
    ConfirmAndWait();
    QCOMPARE(updates.count(), 1);
    QCOMPARE(updates.at(0), (QList<QVariant>{11, 0}));
    QCOMPARE(Describe(m_dialog->GetParam(0)), Describe({1, 2, -2.5, 1.0, 1, 2, 77}));
    QCOMPARE(Describe(m_dialog->GetParam(1)), Describe({2, 1, -2.5, 1.0, 2, 3, 250}));

    const QString h = QString::number(m_handle);
    QCOMPARE(TriggerCalls(), (QStringList{"setIO1TriggerMode(" + h + ", 1)", "setTriggerInMode(" + h + ", 2)",
                                          "setIO1TriggerInDisp(" + h + ", -2.5)", "setIO2TriggerMode(" + h + ", 2)",
                                          "setTriggerOutMode(" + h + ", 2)", "setTriggerOutCondition(" + h + ", 3)",
                                          "setTriggerTime(" + h + ", 250)"}));
    QVERIFY(Log().contains(QStringLiteral("IO1: 触发输入, 下降沿触发, 相对位移 -2.500000\n"
                                          "IO2: 触发输出, 低电平, 达到最大速度, 输出电平时间 250")));
    QVERIFY(m_dialog->isVisible());
}

void TestTriParamWidget::confirmTwiceSendsTwice()
{
    StartPanel();
    W<QComboBox>("cbTriMode_2")->setCurrentIndex(0);
    W<QDoubleSpinBox>("dsbStep_2")->setValue(0.75);
    ConfirmAndWait();
    ConfirmAndWait();
    const QString h = QString::number(m_handle);
    const QStringList once = {"setIO1TriggerMode(" + h + ", 1)", "setTriggerInMode(" + h + ", 1)",
                              "setIO1TriggerInDisp(" + h + ", 1)", "setIO2TriggerMode(" + h + ", 1)",
                              "setTriggerInMode(" + h + ", 1)", "setIO2TriggerInDisp(" + h + ", 0.75)"};
    QCOMPARE(TriggerCalls(), once + once);
}

void TestTriParamWidget::closeRestoresConfirmed()
{
    m_panel->ShowTriParam();
    EnterExample();
    QTest::mouseClick(W<QPushButton>("pbConfirm"), Qt::LeftButton);

    W<QComboBox>("cbTriMode_1")->setCurrentIndex(1);
    W<QComboBox>("cbOutVolMode_1")->setCurrentIndex(1);
    W<QComboBox>("cbTriMode_2")->setCurrentIndex(0);
    W<QDoubleSpinBox>("dsbStep_2")->setValue(-7);
    W<QSpinBox>("sbOutElapse_2")->setValue(9);
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("out"));
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("in"));

    QTest::mouseClick(W<QPushButton>("pbClose"), Qt::LeftButton);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("in"));
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("out"));
    QCOMPARE(W<QComboBox>("cbInVolMode_1")->currentIndex(), 1);
    QCOMPARE(W<QComboBox>("cbOutVolMode_1")->currentIndex(), 0);
    QCOMPARE(W<QDoubleSpinBox>("dsbStep_1")->value(), -2.5);
    QCOMPARE(W<QDoubleSpinBox>("dsbStep_2")->value(), 1.0);
    QCOMPARE(W<QComboBox>("cbOutVolMode_2")->currentIndex(), 1);
    QCOMPARE(W<QComboBox>("cbOutMoveMode_2")->currentIndex(), 2);
    QCOMPARE(W<QSpinBox>("sbOutElapse_2")->value(), 250);

    // Restore gives the same as closing.
    W<QComboBox>("cbTriMode_2")->setCurrentIndex(0);
    QTest::mouseClick(W<QPushButton>("pbRestore"), Qt::LeftButton);
    QCOMPARE(LineShows(m_dialog, 2), QStringLiteral("out"));
}

void TestTriParamWidget::deviceInfo_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("travel");

    QTest::newRow("short model") << 1 << "QUMA-S1A" << 6.0;
    QTest::newRow("long model") << 3 << "QUMA-L1A" << 13.0;
    QTest::newRow("unknown model") << 9 << "Null" << 100.0;
}

void TestTriParamWidget::deviceInfo()
{
    QFETCH(int, model);
    QFETCH(QString, name);
    QFETCH(double, travel);

    m_panel.reset();
    simReset();
    simUseManualClock(1);
    m_handle = simAttach("DRV-0002", model, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
    QCOMPARE(writeActuatorSerial(m_handle, "ACT-0042", 8), 0);
    m_panel.reset(new ControlWidget);
    m_dialog = m_panel->findChild<TriParamWidget *>();
    QVERIFY(m_dialog);
    StartPanel();

    QCOMPARE(W<QLabel>("lbActModel")->text(), name);
    QCOMPARE(W<QLabel>("lbActSerial")->text(), QStringLiteral("ACT-0042"));
    for (int io = 1; io <= 2; ++io) {
        auto *disp = W<QDoubleSpinBox>(QStringLiteral("dsbStep_%1").arg(io));
        QCOMPARE(disp->maximum(), travel);
        QCOMPARE(disp->minimum(), -100.0);
        disp->setValue(200);
        QCOMPARE(disp->value(), travel);
        disp->setValue(-100);
        QCOMPARE(disp->value(), -100.0);
    }
}

void TestTriParamWidget::manualModel_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("travel");

    QTest::newRow("first model") << 0 << "QUMA-S1A" << 6;
    QTest::newRow("last model") << 3 << "QUMA-L1B" << 13;
}

// The hand-picked model reaches the device, and every limit follows it.
void TestTriParamWidget::manualModel()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(int, travel);

    StartPanel();
    auto *btnDialog = m_panel->findChild<BtnParamWidget *>();
    QVERIFY(btnDialog);
    QSignalSpy models(m_panel.get(), &ControlWidget::SigSetActModel);

    W<QComboBox>("cbActModel")->setCurrentIndex(index);
    QTest::mouseClick(W<QPushButton>("pbSetActModel"), Qt::LeftButton);
    QCOMPARE(models.count(), 1);
    QCOMPARE(models.at(0).at(0).toInt(), index + 1);
    QTRY_VERIFY(Log().contains(QStringLiteral("手动设置促动器型号")));
    QCOMPARE(Calls({QStringLiteral("setActuatorModel"), QStringLiteral("writeActuatorModel")}),
             QStringList{QStringLiteral("setActuatorModel(%1, %2)").arg(m_handle).arg(index + 1)});

    QCOMPARE(W<QLabel>("lbActModel")->text(), name);
    QCOMPARE(W<QLabel>("lbActSerial")->text(), QStringLiteral("ACT-77"));
    QCOMPARE(W<QDoubleSpinBox>("dsbStep_1")->maximum(), double(travel));
    QCOMPARE(W<QDoubleSpinBox>("dsbStep_2")->maximum(), double(travel));
    QCOMPARE(Child<QDoubleSpinBox>(btnDialog, "dsbPos1")->maximum(), double(travel));
    QCOMPARE(m_panel->GetTravel(), travel);
}

void TestTriParamWidget::centredOverPanel()
{
    m_panel->move(40, 30);
    m_panel->ShowTriParam();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->pos(), m_panel->mapToGlobal(QPoint((800 - 525) / 2, (450 - 336) / 2)));
}

void TestTriParamWidget::dragByTitleStripOnly()
{
    m_dialog->move(300, 300);
    m_dialog->show();
    QCOMPARE(m_dialog->DragZone(), QRect(10, 10, 505, 40));

    const QPoint delta(-25, 15);
    const QPoint content = W<QLabel>("lbModelTitle")->mapTo(m_dialog, QPoint(3, 3));
    Mouse(m_dialog, QEvent::MouseButtonPress, content);
    Mouse(m_dialog, QEvent::MouseMove, content + delta);
    Mouse(m_dialog, QEvent::MouseButtonRelease, content + delta);
    QCOMPARE(m_dialog->pos(), QPoint(300, 300));

    const QPoint title = W<QLabel>("lbTitle")->mapTo(m_dialog, QPoint(3, 3));
    Mouse(m_dialog, QEvent::MouseButtonPress, title);
    Mouse(m_dialog, QEvent::MouseMove, title + delta);
    Mouse(m_dialog, QEvent::MouseButtonRelease, title + delta);
    QCOMPARE(m_dialog->pos(), QPoint(300, 300) + delta);
}

void TestTriParamWidget::languageChange()
{
    W<QComboBox>("cbTriMode_1")->setCurrentIndex(1);
    m_dialog->ShowDevInfo(GetActuatorModel(2), QStringLiteral("ACT-9"));
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(TEST_QM_FILE)));
    QCoreApplication::installTranslator(&translator);
    QTRY_COMPARE(W<QLabel>("lbTitle")->text(), QStringLiteral("Device settings"));
    QCOMPARE(W<QComboBox>("cbTriMode_1")->currentText(), QStringLiteral("Trigger output"));
    QCOMPARE(W<QLabel>("lbModelTitle")->text(), QStringLiteral("Actuator model:"));
    // Texts that come from the device survive the re-labelling.
    QCOMPARE(W<QLabel>("lbActModel")->text(), QStringLiteral("QUMA-S1B"));
    QCOMPARE(W<QLabel>("lbActSerial")->text(), QStringLiteral("ACT-9"));
    QCOMPARE(LineShows(m_dialog, 1), QStringLiteral("out"));

    QCoreApplication::removeTranslator(&translator);
    QTRY_COMPARE(W<QLabel>("lbTitle")->text(), QStringLiteral("设备配置"));
}

QTEST_MAIN(TestTriParamWidget)
#include "tst_triparamwidget.moc"
