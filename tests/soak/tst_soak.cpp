// Drives the real main window with six simulated devices for a bounded time:
// random clicks on the panels, popups confirmed with valid and invalid values,
// device dialogs, the add-device dialog, cables pulled and plugged back, and
// library calls that fail or hang. Afterwards nothing may have crashed, no two
// calls may have overlapped on a device, no panel may be left for a detached
// device, and devConfig.json must be sound with every value in range.
//
// SOAK_SECONDS sets the duration, SOAK_SEED repeats a run (the seed is printed).
#include "app/MainWidget.h"
#include "discovery/AddDevWidget.h"
#include "panel/BtnParamWidget.h"
#include "panel/ControlWidget.h"
#include "panel/TriParamWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/ParamBounds.h"
#include "tests/support/SimJournal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {

constexpr int kDevices = 6;

// Library functions failed at random: motion, polling, pushes, discovery.
const char *const kFaultable[] = {
    "move", "jog", "drive", "cruise", "restore", "stop", "setMotorEnable",
    "getPositon", "getWorkStatus", "getLeftJogTimes", "getLeftCruiseTimes",
    "setTargetPos", "setSpeed", "setAcc", "setJerk", "setJogStep", "setJogDelay",
    "setJogTimes", "setRelativePos", "setRelativePosEnable", "setCruiseBeginPos",
    "setCruiseEndPos", "setCruiseStopTime", "setCruiseTimes", "getBtnParam",
    "readActuatorModel", "readActuatorSerial", "setBtnSpeed", "setIO1TriggerMode",
    "scanDev", "openDev", "readDriverSerial", "closeDev",
};

// The offscreen platform warns on every frameless window it shows.
QtMessageHandler g_previousHandler = nullptr;

void DropPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

QString Serial(int i)
{
    return QStringLiteral("SOK 2024060100%1%2").arg(i / 10).arg(i % 10);
}

int DefaultSeconds()
{
#ifdef SOAK_SANITIZED
    return 20;
#else
    return 60;
#endif
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void soak();
    void cleanupTestCase();

private:
    void OpenAllDevices();
    void Step();
    void AnswerMessageBox();
    void DialogAction(AddDevWidget *dialog);
    void DeviceDialogAction(QWidget *dialog);
    void PanelAction(ControlWidget *panel);
    void PopupAction(ControlWidget *panel, QWidget *popup);
    void CableAction();
    void FaultAction();
    void CheckJournal();
    // Text to type into a popup field: mostly a value in range, sometimes not.
    QString FieldText(const QString &field, int travel, bool *valid);
    QList<ControlWidget *> Panels() const;
    QWidget *VisiblePopup(ControlWidget *panel) const;
    void Click(QAbstractButton *button);
    // Counts the action and keeps it in the recent history.
    void Note(const QString &action);
    // Keeps what led to the first overlap, for the failure message.
    void WatchOverlaps();
    int Pick(int n) { return int(m_rng.bounded(quint32(n))); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::unique_ptr<MainWidget> m_window;
    QRandomGenerator m_rng;
    QList<int> m_handles;
    QSet<int> m_detached;
    QMap<int, qint64> m_delayUntil;
    QSet<QString> m_injected;
    QElapsedTimer m_clock;
    QMap<QString, int> m_actions;
    QMap<QString, int> m_boxes;
    QStringList m_badPushes;
    int m_pushes = 0;
    qint64 m_nextJournalCheck = 0;
    int m_seconds = 0;
    QStringList m_history;
    QString m_firstOverlap;
};

void TestSoak::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(DropPlatformNoise);
    QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
    simReset();
    for (int i = 0; i < kDevices; ++i)
        m_handles << simAttach(qPrintable(Serial(i + 1)), i % 2 ? 3 : 1, 1);

    m_window.reset(new MainWidget);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    bool ok = false;
    quint32 seed = quint32(qEnvironmentVariable("SOAK_SEED").toUInt(&ok));
    if (!ok)
        seed = QRandomGenerator::global()->generate();
    m_rng.seed(seed);
    qInfo("soak seed %u (repeat with SOAK_SEED=%u)", seed, seed);
}

