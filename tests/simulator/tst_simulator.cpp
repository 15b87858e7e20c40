// The simulated controller as the program relies on it: motion timed by its speed and
// acceleration (on the manual clock), status bits, remaining counts, flash kept in a
// state file, failure returns, the time calls and scans take, and the actuator model
// table that gives the travel.
#include "device/ActuatorModel.h"
#include "sim/ActuatorSimControl.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <thread>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

enum : uint16_t {
    kReachedTarget = 1 << 0, kReachedSpeed = 1 << 1, kStopped = 1 << 2, kLeftLimit = 1 << 3,
    kRightLimit = 1 << 4, kEnabled = 1 << 5, kHomed = 1 << 6, kControlDisabled = 1 << 7,
    kConnected = 1 << 8, kLimits = kLeftLimit | kRightLimit | kHomed,
};

int statusOf(int h) { uint16_t w = 0; return getWorkStatus(h, &w) == 0 ? w : -1; }
bool has(int h, int bits) { return (statusOf(h) & bits) == bits; }
// The position ms after t0 on the manual clock.
double at(int h, double t0, double ms) { simAdvanceClock(t0 + ms - simNowMs()); return getPositon(h); }

// What flash holds (serials, model, button parameters), the motion parameters and the status.
QByteArray view(int h)
{
    char serial[33] = {}, driver[33] = {};
    float speed = 0, bSpeed = 0, acc = 0, dec = 0;
    uint16_t jerk = 0, mode = 0, light = 0, sleep = 0, dormant = 0;
    double target = 0, step = 0, offset = 0, begin = 0, end = 0, bStep = 0, pos1 = 0, pos2 = 0;
    int delay = 0, times = 0, stopTime = 0, cruises = 0;
    uint8_t enable = 0;
    const int read = readActuatorSerial(h, serial, 33) + readDriverSerial(h, driver, 33)
        + getBtnParam(h, &bSpeed, &mode, &bStep, &pos1, &pos2, &light, &sleep, &dormant)
        + getMoveParam(h, &target, &speed, &acc, &dec, &jerk) + getJogParam(h, &step, &delay, &times)
        + getDriveParam(h, &offset, &enable) + getCruiseParam(h, &begin, &end, &stopTime, &cruises);
    QString text = QString("%1|%2|%3").arg(serial, driver).arg(readActuatorModel(h));
    for (double v : {double(bSpeed), double(mode), bStep, pos1, pos2, double(light), double(sleep),
                     double(dormant), target, double(speed), double(acc), step, double(delay),
                     double(times), offset, double(enable), begin, end, double(stopTime),
                     double(cruises), double(readRecoil(h)), double(statusOf(h)), double(read)})
        text += ' ' + QString::number(v);
    return text.toUtf8();
}

// ms worked out by hand: v/a up to speed, the rest at speed, v/a down.
struct Move { bool home; int model; double from, to; float speed, acc; double ms;
              bool atSpeedHalfway; double end; int endBits; };
struct Program { const char *command; int direction, relative, times; double from, end; };

} // namespace

Q_DECLARE_METATYPE(Move)
Q_DECLARE_METATYPE(Program)

class TestSimulator : public QObject
{
    Q_OBJECT

    // Attached with the model, opened, at rest at pos, with speed v and acceleration a;
    // jog 1 mm x 3 with 500 ms pauses; cruise 1 <-> 3 mm x 2 with 200 ms dwell; offset 1.5 mm.
    int device(int model = 3, double pos = 0.0, float v = 2.0f, float a = 1.0f)
    {
        const int h = simAttach(qPrintable(QString("T %1").arg(simAttachedCount())), model, 1);
        const int set = openDev(h) | simSetPosition(h, pos) | setSpeed(h, v) | setAcc(h, a)
            | setJogStep(h, 1.0) | setJogDelay(h, 500) | setJogTimes(h, 3) | setCruiseBeginPos(h, 1.0)
            | setCruiseEndPos(h, 3.0) | setCruiseStopTime(h, 200) | setCruiseTimes(h, 2)
            | setRelativePos(h, 1.5);
        return set == 0 ? h : -1;
    }

private slots:
    void init() { qunsetenv("ACTUATOR_SIM_LATENCY_MS"); qunsetenv("ACTUATOR_SIM_SCAN_MS"); simReset(); simUseManualClock(1); }

