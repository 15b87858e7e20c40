// A long random operator session on six simulated devices: panel buttons, popups
// confirmed with values in and out of range, dialogs, cables pulled and plugged
// back, library calls failing or hanging. Nothing crashes, no two calls overlap
// on a device, no parameter is pushed out of range, panels, tabs and the dialog
// agree with no panel left for an unplugged device; devConfig.json is sound.
// SOAK_SECONDS sets the duration, SOAK_SEED repeats a run (the seed is printed).
#include "tests/support/AppHarness.h"
#include "tests/support/ParamBounds.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QLineEdit>
#include <QRandomGenerator>

using namespace harness;

class TestSoak : public QObject
{
    Q_OBJECT

private:
    int Pick(int n) { return int(m_rng.bounded(quint32(n))); }
    bool Chance(int percent) { return Pick(100) < percent; }
    void Click(QAbstractButton *button, const QString &action)
    {
        ++m_actions[action];
        if (button && button->isVisible() && button->isEnabled())
            QTest::mouseClick(button, Qt::LeftButton);
    }
    void ClickAny(QWidget *root, const QString &action) // any button but a panel's close
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

    App m_app;
    QRandomGenerator m_rng;
    QSet<int> m_detached;
    QSet<QString> m_failing;
    QMap<QString, int> m_actions;
    QStringList m_badPushes;
    int m_pushes = 0;

private slots:
    void soak()
    {
        QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
        bool ok = false;
        quint32 seed = qEnvironmentVariable("SOAK_SEED").toUInt(&ok);
        m_rng.seed(seed = ok ? seed : QRandomGenerator::global()->generate());
        qInfo("soak seed %u (repeat with SOAK_SEED=%u)", seed, seed);
        const int seconds = qEnvironmentVariableIsSet("SOAK_SECONDS") ? qEnvironmentVariableIntValue("SOAK_SECONDS") : 40;
        m_app = Start(6);
        MainWidget *window = m_app.window.get();
        BoxAnswerer boxes(QStringLiteral("确认"));
        QCOMPARE(OpenPanels(window, 6).size(), 6);

        QTimer driver;
        connect(&driver, &QTimer::timeout, this, &TestSoak::Step);
        driver.start(4);
        QTimer checker;
        connect(&checker, &QTimer::timeout, this, &TestSoak::CheckJournal);
        checker.start(1000);
        QTimer::singleShot(seconds * 300, this, [this] { // a cable is pulled however short the run
            if (m_detached.isEmpty())
                CableOrFault(true);
        });
        QTest::qWait(seconds * 1000);
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
        QVERIFY(WaitIdle(Dialog(window)));
        Click(Dialog(window)->findChild<QPushButton *>("pbConfirm"), "end");
        QString state;
        auto consistent = [&]() {
            QSet<int> panels, checked, tabs;
            for (ControlWidget *panel : Panels(window))
                panels.insert(panel->GetDevHandle());
            for (const DevInfo &info : Dialog(window)->GetCheckedDevs())
                checked.insert(info.handle);
            for (QPushButton *tab : window->findChild<QWidget *>("wgMenuBar")->findChildren<QPushButton *>())
                if (tab->objectName().startsWith("pbDev"))
                    tabs.insert(tab->objectName().mid(5).toInt());
            state.clear();
            QDebug(&state) << "panels" << panels << "checked" << checked << "tabs" << tabs << "unplugged" << m_detached;
            return !panels.intersects(m_detached) && panels == checked && panels == tabs
                   && panels.size() == Panels(window).size();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(consistent(), qPrintable(state), 60000);
        QVERIFY(!QApplication::activeModalWidget());
        CheckJournal();
        qInfo() << "actions" << m_actions << "pushes checked" << m_pushes;
        QVERIFY2(m_badPushes.isEmpty(), qPrintable(m_badPushes.mid(0, 20).join('\n')));
        QCOMPARE(simOverlapTotal(), 0);
        // Some values were refused, others pushed beyond the initial pushes; a cable was pulled.
        QVERIFY(!boxes.texts.filter(QStringLiteral("超出限制范围")).isEmpty() && m_pushes > 6 * 13 * 2 && m_actions["detach"]);

        // Orderly exit: every worker closes its device, the store is written.
        m_app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(m_app.handles));
        QCOMPARE(simOverlapTotal(), 0);
        QFile file(QCoreApplication::applicationDirPath() + "/devConfig.json");
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QVERIFY2(bounds::StoredProblems(content).isEmpty() && !QJsonDocument::fromJson(content).object().isEmpty(), content);
    }

private:
    void Step()
    {
        QWidget *modal = QApplication::activeModalWidget();
        const QList<ControlWidget *> panels = Panels(m_app.window.get());
        const int r = Pick(1000);
        if (r < 50) { // cables and faults do not wait for the operator
            CableOrFault(r < 12);
        } else if (modal && !qobject_cast<QMessageBox *>(modal)) { // a dialog: a button, maybe after edits
            for (QAbstractSpinBox *box : modal->findChildren<QAbstractSpinBox *>())
                if (Chance(10))
                    box->stepBy(Pick(2001) - 1000);
            ClickAny(modal, modal->objectName());
        } else if (!modal) {
            if (r < 80 || panels.isEmpty())
                Click(m_app.window->findChild<QPushButton *>("pbAddDev"), "open add-device dialog");
            else
                PanelAction(panels.at(Pick(panels.size())));
        }
    }