void TestSoak::OpenAllDevices()
{
    Click(m_window->findChild<QPushButton *>("pbAddDev"));
    auto *dialog = m_window->findChild<AddDevWidget *>();
    QVERIFY(dialog->isVisible());
    for (int i = 0; i < kDevices; ++i)
        Click(dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i)));
    Click(dialog->findChild<QPushButton *>("pbConfirm"));
    QCOMPARE(Panels().size(), kDevices);
}

void TestSoak::soak()
{
    OpenAllDevices();

    bool ok = false;
    int seconds = qEnvironmentVariableIntValue("SOAK_SECONDS", &ok);
    if (!ok || seconds <= 0)
        seconds = DefaultSeconds();
    m_seconds = seconds;

    // Message boxes run nested event loops: they are answered from a timer of
    // their own, like a user who reads and clicks.
    QTimer answerer;
    answerer.setInterval(15);
    connect(&answerer, &QTimer::timeout, this, &TestSoak::AnswerMessageBox);
    answerer.start();
    QTimer driver;
    driver.setInterval(4);
    connect(&driver, &QTimer::timeout, this, &TestSoak::Step);
    m_clock.start();
    driver.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_clock.elapsed() > seconds * 1000, (seconds + 120) * 1000);
    driver.stop();

    // The faults stop; hanging calls return; devices that stay unplugged
    // lose their panels.
    for (const QString &name : qAsConst(m_injected))
        simFailNext(qPrintable(name), 0);
    for (int h : qAsConst(m_handles))
        simSetCallDelay(h, 0);
    if (auto *dialog = m_window->findChild<AddDevWidget *>(); dialog->isVisible())
        Click(dialog->findChild<QPushButton *>("pbClose"));
    for (ControlWidget *panel : Panels()) {
        for (auto *dialog : panel->findChildren<BtnParamWidget *>())
            Click(dialog->findChild<QPushButton *>("pbClose"));
        for (auto *dialog : panel->findChildren<TriParamWidget *>())
            Click(dialog->findChild<QPushButton *>("pbClose"));
    }
    // A device unplugged and plugged back between two status reads keeps its
    // panel, while a scan in that moment dropped its entry: as an operator
    // would, scan and confirm once more so that panels follow the dialog.
    QTest::qWait(1000);
    if (!QApplication::activeModalWidget()) {
        Click(m_window->findChild<QPushButton *>("pbAddDev"));
        if (auto *dialog = m_window->findChild<AddDevWidget *>(); dialog->isVisible())
            Click(dialog->findChild<QPushButton *>("pbConfirm"));
    }
    // Panels, tabs and the dialog's checked devices agree, and no panel is
    // left for an unplugged device (a panel whose device went goes after its
    // failed status reads).
    QString state;
    auto consistent = [this, &state]() {
        state.clear();
        QSet<int> panels;
        for (ControlWidget *panel : Panels())
            panels.insert(panel->GetDevHandle());
        QSet<int> checked;
        for (const DevInfo &info : m_window->findChild<AddDevWidget *>()->GetCheckedDevs())
            checked.insert(info.handle);
        QSet<int> tabs;
        for (QPushButton *tab : m_window->findChild<QWidget *>("wgMenuBar")->findChildren<QPushButton *>()) {
            if (tab->objectName().startsWith("pbDev"))
                tabs.insert(tab->objectName().mid(5).toInt());
        }
        QDebug(&state) << "panels" << panels << "checked" << checked << "tabs" << tabs
                       << "unplugged" << m_detached;
        return !panels.intersects(m_detached) && panels == checked && panels == tabs
                && panels.size() == Panels().size();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(consistent(), qPrintable(state), 60000);
    answerer.stop();
    QVERIFY(!QApplication::activeModalWidget());

    qInfo() << "actions" << m_actions;
    qInfo() << "message boxes" << m_boxes;
    CheckJournal();
    qInfo() << "parameter pushes checked" << m_pushes << ", panels left" << Panels().size();
    QVERIFY2(m_badPushes.isEmpty(), qPrintable(m_badPushes.mid(0, 20).join('\n')));
    QVERIFY2(simOverlapTotal() == 0, qPrintable(m_firstOverlap));
    // Something of each kind happened.
    QVERIFY(m_actions.value("confirm valid") > 0);
    QVERIFY(m_actions.value("detach") > 0);
    int rangeWarnings = 0;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        rangeWarnings += it.key().contains(QStringLiteral("超出限制范围")) ? it.value() : 0;
    QVERIFY(rangeWarnings > 0);

    // Orderly exit: the store is written, every worker closes its device.
    m_window->close();
    m_window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_handles));
    QCOMPARE(simOverlapTotal(), 0);

    QFile file(QCoreApplication::applicationDirPath() + "/devConfig.json");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(!content.isEmpty());
    const QStringList problems = bounds::StoredProblems(content);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QVERIFY(QJsonDocument::fromJson(content).object().size() > 0);
}

