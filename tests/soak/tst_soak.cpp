// A long random operator session on six simulated devices: panel buttons,
// popups confirmed with values in and out of range, device dialogs, the
// add-device dialog, cables pulled and plugged back, library calls failing or
// hanging. Afterwards nothing crashed, no two calls overlapped on a device, no
// parameter was pushed out of range, panels, tabs and the dialog agree with
// no panel left for an unplugged device, and devConfig.json is sound.
// SOAK_SECONDS sets the duration, SOAK_SEED repeats a run (the seed is printed).
#include "tests/support/AppHarness.h"
#include "tests/support/ParamBounds.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>

constexpr int kDevices = 6;

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void soak();

private:
    void Step();
    void CableOrFault(bool cable);
    void DialogAction(QWidget *dialog);
    void PanelAction(ControlWidget *panel);
    QString FieldText(const QString &field, int travel, bool *valid);
    int Pick(int n) { return int(m_rng.bounded(quint32(n))); }
    bool Chance(int percent) { return Pick(100) < percent; }
    void Click(QAbstractButton *button, const QString &action)
    {
        ++m_actions[action];
        if (button && button->isVisible() && button->isEnabled())
            QTest::mouseClick(button, Qt::LeftButton);
    }
    void ClickAny(QWidget *root, const QString &action) // but closing a panel
    {
        QList<QPushButton *> buttons;
        for (QPushButton *button : root->findChildren<QPushButton *>())
            if (button->isVisible() && button->isEnabled() && button->objectName() != "pbRemove")
                buttons << button;
        if (!buttons.isEmpty())
            Click(buttons.at(Pick(buttons.size())), action);
    }
    void CheckJournal() // the journal keeps only the last calls
    {
        m_badPushes << bounds::BadPushes(simjournal::Journal(), m_pushes);
        simJournalClear();
    }

    harness::App m_app;
    QRandomGenerator m_rng;
    QSet<int> m_detached;
    QSet<QString> m_failing;
    QElapsedTimer m_clock;
    QMap<QString, int> m_actions;
    QStringList m_badPushes;
    QString m_firstOverlap;
    int m_pushes = 0;
    qint64 m_nextCheck = 0;
};

void TestSoak::soak()
{
    QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
    bool ok = false;
    quint32 seed = qEnvironmentVariable("SOAK_SEED").toUInt(&ok);
    seed = ok ? seed : QRandomGenerator::global()->generate();
    m_rng.seed(seed);
    qInfo("soak seed %u (repeat with SOAK_SEED=%u)", seed, seed);
    const int seconds = qEnvironmentVariableIsSet("SOAK_SECONDS") ? qEnvironmentVariableIntValue("SOAK_SECONDS") : 40;
    m_app = harness::Start(kDevices);
    MainWidget *window = m_app.window.get();
    harness::BoxAnswerer boxes(QStringLiteral("确认"));
    QCOMPARE(harness::OpenPanels(window, kDevices).size(), kDevices);

    QTimer driver;
    connect(&driver, &QTimer::timeout, this, &TestSoak::Step);
    m_clock.start();
    driver.start(4);
    // A cable is pulled at least once however short the run.
    QTimer::singleShot(seconds * 300, this, [this] { CableOrFault(true); });
    QTRY_VERIFY_WITH_TIMEOUT(m_clock.elapsed() > seconds * 1000, (seconds + 120) * 1000);
    driver.stop();

    // The faults stop, hanging calls return, dialogs are closed; then a scan
    // and confirm, as an operator would, so that panels follow the devices.
    for (const QString &name : qAsConst(m_failing))
        simFailNext(qPrintable(name), 0);
    for (int h : qAsConst(m_app.handles))
        simSetCallDelay(h, 0);
    for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
        if (!qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            Click(QApplication::activeModalWidget()->findChild<QPushButton *>("pbClose"), "end");
        QTest::qWait(200);
    }
    Click(window->findChild<QPushButton *>("pbAddDev"), "end");
    Click(harness::Dialog(window)->findChild<QPushButton *>("pbConfirm"), "end");
    QString state;
    auto consistent = [&]() {
        QSet<int> panels, checked, tabs;
        for (ControlWidget *panel : harness::Panels(window))
            panels.insert(panel->GetDevHandle());
        for (const DevInfo &info : harness::Dialog(window)->GetCheckedDevs())
            checked.insert(info.handle);
        for (QPushButton *tab : window->findChild<QWidget *>("wgMenuBar")->findChildren<QPushButton *>())
            if (tab->objectName().startsWith("pbDev"))
                tabs.insert(tab->objectName().mid(5).toInt());
        state.clear();
        QDebug(&state) << "panels" << panels << "checked" << checked << "tabs" << tabs << "unplugged" << m_detached;
        return !panels.intersects(m_detached) && panels == checked && panels == tabs
               && panels.size() == harness::Panels(window).size();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(consistent(), qPrintable(state), 60000);
    QVERIFY(!QApplication::activeModalWidget());
    CheckJournal();
    qInfo() << "actions" << m_actions << "pushes checked" << m_pushes;
    QVERIFY2(m_badPushes.isEmpty(), qPrintable(m_badPushes.mid(0, 20).join('\n')));
    QVERIFY2(simOverlapTotal() == 0, qPrintable(m_firstOverlap));
    QVERIFY(m_actions.value("confirm valid") > 0 && m_actions.value("detach") > 0);
    QVERIFY(!boxes.texts.filter(QStringLiteral("超出限制范围")).isEmpty());

    // Orderly exit: every worker closes its device, the store is written.
    m_app.window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_app.handles));
    QCOMPARE(simOverlapTotal(), 0);
    QFile file(QCoreApplication::applicationDirPath() + "/devConfig.json");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY2(bounds::StoredProblems(content).isEmpty(), qPrintable(bounds::StoredProblems(content).join('\n')));
    QVERIFY(!QJsonDocument::fromJson(content).object().isEmpty());
}

