// The device worker against the simulated library: what it sends, refuses and reports.
#include "device/SerialComDev.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QtTest>

#include <functional>

namespace {

using simjournal::Journal;

bool Called(const QString &name) { return !simjournal::Calls({name + '('}).isEmpty(); }

// Log lines without their "hh:mm:ss\n" time stamp.
QStringList Lines(const QSignalSpy &spy)
{
    QStringList lines;
    for (const QList<QVariant> &args : spy)
        lines << args.at(0).toString().mid(9);
    return lines;
}

int Outcome(const QSignalSpy &spy) { return spy.isEmpty() ? -1 : spy.last().at(3).toInt(); }

using Command = std::function<void(SerialComDev &)>;
struct Case { const char *name; Command run; QString calls; }; // H in calls: the handle

// Each command or push sends exactly these calls.
const QList<Case> kCases = {
    {"home", [](SerialComDev &w) { w.Home(); }, "restore(H)"},
    {"jog right", [](SerialComDev &w) { w.JogRight(); }, "jog(H, 0)"},
    {"jog left", [](SerialComDev &w) { w.JogLeft(); }, "jog(H, 1)"},
    {"drive left", [](SerialComDev &w) { w.DriveLeft(); }, "drive(H, 1)"},
    {"move speed", [](SerialComDev &w) { w.ParamChanged(OpSetMoveParam, 0x02); }, "setSpeed(H, 1.25)"},
    {"jog delay", [](SerialComDev &w) { w.ParamChanged(OpSetJogParam, 0x02); }, "setJogDelay(H, 300)"},
    {"drive enable, acc", [](SerialComDev &w) { w.ParamChanged(OpSetDriveParam, 0x0a); },
     "setRelativePosEnable(H, 1)|setAcc(H, 0.5)"},
    {"cruise end", [](SerialComDev &w) { w.ParamChanged(OpCruise, 0x02); }, "setCruiseEndPos(H, 3.25)|cruise(H)"},
    {"button pos2", [](SerialComDev &w) { w.ParamChanged(OpSetBtnParam, 0x10); }, "setBtnPos2(H, 4.5)"},
    {"trigger: IO1 out, IO2 in", [](SerialComDev &w) { w.ParamChanged(OpSetTriParam, 0); },
     "setIO1TriggerMode(H, 2)|setTriggerOutMode(H, 1)|setTriggerOutCondition(H, 2)|setTriggerTime(H, 30)|"
     "setIO2TriggerMode(H, 1)|setTriggerInMode(H, 2)|setIO2TriggerInDisp(H, 0.5)"},
};

} // namespace