void TestSoak::cleanupTestCase()
{
    m_window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_handles));
}

void TestSoak::CheckJournal()
{
    int pushes = 0;
    m_badPushes << bounds::OutOfRangePushes(bounds::Journal(), &pushes);
    m_pushes += pushes;
    simJournalClear();
}

QList<ControlWidget *> TestSoak::Panels() const
{
    return m_window->findChildren<ControlWidget *>();
}

QWidget *TestSoak::VisiblePopup(ControlWidget *panel) const
{
    for (const char *name : {"MoveParamWidget", "JogParamWidget", "DriveParamWidget", "CruiseCtrlWidget"}) {
        for (QWidget *w : panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (w->inherits(name) && w->isVisible())
                return w;
        }
    }
    return nullptr;
}

void TestSoak::Click(QAbstractButton *button)
{
    if (button && button->isVisible() && button->isEnabled())
        QTest::mouseClick(button, Qt::LeftButton);
}

void TestSoak::AnswerMessageBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    ++m_boxes[box->text().section('\n', 0, 0)];
    const QList<QAbstractButton *> buttons = box->buttons();
    if (!buttons.isEmpty())
        buttons.at(Pick(buttons.size()))->click();
}

void TestSoak::Note(const QString &action)
{
    ++m_actions[action];
    m_history << QStringLiteral("%1 ms: %2").arg(m_clock.elapsed()).arg(action);
    if (m_history.size() > 20)
        m_history.removeFirst();
}

void TestSoak::WatchOverlaps()
{
    if (!m_firstOverlap.isEmpty() || simOverlapTotal() == 0)
        return;
    QStringList journal = bounds::Journal();
    m_firstOverlap = QStringLiteral("first overlap after:\n%1\nlast library calls:\n%2")
                         .arg(m_history.join('\n'), journal.mid(journal.size() - 30).join('\n'));
}

void TestSoak::Step()
{
    WatchOverlaps();
    for (auto it = m_delayUntil.begin(); it != m_delayUntil.end();) {
        if (m_clock.elapsed() >= it.value()) {
            simSetCallDelay(it.key(), 0);
            it = m_delayUntil.erase(it);
        } else {
            ++it;
        }
    }
    if (m_clock.elapsed() >= m_nextJournalCheck) {
        CheckJournal();
        m_nextJournalCheck = m_clock.elapsed() + 1000;
    }

    QWidget *modal = QApplication::activeModalWidget();
    if (qobject_cast<QMessageBox *>(modal))
        return;
    // Cables and library faults do not wait for the operator; a cable is
    // pulled at least once however short the run.
    const int r = Pick(1000);
    if (r < 12 || (m_actions.value("detach") == 0 && m_clock.elapsed() > m_seconds * 1000 / 3)) {
        CableAction();
        return;
    }
    if (r < 50) {
        FaultAction();
        return;
    }
    if (auto *dialog = qobject_cast<AddDevWidget *>(modal)) {
        DialogAction(dialog);
        return;
    }
    if (modal) {
        DeviceDialogAction(modal);
        return;
    }
    if (r < 80) {
        Note("open add-device dialog");
        Click(m_window->findChild<QPushButton *>("pbAddDev"));
        return;
    }
    const QList<ControlWidget *> panels = Panels();
    if (panels.isEmpty()) {
        Note("open add-device dialog");
        Click(m_window->findChild<QPushButton *>("pbAddDev"));
        return;
    }
    PanelAction(panels.at(Pick(panels.size())));
}