void TestSoak::Step()
{
    if (m_firstOverlap.isEmpty() && simOverlapTotal() > 0)
        m_firstOverlap = "last calls at the first overlap:\n" + simjournal::Journal(simJournalSize() - 30).join('\n');
    if (m_clock.elapsed() >= m_nextCheck) {
        CheckJournal();
        m_nextCheck = m_clock.elapsed() + 1000;
    }
    QWidget *modal = QApplication::activeModalWidget();
    const QList<ControlWidget *> panels = harness::Panels(m_app.window.get());
    const int r = Pick(1000);
    if (r < 50) // cables and faults do not wait for the operator
        CableOrFault(r < 12);
    else if (qobject_cast<QMessageBox *>(modal))
        return;
    else if (modal)
        DialogAction(modal);
    else if (r < 80 || panels.isEmpty())
        Click(m_app.window->findChild<QPushButton *>("pbAddDev"), "open add-device dialog");
    else
        PanelAction(panels.at(Pick(panels.size())));
}

void TestSoak::CableOrFault(bool cable)
{
    if (cable) {
        QList<int> attached;
        for (int h : qAsConst(m_app.handles))
            if (!m_detached.contains(h))
                attached << h;
        const bool back = !m_detached.isEmpty() && (attached.size() < 4 || Chance(50));
        const QList<int> from = back ? m_detached.values() : attached;
        const int h = from.at(Pick(from.size()));
        ++m_actions[back ? "reattach" : "detach"];
        QCOMPARE(back ? simReattach(h) : simDetach(h), 0);
        back ? void(m_detached.remove(h)) : void(m_detached.insert(h));
    } else if (Chance(40)) {
        const int h = m_app.handles.at(Pick(kDevices));
        ++m_actions["hang"];
        simSetCallDelay(h, 50 + Pick(451));
        QTimer::singleShot(300 + Pick(2700), this, [h] { simSetCallDelay(h, 0); });
    } else {
        // A function the program has just called fails its next calls.
        const QStringList calls = simjournal::Journal(qMax(0, simJournalSize() - 50));
        const QString name = calls.isEmpty() ? QStringLiteral("scanDev") : calls.at(Pick(calls.size())).section('(', 0, 0);
        m_failing << name;
        ++m_actions["fail"];
        simFailNext(qPrintable(name), 1 + Pick(3));
    }
}

// The add-device dialog or a device dialog: a button, sometimes after editing fields.
void TestSoak::DialogAction(QWidget *dialog)
{
    for (QAbstractSpinBox *box : dialog->findChildren<QAbstractSpinBox *>())
        if (Chance(10))
            box->stepBy(Pick(2001) - 1000);
    for (QComboBox *box : dialog->findChildren<QComboBox *>())
        if (Chance(10))
            box->setCurrentIndex(Pick(box->count()));
    ClickAny(dialog, dialog->objectName());
}

// Mostly a value in range, sometimes not.
QString TestSoak::FieldText(const QString &field, int travel, bool *valid)
{
    static const char *const bad[] = {"-1", "0", "16777216", "100.000001", "2.01", "10.5", "19", "", "0.0000001"};
    static const QMap<QString, double> highest = {{"leSpeed", 2}, {"leAcc", 10}, {"lePosition", 0}, {"leJogStep", 0},
                                                  {"leOffset", 0}, {"leCruiseBeginPos", 0}, {"leCruiseEndPos", 0}};
    if (!(*valid = Chance(75)))
        return QLatin1String(bad[Pick(9)]);
    if (field == "leJerk" || !highest.contains(field))
        return QString::number(field == "leJerk" ? Pick(19) : Chance(3) ? 16777215 : 1 + Pick(field.endsWith("Times") ? 4 : 300));
    const double hi = highest.value(field) > 0 ? highest.value(field) : travel;
    return QString::number(Chance(10) ? hi : 0.05 + (hi - 0.05) * m_rng.generateDouble(), 'f', 1 + Pick(6));
}

void TestSoak::PanelAction(ControlWidget *panel)
{
    QWidget *popup = nullptr;
    for (const char *name : {"MoveParamWidget", "JogParamWidget", "DriveParamWidget", "CruiseCtrlWidget"})
        if (QWidget *w = panel->findChild<QWidget *>(name); w && w->isVisible())
            popup = w;
    if (popup && Chance(85)) {
        // Typed as a user types: the field's validator takes what it accepts.
        bool allValid = true;
        for (QLineEdit *edit : popup->findChildren<QLineEdit *>()) {
            bool valid = true;
            const QString text = FieldText(edit->objectName(), panel->GetTravel(), &valid);
            if (Chance(50)) {
                edit->selectAll();
                QTest::keyClick(edit, Qt::Key_Backspace);
                QTest::keyClicks(edit, text);
                allValid = allValid && valid;
            }
        }
        for (QCheckBox *box : popup->findChildren<QCheckBox *>())
            if (Chance(30))
                box->toggle();
        if (Chance(86))
            return Click(popup->findChild<QPushButton *>("pbConfirm"), allValid ? "confirm valid" : "confirm invalid");
        return ClickAny(popup, "popup");
    }
    if (Chance(12)) {
        ++m_actions["click away"]; // deactivates an open popup
        return QApplication::setActiveWindow(m_app.window.get());
    }
    Chance(3) ? Click(panel->findChild<QPushButton *>("pbRemove"), "close panel") : ClickAny(panel, "panel");
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