    // The slide's travel is the model table's; codes outside it, in 32 bits, get the fallback row.
    void travelOfModel_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("row"); // code, name, travel in mm
        QTest::newRow("1") << 1 << "1 QUMA-S1A 6";
        QTest::newRow("4") << 4 << "4 QUMA-L1B 13";
        QTest::newRow("0") << 0 << "0 Null 100";
        QTest::newRow("5") << 5 << "0 Null 100";
        QTest::newRow("failed read") << -1 << "0 Null 100";
        QTest::newRow("65536 + 1") << 65537 << "0 Null 100";
    }
    void travelOfModel()
    {
        QFETCH(int, code);
        QFETCH(QString, row);
        const ActuatorModelInfo info = GetActuatorModelOf(code);
        QCOMPARE(QString("%1 %2 %3").arg(info.code).arg(info.name).arg(info.travelMm), row);
        const int h = code >= 0 && code <= 65535 ? device(code, 0.0, 100.0f, 100.0f) : 0;
        QVERIFY(!h || (setTargetPos(h, 500.0) == 0 && move(h) == 0
                       && at(h, simNowMs(), 10000) == info.travelMm && has(h, kRightLimit)));
    }

    void moveTakesPlannedTime_data()
    {
        QTest::addColumn<Move>("m");
        QTest::newRow("trapezoid: 2 s up (2 mm), 0.5 s at speed (1 mm), 2 s down")
            << Move{false, 3, 0.0, 5.0, 2.0f, 1.0f, 4500, true, 5.0, 0};
        QTest::newRow("triangle: 1 s up to 1 mm/s, 1 s down")
            << Move{false, 3, 2.0, 3.0, 2.0f, 1.0f, 2000, false, 3.0, 0};
        QTest::newRow("backwards: 1.5 s up (2.25 mm), 2 s at speed (6 mm), 1.5 s down")
            << Move{false, 4, 12.0, 1.5, 3.0f, 2.0f, 5000, true, 1.5, 0};
        QTest::newRow("past the end: 1 s up (2 mm), 1 s at speed (4 mm), 1 s down")
            << Move{false, 3, 5.0, 50.0, 4.0f, 4.0f, 3000, true, 13.0, kRightLimit};
        QTest::newRow("home: 1 s up (1 mm), 0.5 s at speed, 1 s down")
            << Move{true, 2, 3.0, 4.0, 2.0f, 2.0f, 2500, true, 0.0, kLeftLimit | kHomed};
    }
    void moveTakesPlannedTime()
    {
        QFETCH(Move, m);
        const int h = device(m.model, m.from, m.speed, m.acc);
        const double t0 = simNowMs();
        QCOMPARE(setTargetPos(h, m.to) | (m.home ? restore(h) : move(h)), 0);
        QCOMPARE(at(h, t0, m.ms / 2), (m.from + m.end) / 2);
        QCOMPARE(statusOf(h) & (kStopped | kReachedTarget | kReachedSpeed),
                 m.atSpeedHalfway ? int(kReachedSpeed) : 0);
        QVERIFY(at(h, t0, m.ms - 1) != m.end && !has(h, kStopped));
        QCOMPARE(at(h, t0, m.ms + 0.001), m.end);
        QCOMPARE(statusOf(h) & (kStopped | kReachedTarget | kReachedSpeed | kLimits),
                 kStopped | kReachedTarget | m.endBits);
        if (m.home) { // leaving 0 clears the homed bit, even out and back between two reads
            QVERIFY(setTargetPos(h, 2.0) == 0 && move(h) == 0 && at(h, simNowMs(), 100) > 0);
            QVERIFY(setTargetPos(h, 0.0) == 0 && move(h) == 0 && at(h, simNowMs(), 10000) == 0 && !has(h, kHomed));
        }
    }

    // Each program starts like a move 0 -> 13 at 2 mm/s, 1 mm/s^2 (at speed from
    // 2 s); a stop at 3 s (4 mm) brakes over 2 s and 2 mm and ends the program.
    void stopBrakesAndEndsProgram_data()
    {
        QTest::addColumn<QString>("program");
        for (const char *program : {"move", "jog", "cruise"})
            QTest::newRow(program) << program;
    }
    void stopBrakesAndEndsProgram()
    {
        QFETCH(QString, program);
        const int h = device(3, 0.0);
        QCOMPARE(setTargetPos(h, 13.0) | setJogStep(h, 10.0) | setCruiseBeginPos(h, 13.0), 0);
        const double t0 = simNowMs();
        QCOMPARE(program == "move" ? move(h) : program == "jog" ? jog(h, 0) : cruise(h), 0);
        QVERIFY(at(h, t0, 3000) == 4.0 && has(h, kReachedSpeed));
        QCOMPARE(stop(h) + getLeftJogTimes(h) + getLeftCruiseTimes(h), 0);
        QCOMPARE(statusOf(h) & (kStopped | kReachedSpeed), 0);
        QCOMPARE(at(h, t0, 4000), 5.5);
        QCOMPARE(at(h, t0, 5000), 6.0);
        QCOMPARE(statusOf(h) & (kStopped | kReachedTarget), int(kStopped));
        QCOMPARE(at(h, t0, 60000), 6.0);
    }

    // A count drops when its step or time is complete. Jog from 4: 2 s per 1 mm step, 500 ms
    // pause. Cruise from 5.2: 4.1 s to begin, 200 ms dwell at each end, 2 mm legs of 2*sqrt(2) s.
    void countsDropWhenDone_data()
    {
        QTest::addColumn<bool>("isCruise");
        QTest::addColumn<QVector<QVector<double>>>("steps"); // s, left, position, stopped
        QTest::newRow("jog") << false << QVector<QVector<double>>{
            {1, 3, 4.5, 0}, {2, 2, 5, 1}, {2.499, 2, 5, 1}, {3.5, 2, 5.5, 0}, {4.5, 1, 6, 1},
            {6.999, 1, 7, 0}, {7, 0, 7, 1}, {9, 0, 7, 1}};
        const double a = 4.1, l = 2 * std::sqrt(2.0), end = a + 0.8 + 4 * l;
        QTest::newRow("cruise") << true << QVector<QVector<double>>{
            {a + 0.1, 2, 1, 1}, {a + 0.3 + l, 2, 3, 1}, {a + 0.4 + 1.5 * l, 2, 2, 0},
            {a + 0.401 + 2 * l, 1, 1, 1}, {end - 0.002, 1, 1, 0}, {end + 0.001, 0, 1, 1}};
    }
    void countsDropWhenDone()
    {
        QFETCH(bool, isCruise);
        QFETCH(QVector<QVector<double>>, steps);
        const int h = device(3, isCruise ? 5.2 : 4.0);
        const double t0 = simNowMs();
        QCOMPARE(isCruise ? cruise(h) : jog(h, 0), 0);
        for (const QVector<double> &s : steps) {
            const QByteArray when = QByteArray::number(s[0]);
            QVERIFY2(std::fabs(at(h, t0, s[0] * 1000) - s[2]) < 1e-5, when);
            QVERIFY2((isCruise ? getLeftCruiseTimes(h) : getLeftJogTimes(h)) == s[1], when);
            QVERIFY2(has(h, kStopped) == bool(s[3]), when);
        }
    }

    // Where programs end, read once after one long jump of the clock. Jog: times 1 mm
    // steps; drive: 1.5 mm when relative, else to the end; cruise: at begin, after 60.03 s.
    void programsEnd_data()
    {
        QTest::addColumn<Program>("p");
        QTest::newRow("jog right") << Program{"jog", 0, 0, 3, 4.0, 7.0};
        QTest::newRow("jog left") << Program{"jog", 1, 0, 3, 4.0, 1.0};
        QTest::newRow("jog left into the limit") << Program{"jog", 1, 0, 5, 1.5, 0.0};
        QTest::newRow("jog no times") << Program{"jog", 0, 0, 0, 4.0, 4.0};
        QTest::newRow("drive offset right") << Program{"drive", 0, 1, 0, 5.0, 6.5};
        QTest::newRow("drive offset left") << Program{"drive", 1, 1, 0, 5.0, 3.5};
        QTest::newRow("drive offset cut at the end") << Program{"drive", 0, 1, 0, 12.5, 13.0};
        QTest::newRow("drive to the right end") << Program{"drive", 0, 0, 0, 5.0, 13.0};
        QTest::newRow("drive to the left end") << Program{"drive", 1, 0, 0, 5.0, 0.0};
        QTest::newRow("cruise") << Program{"cruise", 0, 0, 9, 8.0, 1.0};
    }
    void programsEnd()
    {
        QFETCH(Program, p);
        const QByteArray command = p.command;
        const int h = device(3, p.from);
        QCOMPARE(setJogTimes(h, p.times) | setCruiseTimes(h, p.times) | setRelativePosEnable(h, p.relative), 0);
        QCOMPARE(command == "jog" ? jog(h, p.direction) : command == "drive" ? drive(h, p.direction) : cruise(h), 0);
        QCOMPARE(command == "cruise" ? getLeftCruiseTimes(h) : getLeftJogTimes(h), p.times);
        QCOMPARE(at(h, simNowMs(), 61000), p.end);
        QCOMPARE(getLeftJogTimes(h) + getLeftCruiseTimes(h), 0);
        QVERIFY(has(h, kStopped));
    }

    // Conditions that take motion away stop the slide at once and keep it still.
    void conditionsStopTheSlide_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("bits");
        QTest::newRow("motor disabled") << "enable" << int(kConnected);
        QTest::newRow("motor disconnected") << "connect" << int(kEnabled);
        QTest::newRow("control disabled: motion refused") << "control" << (kEnabled | kConnected | kControlDisabled);
    }
    void conditionsStopTheSlide()
    {
        QFETCH(QString, condition);
        QFETCH(int, bits);
        const int h = device(3, 5.0), moveResult = condition == "control" ? -1 : 0;
        auto set = [&](int on) { return condition == "enable" ? setMotorEnable(h, !on)
                : condition == "connect" ? simSetMotorConnected(h, !on) : simSetControlDisabled(h, on); };
        QCOMPARE(statusOf(h), kStopped | kEnabled | kConnected);
        QCOMPARE(setTargetPos(h, 10.0) | move(h) | int(at(h, simNowMs(), 1000) != 5.5) | set(1), 0);
        QCOMPARE(statusOf(h), kStopped | bits);
        QCOMPARE(move(h) | jog(h, 0) | restore(h) | drive(h, 0) | cruise(h), moveResult);
        QVERIFY(getLeftJogTimes(h) + getLeftCruiseTimes(h) == 0 && at(h, simNowMs(), 10000) == 5.5);
        QCOMPARE(set(0) | move(h), 0);
        QCOMPARE(at(h, simNowMs(), 10000), 10.0);
    }

    void failureReturns_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"unknown", "detached", "closed", "released"})
            QTest::newRow(kind) << kind;
    }
    void failureReturns()
    {
        QFETCH(QString, kind);
        const int real = device(3, 5.0);
        QCOMPARE(setTargetPos(real, 10.0) | move(real), 0);
        simAdvanceClock(1000);
        const int h = kind == "unknown" ? real + 40 : real;
        if (kind != "unknown")
            QCOMPARE(kind == "detached" ? simDetach(h) : kind == "closed" ? closeDev(h) : releaseDev(), 0);
        char text[33];
        int list[8];
        QVERIFY(move(h) < 0 && jog(h, 0) < 0 && stop(h) < 0 && setSpeed(h, 1.0f) < 0 && isDevOpen(h) == 0);
        QVERIFY(getPositon(h) <= -10000.0 && statusOf(h) < 0 && getLeftJogTimes(h) < 0 && readActuatorModel(h) < 0
                && readDriverSerial(h, text, 33) < 0 && writeVersion(h, "V", 1) < 0);
        QCOMPARE(scanDev(list, 8), kind == "detached" ? 0 : 1);
        simAdvanceClock(5000);
        if (kind == "unknown")
            return;
        QVERIFY(kind != "detached" || (openDev(h) < 0 && simReattach(h) == 0));
        QVERIFY(openDev(h) == 0 && isDevOpen(h) == 1);
        // Unplugged, the slide stopped where it was; closed, it went on.
        QCOMPARE(getPositon(h), kind == "detached" ? 5.5 : 10.0);
    }

    // Slow calls (a device's delay or everyone's latency) on one device from two threads
    // count as overlaps; on two devices they do not.
    void overlapsCounted_data()
    {
        QTest::addColumn<bool>("latency");
        QTest::newRow("delay") << false;
        QTest::newRow("latency") << true;
    }
    void overlapsCounted()
    {
        QFETCH(bool, latency);
        const int a = device(), b = device();
        QCOMPARE(latency ? simSetLatency(300, 300) : simSetCallDelay(a, 300) | simSetCallDelay(b, 300), 0);
        for (int other : {b, a}) {
            std::thread second([&] { getPositon(other); });
            getPositon(a);
            second.join();
            QCOMPARE(simOverlapCount(a) > 0, other == a);
        }
    }

    // A latency adds to a device's own delay and is drawn per call from its range; the
    // journal keeps the moments a call entered and returned; an unplugged device fails at once.
    void latencyDrawnPerCall()
    {
        simUseManualClock(0);
        const int h = device();
        QVERIFY(simSetLatency(-1, 5) < 0 && simSetLatency(9, 8) < 0 && simSetScanDuration(-1) < 0);
        QCOMPARE(simSetLatency(40, 40) | simSetCallDelay(h, 30), 0);
        QElapsedTimer timer;
        timer.start();
        const double entered = simNowMs();
        QVERIFY(getPositon(h) == 0.0 && timer.restart() >= 70);
        const int last = simJournalSize() - 1;
        QVERIFY(simJournalEntryTime(last) - entered < 30 && simJournalEntryEndTime(last) - simJournalEntryTime(last) >= 70);
        QVERIFY(simDetach(h) == 0 && getPositon(h) <= -10000.0 && timer.restart() < 70);
        QVERIFY(simReattach(h) == 0 && openDev(h) == 0 && simSetCallDelay(h, 0) == 0 && simSetLatency(0, 60) == 0);
        qint64 quickest = 1000, slowest = 0;
        for (int i = 0; i < 20; ++i) {
            timer.restart();
            QCOMPARE(isDevOpen(h), 1);
            quickest = qMin(quickest, timer.elapsed());
            slowest = qMax(slowest, timer.elapsed());
        }
        QVERIFY2(quickest < 30 && slowest >= 40, qPrintable(QString("%1-%2 ms").arg(quickest).arg(slowest)));
    }

    // What an operator sets for a demo: every call on a device and every scan take their time.
    void timingFromEnvironment_data()
    {
        QTest::addColumn<QByteArray>("latency");
        QTest::addColumn<QByteArray>("scan");
        QTest::addColumn<int>("callMs"); // the least every call takes; 0: answers at once
        QTest::addColumn<int>("scanMs");
        QTest::newRow("fixed") << QByteArray("40") << QByteArray("60") << 40 << 60;
        QTest::newRow("range") << QByteArray(" 30 - 50 ") << QByteArray("") << 30 << 0;
        QTest::newRow("malformed") << QByteArray("50-30") << QByteArray("1s") << 0 << 0;
    }
    void timingFromEnvironment()
    {
        QFETCH(QByteArray, latency);
        QFETCH(QByteArray, scan);
        QFETCH(int, callMs);
        QFETCH(int, scanMs);
        qputenv("ACTUATOR_SIM_LATENCY_MS", latency);
        qputenv("ACTUATOR_SIM_SCAN_MS", scan);
        qputenv("ACTUATOR_SIM_STATE", "");
        qputenv("ACTUATOR_SIM_DEVICES", "E 1");
        int h = 0;
        QElapsedTimer timer;
        QCOMPARE(simInitFromEnvironment(), 1);
        timer.start();
        QCOMPARE(scanDev(&h, 1), 1);
        QVERIFY(scanMs ? timer.restart() >= scanMs : timer.restart() < 25);
        for (int i = 0; i < 3; ++i, timer.restart())
            QVERIFY(openDev(h) == 0 && (callMs ? timer.elapsed() >= callMs : timer.elapsed() < 25));
    }

    // Refused values leave the device as it was; the boundary values are taken.
    void valuesOutOfRangeRefused()
    {
        const int h = device();
        const struct { const char *name; std::function<int()> call; int result; } cases[] = {
            {"speed 0", [&] { return setSpeed(h, 0.0f); }, -1},
            {"speed 0.01", [&] { return setSpeed(h, 0.01f); }, 0},
            {"target NaN", [&] { return setTargetPos(h, std::nan("")); }, -1},
            {"jog times < 0", [&] { return setJogTimes(h, -1); }, -1},
            {"jog times 0", [&] { return setJogTimes(h, 0); }, 0},
            {"offset < 0", [&] { return setRelativePos(h, -0.001); }, -1},
            {"offset 0", [&] { return setRelativePos(h, 0.0); }, 0},
            {"relative 2", [&] { return setRelativePosEnable(h, 2); }, -1},
            {"button speed 0", [&] { return setBtnSpeed(h, 0.0f); }, -1},
            {"button pos < 0", [&] { return setBtnPos1(h, -1.0); }, -1},
            {"motor enable 2", [&] { return setMotorEnable(h, 2); }, -1},
            {"jog direction 2", [&] { return jog(h, 2); }, -1},
        };
        for (const auto &c : cases) {
            const QByteArray before = view(h);
            QVERIFY2(c.call() == c.result, c.name);
            QVERIFY2((view(h) == before) == (c.result < 0), c.name);
        }
    }

    void scanHonoursCapacity()
    {
        int attached[8], cells[12];
        for (int &h : attached)
            h = simAttach(qPrintable(QString("G %1").arg(simAttachedCount())), 1, 1);
        QVERIFY(simAttach("G 9", 1, 1) < 0 && scanDev(nullptr, 6) < 0 && scanDev(cells, 0) < 0);
        for (int capacity : {1, 6, 8, 10}) {
            std::fill(cells, cells + 12, -7);
            QCOMPARE(scanDev(cells, capacity), qMin(capacity, 8));
            for (int i = 0; i < 12; ++i)
                QCOMPARE(cells[i], i < qMin(capacity, 8) ? attached[i] : -7);
        }
    }

    // Flash is kept across a reload of the library; the rest starts over. Writes
    // that cannot be saved (a file size limit stands in for a full disk) fail and
    // change neither the device nor the file.
    void flashSurvivesReload()
    {
        QTemporaryDir dir;
        qputenv("ACTUATOR_SIM_STATE", dir.filePath("flash.state").toUtf8());
        qputenv("ACTUATOR_SIM_DEVICES", "S 1,3,1;S 2,3,1");
        int hs[2];
        QCOMPARE(simInitFromEnvironment() + scanDev(hs, 2) + openDev(hs[0]) + openDev(hs[1]), 4);
        const QByteArray fresh = view(hs[1]);
        QCOMPARE(writeActuatorSerial(hs[0], QByteArray(40, 'x').constData(), 40), 0);
        QCOMPARE(writeDriverSerial(hs[0], "NEW 1", 5) | writeActuatorModel(hs[0], 1), 0);
        QCOMPARE(setBtnSpeed(hs[0], 2.5f) | setBtnMode(hs[0], 2) | setBtnJogStep(hs[0], 0.3), 0);
        QCOMPARE(setBtnPos1(hs[0], 4.5) | setBtnPos2(hs[0], 0.1) | setBackLightLevel(hs[0], 7), 0);
        QCOMPARE(setBackSleepLevel(hs[0], 2) | setBackDormant(hs[0], 60), 0);
        const QByteArray written = view(hs[0]);
        QVERIFY(written.startsWith(QByteArray(32, 'x') + "|NEW 1|1 2.5 2 0.3 4.5 0.1 7 2 60 "));
        QCOMPARE(setActuatorModel(hs[1], 1) | setSpeed(hs[1], 4.0f), 0); // neither is flash
#ifdef Q_OS_UNIX
        rlimit normal{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &normal), 0);
        const rlimit full{16, normal.rlim_max};
        const auto onSignal = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        const int lost = writeActuatorSerial(hs[0], "LOST", 4) & writeActuatorModel(hs[0], 4)
            & setBtnSpeed(hs[0], 1.5f) & setBtnPos1(hs[0], 0.5) & setBackDormant(hs[0], 9);
        setrlimit(RLIMIT_FSIZE, &normal);
        std::signal(SIGXFSZ, onSignal);
        QCOMPARE(lost, -1); // every one failed
        QCOMPARE(view(hs[0]), written);
#endif
        QCOMPARE(simInitFromEnvironment() + scanDev(hs, 2) + openDev(hs[0]) + openDev(hs[1]), 4);
        QCOMPARE(view(hs[0]), written);
        QCOMPARE(view(hs[1]), fresh);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"flash.state"});
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