void TestSoak::CableAction()
{
    QList<int> attached;
    for (int h : qAsConst(m_handles)) {
        if (!m_detached.contains(h))
            attached << h;
    }
    if (!m_detached.isEmpty() && (attached.size() < 4 || Chance(50))) {
        const QList<int> detached = m_detached.values();
        const int h = detached.at(Pick(detached.size()));
        Note("reattach");
        QCOMPARE(simReattach(h), 0);
        m_detached.remove(h);
    } else if (!attached.isEmpty()) {
        const int h = attached.at(Pick(attached.size()));
        Note("detach");
        QCOMPARE(simDetach(h), 0);
        m_detached.insert(h);
    }
}

void TestSoak::FaultAction()
{
    if (Chance(40)) {
        const int h = m_handles.at(Pick(m_handles.size()));
        Note("hang");
        simSetCallDelay(h, 50 + Pick(451));
        m_delayUntil[h] = m_clock.elapsed() + 300 + Pick(2700);
        return;
    }
    const char *name = kFaultable[Pick(int(sizeof kFaultable / sizeof kFaultable[0]))];
    Note("fail");
    m_injected.insert(QLatin1String(name));
    simFailNext(name, 1 + Pick(3));
}

void TestSoak::DialogAction(AddDevWidget *dialog)
{
    const int r = Pick(100);
    if (r < 55) {
        // Mostly devices not open yet, so that most panels stay.
        Note("dialog toggle");
        QList<QPushButton *> on;
        QList<QPushButton *> off;
        for (int i = 0; i < kDevices; ++i) {
            auto *button = dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i));
            if (button->isVisible())
                (button->isChecked() ? on : off) << button;
        }
        QList<QPushButton *> &from = off.isEmpty() || (!on.isEmpty() && Chance(25)) ? on : off;
        if (!from.isEmpty()) {
            QPushButton *button = from.at(Pick(from.size()));
            Note(button->text());
            Click(button);
        }
    } else if (r < 70) {
        Note("dialog scan");
        Click(dialog->findChild<QPushButton *>("pbScanDev"));
    } else if (r < 92) {
        Note("dialog confirm");
        Click(dialog->findChild<QPushButton *>("pbConfirm"));
    } else {
        Note("dialog close");
        Click(dialog->findChild<QPushButton *>("pbClose"));
    }
}

void TestSoak::DeviceDialogAction(QWidget *dialog)
{
    const QPointer<QWidget> alive(dialog);
    const int r = Pick(100);
    if (r < 50) {
        Note("device dialog edit");
        for (auto *box : dialog->findChildren<QDoubleSpinBox *>()) {
            if (Chance(30))
                box->setValue(box->minimum() + (box->maximum() - box->minimum()) * m_rng.generateDouble());
        }
        for (auto *box : dialog->findChildren<QSpinBox *>()) {
            if (Chance(30))
                box->setValue(box->minimum() + Pick(qMin(box->maximum() - box->minimum(), 1000) + 1));
        }
        for (auto *box : dialog->findChildren<QComboBox *>()) {
            if (box->objectName() != "cbActModel" && Chance(30))
                box->setCurrentIndex(Pick(box->count()));
        }
    } else if (r < 75) {
        Note("device dialog confirm");
        Click(dialog->findChild<QPushButton *>("pbConfirm"));
    } else if (r < 80) {
        Note("manual model");
        if (auto *model = dialog->findChild<QComboBox *>("cbActModel")) {
            model->setCurrentIndex(Pick(model->count()));
            Click(dialog->findChild<QPushButton *>("pbSetActModel"));
        }
    } else if (r < 88) {
        Note("device dialog restore");
        Click(dialog->findChild<QPushButton *>("pbRestore"));
    } else {
        Note("device dialog close");
        Click(dialog->findChild<QPushButton *>("pbClose"));
    }
}