    void CableOrFault(bool cable)
    {
        const int h = m_app.handles.at(Pick(m_app.handles.size()));
        if (cable && (m_detached.contains(h) || m_detached.size() < 3)) { // half of the devices stay at least
            const bool back = m_detached.contains(h);
            ++m_actions[back ? "reattach" : "detach"];
            QCOMPARE(back ? simReattach(h) : simDetach(h), 0);
            back ? void(m_detached.remove(h)) : void(m_detached.insert(h));
        } else if (!cable && Chance(40)) {
            simSetCallDelay(h, 50 + Pick(451));
            QTimer::singleShot(300 + Pick(2700), this, [h] { simSetCallDelay(h, 0); });
        } else if (!cable) { // a function the program has just called fails its next calls
            const QStringList calls = simjournal::Journal(qMax(0, simJournalSize() - 50));
            const QString name = calls.isEmpty() ? QStringLiteral("scanDev") : calls.at(Pick(calls.size())).section('(', 0, 0);
            ++m_actions["fail " + name];
            m_failing << name;
            simFailNext(qPrintable(name), 1 + Pick(3));
        }
    }

    // Mostly a value in range, sometimes not.
    QString FieldText(const QString &field, int travel)
    {
        static const char *const bad[] = {"-1", "0", "16777216", "100.000001", "2.01", "10.5", "19", "", "0.0000001"};
        static const QMap<QString, double> highest = {{"leSpeed", 2}, {"leAcc", 10}, {"lePosition", 0}, {"leJogStep", 0},
                                                      {"leOffset", 0}, {"leCruiseBeginPos", 0}, {"leCruiseEndPos", 0}};
        if (Chance(25))
            return QLatin1String(bad[Pick(9)]);
        if (field == "leJerk" || !highest.contains(field)) // counts and times
            return QString::number(field == "leJerk" ? Pick(19) : Chance(3) ? 16777215 : 1 + Pick(field.endsWith("Times") ? 4 : 300));
        const double hi = highest.value(field) > 0 ? highest.value(field) : travel;
        return QString::number(Chance(10) ? hi : 0.05 + (hi - 0.05) * m_rng.generateDouble(), 'f', 1 + Pick(6));
    }

    void PanelAction(ControlWidget *panel)
    {
        QWidget *popup = nullptr;
        for (const char *name : {"MoveParamWidget", "JogParamWidget", "DriveParamWidget", "CruiseCtrlWidget"})
            if (QWidget *w = panel->findChild<QWidget *>(name); w && w->isVisible())
                popup = w;
        if (popup && Chance(85)) {
            // Typed as a user types: the field's validator takes what it accepts.
            for (QLineEdit *edit : popup->findChildren<QLineEdit *>()) {
                if (Chance(50)) {
                    edit->selectAll();
                    QTest::keyClick(edit, Qt::Key_Backspace);
                    QTest::keyClicks(edit, FieldText(edit->objectName(), panel->GetTravel()));
                }
            }
            for (QCheckBox *box : popup->findChildren<QCheckBox *>())
                if (Chance(30))
                    box->toggle();
            return Chance(86) ? Click(popup->findChild<QPushButton *>("pbConfirm"), "confirm") : ClickAny(popup, "popup");
        }
        if (Chance(12)) // clicking elsewhere deactivates an open popup
            return QApplication::setActiveWindow(m_app.window.get());
        Chance(3) ? Click(panel->findChild<QPushButton *>("pbRemove"), "close panel") : ClickAny(panel, "panel");
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