class TestSerialComDev : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        simReset();
        simUseManualClock(1);
        m_handle = simAttach("DRV-0001", 3, 1); // 13 mm of travel
        QVERIFY(m_handle > 0 && openDev(m_handle) == 0);
        QCOMPARE(writeActuatorSerial(m_handle, "ACT-77", 6), 0);
        simJournalClear();
    }

    // Nothing is sent before init. Init pushes the stored groups (jerk as 0
    // while the S-curve is off), then reads the button parameters, model and serial.
    void initParam()
    {
        SerialComDev worker;
        worker.SetDevHandle(m_handle);
        worker.Move();
        worker.ParamChanged(OpSetMoveParam, 0xff);
        QCOMPARE(Journal(), QStringList());

        worker.SetAllParams({5.5, 1.25f, 0.5f, 7, false}, {0.125, 300, 3}, {0.75, 1.25f, 0.5f, true}, {1.5, 3.25, 200, 2});
        QCOMPARE(setBtnPos2(m_handle, 4.25), 0);
        simJournalClear();
        QSignalSpy inited(&worker, &SerialComDev::SigParamInited);
        worker.InitParam();
        const QString pushes = "setTargetPos(H, 5.5)|setSpeed(H, 1.25)|setAcc(H, 0.5)|setJerk(H, 0)|"
                               "setJogStep(H, 0.125)|setJogDelay(H, 300)|setJogTimes(H, 3)|setRelativePos(H, 0.75)|"
                               "setRelativePosEnable(H, 1)|setCruiseBeginPos(H, 1.5)|setCruiseEndPos(H, 3.25)|"
                               "setCruiseStopTime(H, 200)|setCruiseTimes(H, 2)";
        QCOMPARE(Journal().mid(0, 13), Call(pushes).split('|'));
        QCOMPARE(inited.value(0).value(0).toInt(), 3);
        QCOMPARE(worker.GetActuatorSerial(), QStringLiteral("ACT-77"));
        QCOMPARE(worker.CopyBtnParam().pos2, 4.25);
    }

    void sendsExactly_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < kCases.size(); ++i)
            QTest::newRow(kCases[i].name) << i;
    }

    void sendsExactly()
    {
        QFETCH(int, index);
        SerialComDev worker;
        Start(worker);
        worker.SetTriParam({2, 1, 9.0, 9.0, 1, 2, 30}, {1, 2, 9.0, 0.5, 1, 1, 1});
        QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
        kCases[index].run(worker);
        QCOMPARE(Journal().join('|'), Call(kCases[index].calls));
        QCOMPARE(Outcome(msgs), int(OutcomeSuccess));
    }

    // A refused field goes back to what the device holds, in move and drive
    // alike (they share speed and acceleration), and no other group with it; a
    // cruise whose positions were refused is not started.
    void refusedPushRestoresDeviceValues()
    {
        SerialComDev worker;
        Start(worker);
        QSignalSpy refused(&worker, &SerialComDev::SigParamRefused);
        worker.SetMoveParam({5.5, 1.75f, 0.75f, 7, true});
        worker.SetJogParam({0.5, 300, 3}); // its push still to come
        simFailNext("setSpeed", 1);
        worker.ParamChanged(OpSetMoveParam, 0x06);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(worker.CopyMoveParam().Speed, 1.25f);
        QCOMPARE(worker.CopyDriveParam().Speed, 1.25f);
        QCOMPARE(worker.CopyJogParam().Step, 0.5);

        worker.SetCruiseParam({1.5, 4.0, 200, 2});
        simFailNext("setCruiseEndPos", 1);
        worker.ParamChanged(OpCruise, 0x02);
        QVERIFY(!Called("cruise"));
        QCOMPARE(worker.CopyCruiseParam().EndPos, 3.25);
    }

    void travelBound_data()
    {
        QTest::addColumn<double>("mm");
        QTest::newRow("at the travel") << 6.0;
        QTest::newRow("beyond") << 6.001;
    }

    // With a 6 mm model chosen, a move target, jog step, cruise position or
    // button step of 6 mm is acted on; one beyond is refused: nothing sent, a
    // failure logged, the cruise held again as the device has it.
    void travelBound()
    {
        QFETCH(double, mm);
        SerialComDev worker;
        Start(worker);
        worker.SetManualModel(1);
        worker.SetMoveParam({mm, 1.25f, 0.5f, 0, false});
        worker.SetJogParam({mm, 300, 1});
        worker.SetCruiseParam({1.0, mm, 200, 1});
        worker.SetBtnParam({0.5f, 1, mm, 1.0, 2.0, 3, 2, 10});
        worker.ParamChanged(OpSetMoveParam, 0x01);
        worker.ParamChanged(OpSetJogParam, 0x01);
        simJournalClear();
        QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
        worker.Move();
        worker.JogRight();
        worker.ParamChanged(OpCruise, 0x02);
        worker.ParamChanged(OpSetBtnParam, 0x04);
        for (const char *call : {"move", "jog", "cruise", "setBtnJogStep"})
            QVERIFY2(Called(call) == (mm <= 6.0), call);
        QCOMPARE(msgs.size(), 4);
        for (const QList<QVariant> &msg : msgs)
            QCOMPARE(msg.at(3).toInt(), int(mm <= 6.0 ? OutcomeSuccess : OutcomeFailure));
        QCOMPARE(worker.CopyCruiseParam().EndPos, mm <= 6.0 ? mm : 3.25);
    }

    // The first position read (0 too), then past the threshold only; status
    // when a shown bit changed only, the word whenever it changed; a limit
    // line when the limit is reached, not while it is held.
    void pollSignalsChanges()
    {
        SerialComDev worker;
        Start(worker);
        QSignalSpy pos(&worker, &SerialComDev::SigPosChanged);
        QSignalSpy status(&worker, &SerialComDev::SigStatusChanged);
        QSignalSpy words(&worker, &SerialComDev::SigStatusWordChanged);
        PollAt(worker, {0.0, 0.0, 2.0, 2.0 + 2e-7, 2.0 + 5e-7});
        QCOMPARE(pos.count(), 3);
        QCOMPARE(pos.at(0).at(0).toDouble(), 0.0);
        QCOMPARE(pos.at(2).at(0).toDouble(), 2.0 + 5e-7);
        QCOMPARE(status.count(), 1); // the limit left at 2 mm is not shown
        simSetControlDisabled(m_handle, 1);
        Poll(worker, 2);
        QCOMPARE(status.count(), 2);
        QVERIFY(status.at(1).at(3).toBool());
        QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
        PollAt(worker, {0.0, 0.0, 13.0, 13.0, 6.0, 0.0});
        QCOMPARE(Lines(msgs), QStringList({"设备已运行到负限位位置！", "设备已运行到正限位位置！", "设备已运行到负限位位置！"}));
        QCOMPARE(msgs.at(0).at(1).toBool(), true); // a warning

        // Target reached (bit 0) changing alone is not shown.
        simSetControlDisabled(m_handle, 0);
        QVERIFY(setMotorEnable(m_handle, 1) == 0 && move(m_handle) == 0); // to the pushed target 5.5
        simAdvanceClock(30000);
        Poll(worker);
        status.clear();
        words.clear();
        PollAt(worker, {5.0, 5.5, 5.5});
        QCOMPARE(status.count(), 0);
        QCOMPARE(words.count(), 2);
    }

    // Loss announced once, at the fifth failed poll in a row; again after a comeback.
    void pollLossAnnouncedOnce()
    {
        SerialComDev worker;
        Start(worker);
        Poll(worker);
        QSignalSpy lost(&worker, &SerialComDev::SigDisconnect);
        QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
        simFailNext("getWorkStatus", 4); // four failures, then a good read
        Poll(worker, 5);
        simFailNext("getWorkStatus", 8);
        Poll(worker, 4);
        QCOMPARE(lost.count(), 0);
        Poll(worker, 4);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(Lines(msgs), QStringList{"设备已断开……"});
        Poll(worker); // back, then lost again
        simDetach(m_handle);
        Poll(worker, 5);
        QCOMPARE(lost.count(), 2);
    }

    // The remaining count of a run is logged once per change, down to 0; then
    // it is no longer read (an empty list when it still is).
    void pollCounts()
    {
        SerialComDev worker;
        Start(worker);
        worker.SetJogParam({0.125, 100, 2});
        worker.ParamChanged(OpSetJogParam, 0x07);
        worker.SetCruiseParam({1.5, 3.25, 50, 1});
        QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
        const auto follow = [&](const Command &start) {
            msgs.clear();
            start(worker);
            for (int i = 0; i < 400 && !Lines(msgs).join('|').contains("剩余次数: 0"); ++i) {
                simAdvanceClock(60);
                Poll(worker);
            }
            simJournalClear();
            Poll(worker);
            return Called("getLeftJogTimes") || Called("getLeftCruiseTimes") ? QStringList() : Lines(msgs).filter("剩余次数");
        };
        QCOMPARE(follow([](SerialComDev &w) { w.JogRight(); }),
                 QStringList({"步进  剩余次数: 2", "步进  剩余次数: 1", "步进  剩余次数: 0"}));
        QCOMPARE(follow([](SerialComDev &w) { w.ParamChanged(OpCruise, 0x0f); }),
                 QStringList({"巡航  剩余次数: 1", "巡航  剩余次数: 0"}));
    }

    // Closing, queued behind a command, is the device's last call, made once;
    // commands queued after it do nothing and the worker's thread ends.
    void closeDevice()
    {
        QThread thread;
        SerialComDev *worker = OnThread(thread);
        simSetCallDelay(m_handle, 50);
        for (const char *slot : {"Home", "CloseDevice", "Move", "CloseDevice", "Stop"})
            QMetaObject::invokeMethod(worker, slot, Qt::QueuedConnection);
        QVERIFY(thread.wait(10000));
        const QStringList journal = Journal();
        QCOMPARE(journal.count(Call("closeDev(H)")), 1);
        QCOMPARE(journal.last(), Call("closeDev(H)"));
        QVERIFY(journal.contains(Call("restore(H)")) && !journal.contains(Call("move(H)")));
    }

    // Calls of 70 ms make a poll (position, status) longer than its period. A command queued
    // meanwhile reaches the device between the poll's calls; once the calls are quick again,
    // no backlog of polls runs: one poll at once at most, then the 60 ms period.
    void slowPolls()
    {
        QThread thread;
        SerialComDev *worker = OnThread(thread);
        simUseManualClock(0);
        QCOMPARE(simSetLatency(70, 70), 0);
        const int first = simjournal::WaitForCall(Call("getPositon(H)"), simJournalSize());
        QMetaObject::invokeMethod(worker, "Move", Qt::QueuedConnection);
        QTest::qWait(1000);
        simSetLatency(0, 0);
        const double quick = simNowMs();
        QTest::qWait(400);
        const double end = simNowMs();
        QMetaObject::invokeMethod(worker, "CloseDevice", Qt::QueuedConnection);
        QVERIFY(thread.wait(5000));
        const QStringList calls = Journal().mid(first);
        QCOMPARE(calls.mid(0, 3), QStringList({Call("getPositon(H)"), Call("move(H)"), Call("getWorkStatus(H)")}));
        int quickPolls = 0;
        for (int i = 0; i < calls.size(); ++i)
            quickPolls += calls[i].startsWith("getPositon") && simJournalEntryTime(first + i) > quick;
        QVERIFY2(quickPolls >= 2 && quickPolls <= (end - quick) / 60 + 2, qPrintable(QString::number(quickPolls)));
        QCOMPARE(simOverlapTotal(), 0);
    }