void TestSoak::PanelAction(ControlWidget *panel)
{
    if (QWidget *popup = VisiblePopup(panel); popup && Chance(85)) {
        PopupAction(panel, popup);
        return;
    }
    static const char *const motion[] = {"pbMove", "pbJogLeft", "pbJogRight", "pbDriveLeft",
                                         "pbDriveRight", "pbHome", "pbStop", "pbEnable"};
    static const char *const toggles[] = {"pbMoveParam", "pbJogParam", "pbDriveParam", "pbSetting"};
    const int r = Pick(100);
    if (r < 45) {
        const char *name = motion[Pick(8)];
        Note(name);
        Click(panel->findChild<QPushButton *>(name));
    } else if (r < 85) {
        Note("popup toggle");
        Click(panel->findChild<QPushButton *>(toggles[Pick(4)]));
    } else if (r < 97) {
        // Clicking elsewhere deactivates an open popup.
        Note("click away");
        QApplication::setActiveWindow(m_window.get());
    } else {
        Note("close panel");
        Click(panel->findChild<QPushButton *>("pbRemove"));
    }
}

QString TestSoak::FieldText(const QString &field, int travel, bool *valid)
{
    *valid = Chance(75);
    auto decimal = [this](double lo, double hi) {
        return QString::number(lo + (hi - lo) * m_rng.generateDouble(), 'f', Pick(7));
    };
    auto integer = [this](int lo, int hi) { return QString::number(lo + Pick(hi - lo + 1)); };
    if (!*valid) {
        static const char *const bad[] = {"-1", "-0.5", "0", "16777216", "999", "100.000001",
                                          "2.01", "10.5", "19", "", "-", "0.0000001", "1000000000"};
        return QLatin1String(bad[Pick(int(sizeof bad / sizeof bad[0]))]);
    }
    if (field == "lePosition" || field == "leCruiseBeginPos" || field == "leCruiseEndPos")
        return decimal(0, travel);
    if (field == "leJogStep" || field == "leOffset")
        return Chance(10) ? QStringLiteral("0.000001") : decimal(0.01, travel);
    if (field == "leSpeed")
        return Chance(10) ? QStringLiteral("2") : decimal(0.05, 2);
    if (field == "leAcc")
        return Chance(10) ? QStringLiteral("10") : decimal(0.05, 10);
    if (field == "leJerk")
        return integer(0, 18);
    if (field == "leJogDelay" || field == "leCruiseStopTime")
        return Chance(3) ? QStringLiteral("16777215") : integer(1, 300);
    return Chance(3) ? QStringLiteral("16777215") : integer(1, 4);
}

void TestSoak::PopupAction(ControlWidget *panel, QWidget *popup)
{
    const int r = Pick(100);
    if (r < 8) {
        Note("popup restore");
        Click(popup->findChild<QPushButton *>("pbRestore"));
        return;
    }
    if (r < 14 && popup->inherits("CruiseCtrlWidget")) {
        Note("open device dialog");
        Click(popup->findChild<QPushButton *>(Chance(50) ? "pbBtnParam" : "pbDevParam"));
        return;
    }
    // Typed as a user types: the field's validator takes what it accepts.
    bool anyInvalid = false;
    for (QLineEdit *edit : popup->findChildren<QLineEdit *>()) {
        if (!Chance(50))
            continue;
        bool valid = true;
        const QString text = FieldText(edit->objectName(), panel->GetTravel(), &valid);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        anyInvalid = anyInvalid || !valid;
    }
    for (QCheckBox *box : popup->findChildren<QCheckBox *>()) {
        if (Chance(30))
            box->toggle();
    }
    Note(anyInvalid ? "confirm invalid" : "confirm valid");
    Click(popup->findChild<QPushButton *>("pbConfirm"));
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