private:
    // Worker on its own thread with the device's handle, InitParam done: it polls.
    SerialComDev *OnThread(QThread &thread)
    {
        auto *worker = new SerialComDev;
        worker->moveToThread(&thread);
        connect(&thread, &QThread::started, worker, &SerialComDev::Init);
        connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        worker->SetDevHandle(m_handle);
        thread.start();
        QMetaObject::invokeMethod(worker, "InitParam", Qt::BlockingQueuedConnection);
        return worker;
    }
    void Poll(SerialComDev &w, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QMetaObject::invokeMethod(&w, "UpdateStatus", Qt::DirectConnection);
    }
    // One poll with the actuator at each position in turn.
    void PollAt(SerialComDev &w, std::initializer_list<double> positions)
    {
        for (double mm : positions) {
            simSetPosition(m_handle, mm);
            Poll(w);
        }
    }
    QString Call(const QString &pattern) const { return QString(pattern).replace('H', QString::number(m_handle)); }
    // Worker with the test parameters, InitParam done, journal cleared.
    void Start(SerialComDev &worker)
    {
        worker.SetDevHandle(m_handle);
        worker.SetAllParams({5.5, 1.25f, 0.5f, 7, true}, {0.125, 300, 3}, {0.75, 1.25f, 0.5f, true}, {1.5, 3.25, 200, 2});
        worker.InitParam();
        worker.SetBtnParam({0.5f, 1, 0.2, 1.0, 4.5, 3, 2, 10});
        simJournalClear();
    }

    int m_handle = -1;
};

QTEST_GUILESS_MAIN(TestSerialComDev)
#include "tst_serialcomdev.moc"
