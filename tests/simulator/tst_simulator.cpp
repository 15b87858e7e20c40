// The simulated controller library: devices and handles, real-time motion on
// the manual clock, parameters, texts, flash persistence and test control.
#include "sim/ActuatorSimControl.h"

#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

#include <atomic>
#include <cmath>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace {

constexpr uint16_t kReachedTarget = 1 << 0;
constexpr uint16_t kReachedSpeed = 1 << 1;
constexpr uint16_t kStopped = 1 << 2;
constexpr uint16_t kLeftLimit = 1 << 3;
constexpr uint16_t kRightLimit = 1 << 4;
constexpr uint16_t kEnabled = 1 << 5;
constexpr uint16_t kHomed = 1 << 6;
constexpr uint16_t kControlDisabled = 1 << 7;
constexpr uint16_t kConnected = 1 << 8;

uint16_t statusOf(int h)
{
    uint16_t w = 0xffff;
    if (getWorkStatus(h, &w) != 0)
        return 0xffff;
    return w;
}

bool has(int h, uint16_t bits)
{
    return (statusOf(h) & bits) == bits;
}

QByteArray driverSerial(int h)
{
    char buf[33] = {};
    return readDriverSerial(h, buf, 33) == 0 ? QByteArray(buf) : QByteArray("<failed>");
}

// Everything a device keeps in flash, as one text.
QByteArray flashView(int h)
{
    char serial[33] = {};
    float speed = 0;
    uint16_t mode = 0, light = 0, sleep = 0, dormant = 0;
    double step = 0, pos1 = 0, pos2 = 0;
    const int read = readActuatorSerial(h, serial, 33)
        + getBtnParam(h, &speed, &mode, &step, &pos1, &pos2, &light, &sleep, &dormant);
    return QByteArray(serial) + ' ' + QByteArray::number(readActuatorModel(h)) + ' '
        + QByteArray::number(speed) + ' ' + QByteArray::number(step) + ' '
        + QByteArray::number(pos1) + ' ' + QByteArray::number(pos2) + ' '
        + QByteArray::number(mode) + ' ' + QByteArray::number(light) + ' '
        + QByteArray::number(sleep) + ' ' + QByteArray::number(dormant) + ' '
        + QByteArray::number(read);
}

QString journalEntry(int i)
{
    char buf[512];
    return simJournalEntry(i, buf, sizeof buf) >= 0 ? QString::fromUtf8(buf) : QString();
}

// Distance covered t seconds into a rest-to-rest move of length d with
// top speed v and acceleration a.
double trapezoid(double d, double v, double a, double t, double *total = nullptr)
{
    double ta, tc, peak;
    if (v * v / a >= d) {
        peak = std::sqrt(d * a);
        ta = peak / a;
        tc = 0.0;
    } else {
        peak = v;
        ta = v / a;
        tc = (d - v * v / a) / v;
    }
    const double T = 2 * ta + tc;
    if (total)
        *total = T;
    if (t <= 0)
        return 0.0;
    if (t >= T)
        return d;
    if (t < ta)
        return 0.5 * a * t * t;
    if (t < ta + tc)
        return 0.5 * a * ta * ta + peak * (t - ta);
    return d - 0.5 * a * (T - t) * (T - t);
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private:
    // Attached with the given model, opened, at pos, speed v and acceleration a.
    int device(int model = 3, double pos = 0.0, float v = 2.0f, float a = 1.0f)
    {
        const QByteArray serial = "T 00000000000" + QByteArray::number(m_next++);
        const int h = simAttach(serial.constData(), model, 1);
        openDev(h);
        simSetPosition(h, pos);
        setSpeed(h, v);
        setAcc(h, a);
        return h;
    }
    int m_next = 0;

private slots:
    void init()
    {
        simReset();
        simUseManualClock(1);
        m_next = 0;
    }
    void cleanupTestCase() { simReset(); }

    void devicesFromEnvironment_data();
    void devicesFromEnvironment();
    void handles_data();
    void handles();
    void openCloseRelease();
    void nullArgumentsFail();
    void scanHonoursCapacity_data();
    void scanHonoursCapacity();

    void moveFollowsTrapezoid_data();
    void moveFollowsTrapezoid();
    void moveIsClampedAndSetsLimits();
    void homeSetsHomedBit();
    void driveRelativeAndToLimit();
    void jogCountsDown();
    void jogStopsAtLimit();
    void cruiseCountsDown();
    void longRunsCatchUpInOneJump_data();
    void longRunsCatchUpInOneJump();
    void stopDecelerates();
    void stopCancelsJogAndCruise();
    void motorDisabledOrDisconnected();
    void controlDisabled();
    void modelChangesTravel();

    void parametersRoundTrip();
    void invalidValuesRejected();
    void textReadsRespectSize_data();
    void textReadsRespectSize();
    void textWrites();
    void debugFrame();

    void clock();
    void failureInjection();
    void slowCallsOverlap();
    void threadsOnDifferentHandles();
    void journalFormat();
    void journalIsBounded();
    void journalTimes();
    void stateFileRoundTrip();
    void stateFileFromEnvironment();
    void flashWriteThatCannotBeSavedFails();
};

void TestSimulator::devicesFromEnvironment_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QStringList>("serials");
    QTest::addColumn<QList<int>>("models");
    QTest::addColumn<QList<int>>("motors");

    const QStringList twoDefaults{"QMA 202412000001", "QMB 202412000002"};
    QTest::newRow("unset") << false << QByteArray() << twoDefaults << QList<int>{1, 3}
                           << QList<int>{1, 1};
    QTest::newRow("empty") << true << QByteArray("") << QStringList() << QList<int>()
                           << QList<int>();
    QTest::newRow("count 4")
        << true << QByteArray("4")
        << QStringList{"QMA 202412000001", "QMB 202412000002", "QMC 202412000003",
                       "QMD 202412000004"}
        << QList<int>{1, 3, 1, 3} << QList<int>{1, 1, 1, 1};
    QTest::newRow("count 0") << true << QByteArray("0") << QStringList() << QList<int>()
                             << QList<int>();
    QTest::newRow("list") << true << QByteArray("ABC 000000000001,1,1;XYZ 000000000002,3,0")
                          << QStringList{"ABC 000000000001", "XYZ 000000000002"}
                          << QList<int>{1, 3} << QList<int>{1, 0};
    QTest::newRow("optional fields, spaces, empty entry")
        << true << QByteArray("  S1 ;; S2 , 4 ;") << QStringList{"S1", "S2"} << QList<int>{1, 4}
        << QList<int>{1, 1};
    QTest::newRow("bad model") << true << QByteArray("A,x,1") << twoDefaults << QList<int>{1, 3}
                               << QList<int>{1, 1};
    QTest::newRow("bad motor") << true << QByteArray("A,1,2") << twoDefaults << QList<int>{1, 3}
                               << QList<int>{1, 1};
    QTest::newRow("too many fields") << true << QByteArray("A,1,1,1") << twoDefaults
                                     << QList<int>{1, 3} << QList<int>{1, 1};
    QTest::newRow("empty serial") << true << QByteArray(",1,1") << twoDefaults
                                  << QList<int>{1, 3} << QList<int>{1, 1};
}

void TestSimulator::devicesFromEnvironment()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    QFETCH(QStringList, serials);
    QFETCH(QList<int>, models);
    QFETCH(QList<int>, motors);

    qputenv("ACTUATOR_SIM_STATE", "");
    if (set)
        qputenv("ACTUATOR_SIM_DEVICES", value);
    else
        qunsetenv("ACTUATOR_SIM_DEVICES");
    const int n = simInitFromEnvironment();
    qunsetenv("ACTUATOR_SIM_DEVICES");
    qunsetenv("ACTUATOR_SIM_STATE");

    QCOMPARE(n, serials.size());
    int handles[8];
    QCOMPARE(scanDev(handles, 8), serials.size());
    for (int i = 0; i < n; ++i) {
        const int h = handles[i];
        QVERIFY(h > 0);
        QCOMPARE(openDev(h), 0);
        QCOMPARE(QString::fromUtf8(driverSerial(h)), serials.at(i));
        QCOMPARE(readActuatorModel(h), models.at(i));
        const uint16_t w = statusOf(h);
        QCOMPARE(bool(w & kConnected), motors.at(i) == 1);
        QVERIFY(w & kEnabled);
        QVERIFY(!(w & kHomed));
        QVERIFY(w & kStopped);
        const double travel = models.at(i) <= 2 ? 6.0 : 13.0;
        const double pos = getPositon(h);
        QVERIFY2(pos > 0.0 && pos < travel, qPrintable(QString::number(pos)));
    }
}

void TestSimulator::handles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("unknown") << "unknown";
    QTest::newRow("detached") << "detached";
    QTest::newRow("not opened") << "closed";
}

void TestSimulator::handles()
{
    QFETCH(QString, kind);
    const int real = simAttach("D 000000000001", 3, 1);
    openDev(real);
    const double before = getPositon(real);
    int h = real;
    if (kind == "unknown")
        h = real + 40;
    else if (kind == "detached")
        QCOMPARE(simDetach(real), 0);
    else
        QCOMPARE(closeDev(real), 0);

    QVERIFY(move(h) < 0);
    QVERIFY(jog(h, 0) < 0);
    QVERIFY(setSpeed(h, 1.0f) < 0);
    QVERIFY(getPositon(h) <= -10000.0);
    uint16_t w = 0;
    QVERIFY(getWorkStatus(h, &w) < 0);
    QVERIFY(getLeftJogTimes(h) < 0);
    QVERIFY(readActuatorModel(h) < 0);
    char buf[33];
    QVERIFY(readDriverSerial(h, buf, 33) < 0);
    uint8_t reply[8];
    QVERIFY(sendDebugData(h, 1, reply, 0, reply, 8) < 0);
    QCOMPARE(isDevOpen(h), 0);
    if (kind == "closed") {
        QCOMPARE(openDev(h), 0);
        QCOMPARE(isDevOpen(h), 1);
        QCOMPARE(getPositon(h), before);
    } else {
        QVERIFY(openDev(h) < 0);
        QVERIFY(closeDev(h) < 0);
    }
    if (kind == "detached") {
        int list[8];
        QCOMPARE(scanDev(list, 8), 0);
        QCOMPARE(simReattach(h), 0);
        QCOMPARE(scanDev(list, 8), 1);
        QCOMPARE(list[0], h);
        QCOMPARE(isDevOpen(h), 0);
        QCOMPARE(openDev(h), 0);
        QCOMPARE(getPositon(h), before);
    }
}

void TestSimulator::openCloseRelease()
{
    const int a = device();
    const int b = device();
    QCOMPARE(openDev(a), 0); // already open
    QCOMPARE(isDevOpen(a), 1);
    QCOMPARE(closeDev(b), 0);
    QCOMPARE(closeDev(b), 0);
    QCOMPARE(isDevOpen(b), 0);
    QCOMPARE(openDev(b), 0);
    QCOMPARE(releaseDev(), 0);
    QCOMPARE(isDevOpen(a), 0);
    QCOMPARE(isDevOpen(b), 0);
    QCOMPARE(closeDev(a), 0);
    QCOMPARE(simAttachedCount(), 2);

    // A detached device that moved stops where it was unplugged.
    openDev(a);
    setTargetPos(a, 10.0);
    move(a);
    simAdvanceClock(1000);
    const double at = getPositon(a);
    QCOMPARE(simDetach(a), 0);
    QCOMPARE(simAttachedCount(), 1);
    simAdvanceClock(5000);
    QCOMPARE(simReattach(a), 0);
    openDev(a);
    QCOMPARE(getPositon(a), at);
    QVERIFY(has(a, kStopped));
}

void TestSimulator::nullArgumentsFail()
{
    const int h = device();
    QVERIFY(scanDev(nullptr, 6) < 0);
    int list[2] = {77, 77};
    QVERIFY(scanDev(list, 0) < 0);
    QVERIFY(scanDev(list, -3) < 0);
    QCOMPARE(list[0], 77);
    QVERIFY(getWorkStatus(h, nullptr) < 0);
    double d;
    float f;
    uint16_t u;
    int i;
    uint8_t b;
    QVERIFY(getMoveParam(h, &d, &f, &f, nullptr, &u) < 0);
    QVERIFY(getJogParam(h, &d, nullptr, &i) < 0);
    QVERIFY(getDriveParam(h, &d, nullptr) < 0);
    QVERIFY(getCruiseParam(h, &d, &d, &i, nullptr) < 0);
    QVERIFY(getBtnParam(h, &f, &u, &d, &d, &d, &u, &u, nullptr) < 0);
    QVERIFY(readVersion(h, nullptr, 33) < 0);
    QVERIFY(writeVersion(h, nullptr, 3) < 0);
    QVERIFY(sendDebugData(h, 1, nullptr, 2, &b, 1) < 0);
    QVERIFY(sendDebugData(h, 1, &b, 1, nullptr, 8) < 0);
    QVERIFY(simAttach(nullptr, 1, 1) < 0);
}

void TestSimulator::scanHonoursCapacity_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("expected");
    for (int c : {1, 5, 6, 8, 10})
        QTest::addRow("capacity %d", c) << c << qMin(c, 8);
}

void TestSimulator::scanHonoursCapacity()
{
    QFETCH(int, capacity);
    QFETCH(int, expected);
    QList<int> attached;
    for (int i = 0; i < 8; ++i)
        attached << simAttach(qPrintable(QString("G %1").arg(i)), 1, 1);
    QVERIFY(simAttach("G 9", 1, 1) < 0);
    QCOMPARE(simAttachedCount(), 8);

    const int guard = 0x5a5a5a5a;
    std::vector<int> cells(static_cast<size_t>(capacity) + 2, guard);
    QCOMPARE(scanDev(cells.data() + 1, capacity), expected);
    QCOMPARE(cells.front(), guard);
    for (int i = 0; i < expected; ++i)
        QCOMPARE(cells[size_t(i) + 1], attached.at(i));
    for (size_t i = size_t(expected) + 1; i < cells.size(); ++i)
        QCOMPARE(cells[i], guard);
    QCOMPARE(QSet<int>(attached.begin(), attached.end()).size(), 8);
}

void TestSimulator::moveFollowsTrapezoid_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<float>("speed");
    QTest::addColumn<float>("acc");
    QTest::newRow("trapezoid") << 0.0 << 5.0 << 2.0f << 1.0f;
    QTest::newRow("triangle") << 2.0 << 3.0 << 2.0f << 1.0f;
    QTest::newRow("backwards") << 12.0 << 1.5 << 3.0f << 2.0f;
    QTest::newRow("slow, long") << 0.5 << 12.5 << 0.5f << 4.0f;
}

void TestSimulator::moveFollowsTrapezoid()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(float, speed);
    QFETCH(float, acc);
    const int h = device(3, from, speed, acc);
    QCOMPARE(setTargetPos(h, to), 0);
    const double d = std::fabs(to - from);
    double total = 0;
    trapezoid(d, speed, acc, 0, &total);
    const double dir = to > from ? 1 : -1;
    const double ta = qMin(double(speed) / acc, std::sqrt(d / acc));

    const double t0 = simNowMs();
    QCOMPARE(move(h), 0);
    for (double f : {0.05, 0.2, 0.4, 0.5, 0.6, 0.8, 0.97}) {
        const double t = total * f;
        simAdvanceClock(t0 + t * 1000 - simNowMs());
        const double expected = from + dir * trapezoid(d, speed, acc, t);
        const double pos = getPositon(h);
        QVERIFY2(std::fabs(pos - expected) < 1e-6,
                 qPrintable(QString("t=%1 pos=%2 expected %3").arg(t).arg(pos).arg(expected)));
        const uint16_t w = statusOf(h);
        QVERIFY(!(w & kStopped));
        QVERIFY(!(w & kReachedTarget));
        const bool cruising = t > ta + 1e-6 && t < total - ta - 1e-6;
        QCOMPARE(bool(w & kReachedSpeed), cruising);
    }
    // Arrival: still moving a millisecond before the computed end, at rest on it after.
    simAdvanceClock(t0 + std::floor(total * 1000) - 1 - simNowMs());
    QVERIFY(!has(h, kStopped));
    simAdvanceClock(t0 + std::ceil(total * 1000) - simNowMs());
    QCOMPARE(getPositon(h), to);
    QVERIFY(has(h, kStopped | kReachedTarget));
    QVERIFY(!has(h, kReachedSpeed));
}

void TestSimulator::moveIsClampedAndSetsLimits()
{
    const int h = device(3, 5.0, 4.0f, 4.0f);
    QVERIFY(!has(h, kLeftLimit) && !has(h, kRightLimit));
    QCOMPARE(setTargetPos(h, 50.0), 0);
    double stored;
    float v, a, d;
    uint16_t j;
    QCOMPARE(getMoveParam(h, &stored, &v, &a, &d, &j), 0);
    QCOMPARE(stored, 50.0);
    move(h);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 13.0);
    QVERIFY(has(h, kRightLimit | kReachedTarget | kStopped));
    setTargetPos(h, -3.0);
    move(h);
    simAdvanceClock(1000);
    QVERIFY(!has(h, kRightLimit) && !has(h, kLeftLimit));
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 0.0);
    QVERIFY(has(h, kLeftLimit | kReachedTarget));
    QVERIFY(!has(h, kHomed));
}

void TestSimulator::homeSetsHomedBit()
{
    const int h = device(1, 3.0, 2.0f, 1.0f);
    QCOMPARE(restore(h), 0);
    simAdvanceClock(2000);
    QVERIFY(!has(h, kHomed));
    QVERIFY(!has(h, kLeftLimit));
    simAdvanceClock(1500); // 3 mm from rest at 2 mm/s, 1 mm/s^2: 3.5 s
    QCOMPARE(getPositon(h), 0.0);
    QVERIFY(has(h, kHomed | kLeftLimit | kStopped | kReachedTarget));

    // Leaving 0 clears it, and coming back with a move does not set it again.
    setTargetPos(h, 1.0);
    move(h);
    simAdvanceClock(500);
    QVERIFY(!has(h, kHomed));
    simAdvanceClock(5000);
    setTargetPos(h, 0.0);
    move(h);
    simAdvanceClock(5000);
    QVERIFY(has(h, kLeftLimit));
    QVERIFY(!has(h, kHomed));

    // Out and back between two reads still clears it.
    restore(h);
    QVERIFY(has(h, kHomed));
    setTargetPos(h, 2.0);
    move(h);
    simAdvanceClock(100);
    setTargetPos(h, 0.0);
    move(h);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 0.0);
    QVERIFY(!has(h, kHomed));
}

void TestSimulator::driveRelativeAndToLimit()
{
    const int h = device(3, 5.0, 2.0f, 2.0f);
    QCOMPARE(setRelativePos(h, 1.5), 0);
    QCOMPARE(setRelativePosEnable(h, 1), 0);
    QCOMPARE(drive(h, 0), 0);
    simAdvanceClock(5000);
    QCOMPARE(getPositon(h), 6.5);
    QCOMPARE(drive(h, 1), 0);
    simAdvanceClock(5000);
    QCOMPARE(getPositon(h), 5.0);
    QVERIFY(drive(h, 2) < 0);

    QCOMPARE(setRelativePosEnable(h, 0), 0);
    QCOMPARE(drive(h, 0), 0);
    simAdvanceClock(2000);
    QVERIFY(!has(h, kRightLimit));
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 13.0);
    QVERIFY(has(h, kRightLimit | kStopped));
    QCOMPARE(drive(h, 1), 0);
    simAdvanceClock(20000);
    QCOMPARE(getPositon(h), 0.0);
    QVERIFY(has(h, kLeftLimit | kStopped));
}

void TestSimulator::jogCountsDown()
{
    // 1 mm steps at 2 mm/s and 1 mm/s^2 take 2 s each; 500 ms between steps.
    const int h = device(3, 4.0, 2.0f, 1.0f);
    QCOMPARE(setJogStep(h, 1.0), 0);
    QCOMPARE(setJogDelay(h, 500), 0);
    QCOMPARE(setJogTimes(h, 3), 0);
    QCOMPARE(getLeftJogTimes(h), 0);
    const double t0 = simNowMs();
    QCOMPARE(jog(h, 0), 0);
    QCOMPARE(getLeftJogTimes(h), 3);
    const struct { double at; int left; double pos; bool stopped; } steps[] = {
        {1000, 3, 4.5, false}, {1999, 3, -1, false}, {2000, 2, 5.0, true},
        {2499, 2, 5.0, true},  {3500, 2, 5.5, false}, {4500, 1, 6.0, true},
        {6999, 1, -1, false},  {7000, 0, 7.0, true},  {9000, 0, 7.0, true},
    };
    for (const auto &s : steps) {
        simAdvanceClock(t0 + s.at - simNowMs());
        QVERIFY2(getLeftJogTimes(h) == s.left, qPrintable(QString::number(s.at)));
        if (s.pos >= 0)
            QVERIFY2(std::fabs(getPositon(h) - s.pos) < 1e-9, qPrintable(QString::number(s.at)));
        QCOMPARE(has(h, kStopped), s.stopped);
    }

    QCOMPARE(jog(h, 1), 0);
    simAdvanceClock(20000);
    QCOMPARE(getLeftJogTimes(h), 0);
    QVERIFY(std::fabs(getPositon(h) - 4.0) < 1e-9);
    QVERIFY(jog(h, 5) < 0);
}

void TestSimulator::jogStopsAtLimit()
{
    const int h = device(1, 1.5, 2.0f, 1.0f);
    setJogStep(h, 1.0);
    setJogDelay(h, 0);
    setJogTimes(h, 5);
    QCOMPARE(jog(h, 1), 0);
    simAdvanceClock(60000);
    QCOMPARE(getLeftJogTimes(h), 0);
    QCOMPARE(getPositon(h), 0.0);
    QVERIFY(has(h, kLeftLimit | kStopped));
}

void TestSimulator::cruiseCountsDown()
{
    // From 5.2 to begin 1.0: 4.2 mm = 4.1 s; each leg 1 -> 3 is a 2 mm
    // triangle of 2*sqrt(2) s; 200 ms dwell at each end.
    const int h = device(3, 5.2, 2.0f, 1.0f);
    QCOMPARE(setCruiseBeginPos(h, 1.0), 0);
    QCOMPARE(setCruiseEndPos(h, 3.0), 0);
    QCOMPARE(setCruiseStopTime(h, 200), 0);
    QCOMPARE(setCruiseTimes(h, 2), 0);
    double approach, leg;
    trapezoid(4.2, 2.0, 1.0, 0, &approach);
    trapezoid(2.0, 2.0, 1.0, 0, &leg);
    const double t0 = simNowMs();
    QCOMPARE(cruise(h), 0);
    QCOMPARE(getLeftCruiseTimes(h), 2);

    auto at = [&](double s) { simAdvanceClock(t0 + s * 1000 - simNowMs()); };
    at(approach + 0.1); // dwelling at begin
    QCOMPARE(getPositon(h), 1.0);
    QVERIFY(has(h, kStopped));
    at(approach + 0.2 + leg + 0.1); // dwelling at end
    QCOMPARE(getPositon(h), 3.0);
    QCOMPARE(getLeftCruiseTimes(h), 2);
    at(approach + 0.2 + leg + 0.2 + leg / 2); // half way back
    QVERIFY(std::fabs(getPositon(h) - 2.0) < 1e-9);
    QCOMPARE(getLeftCruiseTimes(h), 2);
    at(approach + 0.2 + 2 * leg + 0.2 + 0.001); // back at begin: one time done
    QCOMPARE(getLeftCruiseTimes(h), 1);
    QCOMPARE(getPositon(h), 1.0);
    const double end = approach + 4 * 0.2 + 4 * leg;
    at(end - 0.002);
    QCOMPARE(getLeftCruiseTimes(h), 1);
    QVERIFY(!has(h, kStopped));
    at(end + 0.001);
    QCOMPARE(getLeftCruiseTimes(h), 0);
    QCOMPARE(getPositon(h), 1.0);
    QVERIFY(has(h, kStopped | kReachedTarget));
    at(end + 10);
    QCOMPARE(getPositon(h), 1.0);
}

void TestSimulator::longRunsCatchUpInOneJump_data()
{
    QTest::addColumn<bool>("isCruise");
    QTest::addColumn<double>("at");
    QTest::newRow("jog early") << false << 3333.0;
    QTest::newRow("jog at the limit") << false << 35000.0;
    QTest::newRow("jog done") << false << 400000.0;
    QTest::newRow("cruise early") << true << 2500.0;
    QTest::newRow("cruise middle") << true << 61777.0;
    QTest::newRow("cruise done") << true << 1000000.0;
}

void TestSimulator::longRunsCatchUpInOneJump()
{
    // Two identical devices: one read every 10 ms, one only at the end.
    QFETCH(bool, isCruise);
    QFETCH(double, at);
    int hs[2];
    for (int &h : hs) {
        h = device(3, 2.0, 3.0f, 5.0f);
        setJogStep(h, 0.25);
        setJogDelay(h, 300);
        setJogTimes(h, 60);
        setCruiseBeginPos(h, 0.5);
        setCruiseEndPos(h, 9.0);
        setCruiseStopTime(h, 40);
        setCruiseTimes(h, 25);
    }
    const double t0 = simNowMs();
    for (int h : hs)
        QCOMPARE(isCruise ? cruise(h) : jog(h, 0), 0);
    while (simNowMs() - t0 + 10 < at) {
        simAdvanceClock(10);
        getPositon(hs[0]);
    }
    simAdvanceClock(t0 + at - simNowMs());
    auto left = [&](int h) { return isCruise ? getLeftCruiseTimes(h) : getLeftJogTimes(h); };
    QCOMPARE(left(hs[1]), left(hs[0]));
    QVERIFY(std::fabs(getPositon(hs[1]) - getPositon(hs[0])) < 1e-9);
    QCOMPARE(statusOf(hs[1]), statusOf(hs[0]));
    if (at > 300000) {
        QCOMPARE(left(hs[1]), 0);
        QVERIFY(std::fabs(getPositon(hs[1]) - (isCruise ? 0.5 : 13.0)) < 1e-9);
    } else {
        QVERIFY(left(hs[1]) > 0);
    }
}

void TestSimulator::stopDecelerates()
{
    // 0 -> 13 at 2 mm/s, 1 mm/s^2: cruising at 2 mm/s from t = 2 s (2 mm).
    const int h = device(3, 0.0, 2.0f, 1.0f);
    setTargetPos(h, 13.0);
    move(h);
    simAdvanceClock(3000);
    QCOMPARE(getPositon(h), 4.0);
    QVERIFY(has(h, kReachedSpeed));
    QCOMPARE(stop(h), 0);
    QVERIFY(!has(h, kStopped));
    QVERIFY(!has(h, kReachedSpeed));
    simAdvanceClock(1000);
    QCOMPARE(getPositon(h), 5.5);
    simAdvanceClock(1000);
    QCOMPARE(getPositon(h), 6.0);
    QVERIFY(has(h, kStopped));
    QVERIFY(!has(h, kReachedTarget));
    simAdvanceClock(5000);
    QCOMPARE(getPositon(h), 6.0);
    QCOMPARE(stop(h), 0); // at rest: nothing to do
    QCOMPARE(getPositon(h), 6.0);
}

void TestSimulator::stopCancelsJogAndCruise()
{
    const int h = device(3, 6.0, 2.0f, 1.0f);
    setJogTimes(h, 5);
    setJogDelay(h, 100);
    setJogStep(h, 1.0);
    jog(h, 0);
    simAdvanceClock(2050); // first step done, dwelling
    QCOMPARE(getLeftJogTimes(h), 4);
    QCOMPARE(stop(h), 0);
    QCOMPARE(getLeftJogTimes(h), 0);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 7.0);

    setCruiseBeginPos(h, 2.0);
    setCruiseEndPos(h, 10.0);
    setCruiseTimes(h, 3);
    cruise(h);
    simAdvanceClock(1000);
    QCOMPARE(getLeftCruiseTimes(h), 3);
    stop(h);
    QCOMPARE(getLeftCruiseTimes(h), 0);
    simAdvanceClock(30000);
    QVERIFY(has(h, kStopped));
    QVERIFY(getPositon(h) > 2.0);
}

void TestSimulator::motorDisabledOrDisconnected()
{
    const int h = device(3, 5.0, 2.0f, 1.0f);
    setTargetPos(h, 10.0);
    setJogTimes(h, 2);
    QCOMPARE(setMotorEnable(h, 0), 0);
    QVERIFY(!has(h, kEnabled));
    QCOMPARE(move(h), 0);
    QCOMPARE(jog(h, 0), 0);
    QCOMPARE(getLeftJogTimes(h), 0);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 5.0);
    QVERIFY(has(h, kStopped | kConnected));

    // Disabling while moving stops the slide at once.
    QCOMPARE(setMotorEnable(h, 1), 0);
    QVERIFY(has(h, kEnabled));
    QCOMPARE(getPositon(h), 5.0);
    move(h);
    simAdvanceClock(1000);
    QCOMPARE(getPositon(h), 5.5);
    setMotorEnable(h, 0);
    QVERIFY(has(h, kStopped));
    simAdvanceClock(5000);
    QCOMPARE(getPositon(h), 5.5);
    QVERIFY(setMotorEnable(h, 3) < 0);

    setMotorEnable(h, 1);
    QCOMPARE(simSetMotorConnected(h, 0), 0);
    QVERIFY(!has(h, kConnected));
    QVERIFY(has(h, kEnabled));
    QCOMPARE(move(h), 0);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 5.5);
    simSetMotorConnected(h, 1);
    QVERIFY(has(h, kConnected));
    move(h);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 10.0);
}

void TestSimulator::controlDisabled()
{
    const int h = device(3, 5.0);
    setTargetPos(h, 8.0);
    move(h);
    simAdvanceClock(500);
    const double at = getPositon(h);
    QCOMPARE(simSetControlDisabled(h, 1), 0);
    QVERIFY(has(h, kControlDisabled | kStopped));
    QVERIFY(move(h) < 0);
    QVERIFY(restore(h) < 0);
    QVERIFY(jog(h, 0) < 0);
    QVERIFY(drive(h, 1) < 0);
    QVERIFY(cruise(h) < 0);
    QCOMPARE(stop(h), 0);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), at);
    simSetControlDisabled(h, 0);
    QVERIFY(!has(h, kControlDisabled));
    QCOMPARE(move(h), 0);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 8.0);
}

void TestSimulator::modelChangesTravel()
{
    const int h = device(3, 10.0);
    QCOMPARE(setActuatorModel(h, 1), 0);
    QCOMPARE(readActuatorModel(h), 1);
    QCOMPARE(getPositon(h), 6.0);
    QVERIFY(has(h, kRightLimit));
    QCOMPARE(writeActuatorModel(h, 7), 0);
    QCOMPARE(readActuatorModel(h), 7);
    setTargetPos(h, 80.0);
    setSpeed(h, 50.0f);
    setAcc(h, 50.0f);
    move(h);
    simAdvanceClock(10000);
    QCOMPARE(getPositon(h), 80.0);
    QVERIFY(!has(h, kRightLimit));
}

void TestSimulator::parametersRoundTrip()
{
    const int h = device();
    QCOMPARE(setTargetPos(h, 3.25), 0);
    QCOMPARE(setSpeed(h, 1.5f), 0);
    QCOMPARE(setAcc(h, 0.75f), 0);
    QCOMPARE(setJerk(h, 12), 0);
    double target;
    float speed, acc, dec;
    uint16_t jerk;
    QCOMPARE(getMoveParam(h, &target, &speed, &acc, &dec, &jerk), 0);
    QCOMPARE(target, 3.25);
    QCOMPARE(speed, 1.5f);
    QCOMPARE(acc, 0.75f);
    QCOMPARE(dec, 0.75f);
    QCOMPARE(jerk, uint16_t(12));

    QCOMPARE(setJogStep(h, 0.125), 0);
    QCOMPARE(setJogDelay(h, 250), 0);
    QCOMPARE(setJogTimes(h, 7), 0);
    double step;
    int delay, times;
    QCOMPARE(getJogParam(h, &step, &delay, &times), 0);
    QCOMPARE(step, 0.125);
    QCOMPARE(delay, 250);
    QCOMPARE(times, 7);

    QCOMPARE(setRelativePos(h, 2.5), 0);
    QCOMPARE(setRelativePosEnable(h, 1), 0);
    double offset;
    uint8_t enable;
    QCOMPARE(getDriveParam(h, &offset, &enable), 0);
    QCOMPARE(offset, 2.5);
    QCOMPARE(enable, uint8_t(1));

    QCOMPARE(setCruiseBeginPos(h, 1.5), 0);
    QCOMPARE(setCruiseEndPos(h, 4.5), 0);
    QCOMPARE(setCruiseStopTime(h, 300), 0);
    QCOMPARE(setCruiseTimes(h, 16777215), 0);
    double begin, end;
    int stopTime, cruiseTimes;
    QCOMPARE(getCruiseParam(h, &begin, &end, &stopTime, &cruiseTimes), 0);
    QCOMPARE(begin, 1.5);
    QCOMPARE(end, 4.5);
    QCOMPARE(stopTime, 300);
    QCOMPARE(cruiseTimes, 16777215);

    float bSpeed;
    uint16_t mode, light, sleep, dormant;
    double bStep, pos1, pos2;
    QCOMPARE(getBtnParam(h, &bSpeed, &mode, &bStep, &pos1, &pos2, &light, &sleep, &dormant), 0);
    QCOMPARE(bSpeed, 1.0f);
    QCOMPARE(mode, uint16_t(0));
    QCOMPARE(bStep, 0.5);
    QCOMPARE(pos1, 1.0);
    QCOMPARE(pos2, 2.0);
    QCOMPARE(light, uint16_t(3));
    QCOMPARE(sleep, uint16_t(1));
    QCOMPARE(dormant, uint16_t(5));
    QCOMPARE(setBtnSpeed(h, 2.25f), 0);
    QCOMPARE(setBtnMode(h, 3), 0);
    QCOMPARE(setBtnJogStep(h, 0.2), 0);
    QCOMPARE(setBtnPos1(h, 4.0), 0);
    QCOMPARE(setBtnPos2(h, 5.5), 0);
    QCOMPARE(setBackLightLevel(h, 7), 0);
    QCOMPARE(setBackSleepLevel(h, 2), 0);
    QCOMPARE(setBackDormant(h, 30), 0);
    QCOMPARE(getBtnParam(h, &bSpeed, &mode, &bStep, &pos1, &pos2, &light, &sleep, &dormant), 0);
    QCOMPARE(bSpeed, 2.25f);
    QCOMPARE(mode, uint16_t(3));
    QCOMPARE(bStep, 0.2);
    QCOMPARE(pos1, 4.0);
    QCOMPARE(pos2, 5.5);
    QCOMPARE(light, uint16_t(7));
    QCOMPARE(sleep, uint16_t(2));
    QCOMPARE(dormant, uint16_t(30));

    QCOMPARE(readRecoil(h), 0);
    QCOMPARE(setRecoil(h, 16777215), 0);
    QCOMPARE(readRecoil(h), 16777215);

    // Settings without a read-back are still accepted.
    for (int r : {setCurrent(h, 20), setSeparate(h, 4), setTriggerInMode(h, 2),
                  setTriggerOutMode(h, 1), setTriggerOutCondition(h, 3), setIO1TriggerMode(h, 2),
                  setIO2TriggerMode(h, 1), setIO1TriggerInDisp(h, 1.5), setIO2TriggerInDisp(h, 2.5),
                  setTriggerTime(h, 100)})
        QCOMPARE(r, 0);
}

void TestSimulator::invalidValuesRejected()
{
    const int h = device();
    auto moveP = [h] {
        double t;
        float s, a, d;
        uint16_t j;
        getMoveParam(h, &t, &s, &a, &d, &j);
        return QString("%1 %2 %3 %4").arg(t).arg(s).arg(a).arg(j);
    };
    auto jogP = [h] {
        double s;
        int d, t;
        getJogParam(h, &s, &d, &t);
        return QString("%1 %2 %3").arg(s).arg(d).arg(t);
    };
    auto driveP = [h] {
        double o;
        uint8_t e;
        getDriveParam(h, &o, &e);
        return QString("%1 %2").arg(o).arg(e);
    };
    auto cruiseP = [h] {
        double b, e;
        int s, t;
        getCruiseParam(h, &b, &e, &s, &t);
        return QString("%1 %2 %3 %4").arg(b).arg(e).arg(s).arg(t);
    };
    auto btnP = [h] {
        float s;
        uint16_t m, l, sl, d;
        double st, p1, p2;
        getBtnParam(h, &s, &m, &st, &p1, &p2, &l, &sl, &d);
        return QString("%1 %2 %3 %4").arg(s).arg(st).arg(p1).arg(p2);
    };
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    const struct
    {
        const char *name;
        std::function<int()> call;
        std::function<QString()> read;
    } cases[] = {
        {"speed 0", [&] { return setSpeed(h, 0.0f); }, moveP},
        {"speed < 0", [&] { return setSpeed(h, -1.0f); }, moveP},
        {"speed NaN", [&] { return setSpeed(h, float(nan)); }, moveP},
        {"acc 0", [&] { return setAcc(h, 0.0f); }, moveP},
        {"acc inf", [&] { return setAcc(h, float(inf)); }, moveP},
        {"target NaN", [&] { return setTargetPos(h, nan); }, moveP},
        {"jog step < 0", [&] { return setJogStep(h, -0.5); }, jogP},
        {"jog delay < 0", [&] { return setJogDelay(h, -1); }, jogP},
        {"jog times < 0", [&] { return setJogTimes(h, -2); }, jogP},
        {"offset < 0", [&] { return setRelativePos(h, -1.0); }, driveP},
        {"offset inf", [&] { return setRelativePos(h, inf); }, driveP},
        {"relative enable 2", [&] { return setRelativePosEnable(h, 2); }, driveP},
        {"cruise begin NaN", [&] { return setCruiseBeginPos(h, nan); }, cruiseP},
        {"cruise stop < 0", [&] { return setCruiseStopTime(h, -5); }, cruiseP},
        {"cruise times < 0", [&] { return setCruiseTimes(h, -1); }, cruiseP},
        {"button speed 0", [&] { return setBtnSpeed(h, 0.0f); }, btnP},
        {"button step NaN", [&] { return setBtnJogStep(h, nan); }, btnP},
        {"button pos < 0", [&] { return setBtnPos1(h, -1.0); }, btnP},
        {"recoil < 0", [&] { return setRecoil(h, -1); },
         [h] { return QString::number(readRecoil(h)); }},
    };
    for (const auto &c : cases) {
        const QString before = c.read();
        QVERIFY2(c.call() < 0, c.name);
        QVERIFY2(c.read() == before, c.name);
    }
}

void TestSimulator::textReadsRespectSize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray serial("0123456789abcdefghijklmnopqrstuv"); // 32 bytes
    QTest::newRow("1") << 1 << QByteArray();
    QTest::newRow("5") << 5 << serial.left(4);
    QTest::newRow("32") << 32 << serial.left(31);
    QTest::newRow("33") << 33 << serial;
    QTest::newRow("100") << 100 << serial;
}

void TestSimulator::textReadsRespectSize()
{
    QFETCH(int, size);
    QFETCH(QByteArray, expected);
    const int h = device();
    const QByteArray serial("0123456789abcdefghijklmnopqrstuv");
    QCOMPARE(writeActuatorSerial(h, serial.constData(), serial.size()), 0);
    QByteArray buf(120, '#');
    QCOMPARE(readActuatorSerial(h, buf.data(), size), 0);
    QCOMPARE(QByteArray(buf.constData()), expected);
    const int written = qMin(size, 33);
    for (int i = written; i < buf.size(); ++i)
        QVERIFY2(buf.at(i) == '#', qPrintable(QString::number(i)));
    QVERIFY(readActuatorSerial(h, buf.data(), 0) < 0);
}

void TestSimulator::textWrites()
{
    const int h = device();
    char buf[33];
    QCOMPARE(readActuatorSerial(h, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("ACT000000000001"));
    QCOMPARE(readDriverModel(h, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("QMC-1"));
    QCOMPARE(readVersion(h, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("V1.0.0"));
    QCOMPARE(driverSerial(h), QByteArray("T 000000000000"));

    const QByteArray longText(40, 'x');
    QCOMPARE(writeDriverSerial(h, longText.constData(), longText.size()), 0);
    QCOMPARE(driverSerial(h), longText.left(32));
    QCOMPARE(writeDriverSerial(h, "ABC 123", 3), 0);
    QCOMPARE(driverSerial(h), QByteArray("ABC"));
    QCOMPARE(writeDriverModel(h, "", 0), 0);
    QCOMPARE(readDriverModel(h, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray());
    QVERIFY(writeVersion(h, "V2", -1) < 0);
    QVERIFY(writeVersion(h, nullptr, 0) < 0);
    QCOMPARE(readVersion(h, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("V1.0.0"));

    // A cut never splits a UTF-8 character.
    const QByteArray utf8 = QByteArray(31, 'a') + QString::fromUtf8("中文").toUtf8();
    QCOMPARE(writeVersion(h, utf8.constData(), utf8.size()), 0);
    QCOMPARE(readVersion(h, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray(31, 'a'));
    const QByteArray chinese = QString::fromUtf8("新型号").toUtf8();
    QCOMPARE(writeDriverModel(h, chinese.constData(), chinese.size()), 0);
    QCOMPARE(readDriverModel(h, buf, 5), 0);
    QCOMPARE(QString::fromUtf8(buf), QString::fromUtf8("新"));
}

void TestSimulator::debugFrame()
{
    const int h = device();
    const uint8_t payload[] = {0x0a, 0x1b, 0x00, 0xff};
    uint8_t reply[16];
    memset(reply, 0xee, sizeof reply);
    QCOMPARE(sendDebugData(h, 7, payload, 4, reply, 16), 5);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(reply), 5), QByteArray::fromHex("070a1b00ff"));
    memset(reply, 0xee, sizeof reply);
    QCOMPARE(sendDebugData(h, 7, payload, 4, reply, 3), 3);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(reply), 4), QByteArray::fromHex("070a1bee"));
    QCOMPARE(sendDebugData(h, 9, nullptr, 0, reply, 16), 1);
    QCOMPARE(reply[0], uint8_t(9));
    QVERIFY(sendDebugData(h, 9, payload, 4, reply, 0) < 0);
    QVERIFY(sendDebugData(h, 300, payload, 4, reply, 16) < 0);
    QVERIFY(sendDebugData(h, 1, payload, -1, reply, 16) < 0);
}

void TestSimulator::clock()
{
    const double t = simNowMs();
    QCOMPARE(t, std::floor(t));
    QTest::qSleep(20);
    QCOMPARE(simNowMs(), t);
    simAdvanceClock(12.5);
    QCOMPARE(simNowMs(), t + 12.5);
    simAdvanceClock(-100);
    QCOMPARE(simNowMs(), t + 12.5);

    // Back on the real clock time goes on from where it stood, and motion runs.
    simUseManualClock(0);
    QVERIFY(simNowMs() >= t + 12.5);
    const int h = device(3, 1.0, 10.0f, 50.0f);
    setTargetPos(h, 1.2);
    QCOMPARE(move(h), 0);
    QTRY_VERIFY_WITH_TIMEOUT(has(h, kStopped | kReachedTarget), 5000);
    QCOMPARE(getPositon(h), 1.2);
    simReset();
    QVERIFY(simNowMs() >= t + 12.5);
}

void TestSimulator::failureInjection()
{
    const int a = device();
    const int b = device();
    simFailNext("getPositon", 2);
    QCOMPARE(getPositon(a), -10000.0);
    QCOMPARE(getPositon(b), -10000.0);
    QVERIFY(getPositon(a) > -10000.0);
    simFailNext("openDev", 1);
    QVERIFY(openDev(a) < 0);
    QCOMPARE(openDev(a), 0);
    simFailNext("scanDev", 3);
    simFailNext("scanDev", 0);
    int list[6];
    QCOMPARE(scanDev(list, 6), 2);
    simFailNext("getWorkStatus", 5);
    for (int i = 0; i < 5; ++i)
        QVERIFY(statusOf(a) == 0xffff);
    QVERIFY(statusOf(a) != 0xffff);
    // Failed calls are journalled like the others.
    simFailNext("move", 1);
    simJournalClear();
    QVERIFY(move(b) < 0);
    QCOMPARE(simJournalSize(), 1);
    QCOMPARE(journalEntry(0), QString("move(%1)").arg(b));
}

void TestSimulator::slowCallsOverlap()
{
    simUseManualClock(0);
    const int a = device();
    const int b = device();
    QCOMPARE(simSetCallDelay(a, 300), 0);
    QVERIFY(simSetCallDelay(a + 50, 10) < 0);
    QElapsedTimer timer;
    timer.start();
    getPositon(a);
    QVERIFY(timer.elapsed() >= 290);

    auto twoThreads = [](int h1, int h2) {
        std::promise<void> go;
        std::shared_future<void> ready = go.get_future().share();
        std::thread t1([&] { ready.wait(); getPositon(h1); });
        std::thread t2([&] { ready.wait(); getPositon(h2); });
        go.set_value();
        t1.join();
        t2.join();
    };
    twoThreads(a, a);
    QVERIFY(simOverlapCount(a) > 0);
    QCOMPARE(simOverlapCount(b), 0);

    simReset();
    const int c = device();
    const int d = device();
    simSetCallDelay(c, 200);
    simSetCallDelay(d, 200);
    twoThreads(c, d);
    QCOMPARE(simOverlapCount(c), 0);
    QCOMPARE(simOverlapCount(d), 0);
    QCOMPARE(simOverlapTotal(), 0);
}

void TestSimulator::threadsOnDifferentHandles()
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 1500;
    int hs[kThreads];
    for (int &h : hs)
        h = device(3, 1.0, 5.0f, 5.0f);
    std::atomic<int> mismatches{0};
    simJournalClear();
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            const int h = hs[i];
            for (int r = 0; r < kRounds; ++r) {
                const double target = 1.0 + (i * kRounds + r) % 11;
                setTargetPos(h, target);
                setJogTimes(h, i * 1000 + r);
                double t;
                float s, a, d;
                uint16_t j;
                double step;
                int delay, times;
                if (getMoveParam(h, &t, &s, &a, &d, &j) != 0 || t != target
                    || getJogParam(h, &step, &delay, &times) != 0 || times != i * 1000 + r)
                    ++mismatches;
                move(h);
                const double p = getPositon(h);
                if (p < 0.0 || p > 13.0)
                    ++mismatches;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    QCOMPARE(mismatches.load(), 0);
    QCOMPARE(simOverlapTotal(), 0);
    QCOMPARE(simJournalSize(), kThreads * kRounds * 6);
    simAdvanceClock(60000);
    for (int i = 0; i < kThreads; ++i) {
        double t;
        float s, a, d;
        uint16_t j;
        getMoveParam(hs[i], &t, &s, &a, &d, &j);
        QCOMPARE(getPositon(hs[i]), t);
    }
}

void TestSimulator::journalFormat()
{
    const int h = device();
    simJournalClear();
    int list[6];
    uint8_t reply[64];
    const uint8_t payload[] = {0x0a, 0x1b};
    char buf[33];
    double d;
    float f;
    uint16_t u;
    scanDev(list, 6);
    setTargetPos(h, 2.5);
    setSpeed(h, 1.1f);
    setJerk(h, 7);
    jog(h, 1);
    readDriverSerial(h, buf, 33);
    writeVersion(h, "V\"2\"", 4);
    getMoveParam(h, &d, &f, &f, &f, &u);
    sendDebugData(h, 5, payload, 2, reply, 64);
    move(h + 9);
    releaseDev();
    const QStringList expected{
        "scanDev(6)",
        QString("setTargetPos(%1, 2.5)").arg(h),
        QString("setSpeed(%1, 1.1)").arg(h),
        QString("setJerk(%1, 7)").arg(h),
        QString("jog(%1, 1)").arg(h),
        QString("readDriverSerial(%1, 33)").arg(h),
        QString("writeVersion(%1, \"V\\\"2\\\"\", 4)").arg(h),
        QString("getMoveParam(%1)").arg(h),
        QString("sendDebugData(%1, 5, [0A 1B], 2, 64)").arg(h),
        QString("move(%1)").arg(h + 9),
        "releaseDev()",
    };
    QCOMPARE(simJournalSize(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(journalEntry(i), expected.at(i));

    // An entry is cut to the buffer and its full length returned.
    char small[6];
    QCOMPARE(simJournalEntry(1, small, sizeof small), expected.at(1).size());
    QCOMPARE(QByteArray(small), expected.at(1).toUtf8().left(5));
    QVERIFY(simJournalEntry(expected.size(), buf, 33) < 0);
    QVERIFY(simJournalEntry(-1, buf, 33) < 0);

    simJournalEnable(0);
    move(h);
    QCOMPARE(simJournalSize(), expected.size());
    simJournalEnable(1);
    simAttach("X", 1, 1); // control calls are not journalled
    QCOMPARE(simJournalSize(), expected.size());
    simJournalClear();
    QCOMPARE(simJournalSize(), 0);
}

void TestSimulator::journalIsBounded()
{
    const int h = device();
    simJournalClear();
    for (int i = 0; i < 100010; ++i)
        setJogTimes(h, i);
    QCOMPARE(simJournalSize(), 100000);
    QCOMPARE(journalEntry(0), QString("setJogTimes(%1, 10)").arg(h));
    QCOMPARE(journalEntry(99999), QString("setJogTimes(%1, 100009)").arg(h));
}

void TestSimulator::journalTimes()
{
    const int h = device();
    simJournalClear();
    const double t = simNowMs();
    int list[6];
    scanDev(list, 6);
    simAdvanceClock(60);
    move(h);
    move(h + 9);
    simAdvanceClock(0.5);
    releaseDev();
    QCOMPARE(simJournalSize(), 4);
    QCOMPARE(simJournalEntryTime(0), t);
    QCOMPARE(simJournalEntryTime(1), t + 60);
    QCOMPARE(simJournalEntryTime(2), t + 60);
    QCOMPARE(simJournalEntryTime(3), t + 60.5);
    QVERIFY(simJournalEntryTime(4) < 0);
    QVERIFY(simJournalEntryTime(-1) < 0);
}

void TestSimulator::stateFileRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray path = dir.filePath("flash.state").toUtf8();
    simSetStateFile(path.constData());
    const int h = simAttach("S 000000000001", 1, 1);
    const int other = simAttach("S 000000000002", 1, 1);
    openDev(h);
    openDev(other);
    QCOMPARE(writeDriverSerial(h, "NEW 1", 5), 0);
    QCOMPARE(writeActuatorSerial(h, "A\nB=C", 5), 0);
    QCOMPARE(writeVersion(h, "V9", 2), 0);
    QCOMPARE(writeActuatorModel(h, 3), 0);
    QCOMPARE(setActuatorModel(h, 2), 0); // not kept
    QCOMPARE(setBtnSpeed(h, 2.5f), 0);
    QCOMPARE(setBtnMode(h, 2), 0);
    QCOMPARE(setBtnPos2(h, 0.1), 0);
    QCOMPARE(setBackDormant(h, 60), 0);
    QCOMPARE(setSpeed(h, 4.0f), 0); // not flash
    QVERIFY(QFile::exists(QString::fromUtf8(path)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"flash.state"});

    simReset();
    QCOMPARE(simAttachedCount(), 0);
    simSetStateFile(path.constData());
    const int again = simAttach("S 000000000001", 1, 1);
    const int fresh = simAttach("S 000000000003", 1, 1);
    openDev(again);
    openDev(fresh);
    char buf[33];
    QCOMPARE(driverSerial(again), QByteArray("NEW 1"));
    QCOMPARE(readActuatorSerial(again, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("A\nB=C"));
    QCOMPARE(readVersion(again, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("V9"));
    QCOMPARE(readActuatorModel(again), 3);
    float speed;
    uint16_t mode, light, sleep, dormant;
    double step, pos1, pos2;
    QCOMPARE(getBtnParam(again, &speed, &mode, &step, &pos1, &pos2, &light, &sleep, &dormant), 0);
    QCOMPARE(speed, 2.5f);
    QCOMPARE(mode, uint16_t(2));
    QCOMPARE(pos2, 0.1);
    QCOMPARE(dormant, uint16_t(60));
    QCOMPARE(step, 0.5);
    double target;
    float v, a, dec;
    uint16_t jerk;
    getMoveParam(again, &target, &v, &a, &dec, &jerk);
    QCOMPARE(v, 2.0f);
    QCOMPARE(driverSerial(fresh), QByteArray("S 000000000003"));
    QCOMPARE(readActuatorModel(fresh), 1);

    // Setting the file reloads devices already attached.
    QCOMPARE(setBtnMode(again, 1), 0);
    simReset();
    const int early = simAttach("S 000000000001", 4, 1);
    openDev(early);
    QCOMPARE(driverSerial(early), QByteArray("S 000000000001"));
    simSetStateFile(path.constData());
    QCOMPARE(driverSerial(early), QByteArray("NEW 1"));
    QCOMPARE(readActuatorModel(early), 3);

    // After a reset flash stays in memory: the file is left alone.
    QFile file(QString::fromUtf8(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    simReset();
    const int mem = simAttach("S 000000000001", 1, 1);
    openDev(mem);
    QCOMPARE(setBtnMode(mem, 0), 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);
    file.close();

    // A damaged file is read as far as it makes sense.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("garbage\n[zz]\nbtnMode=1\n[533d31]\nbtnMode=70000\nbtnSpeed=x\nversion=5632\n");
    file.close();
    simReset();
    simSetStateFile(path.constData());
    const int damaged = simAttach("S=1", 1, 1);
    openDev(damaged);
    QCOMPARE(getBtnParam(damaged, &speed, &mode, &step, &pos1, &pos2, &light, &sleep, &dormant), 0);
    QCOMPARE(mode, uint16_t(0));
    QCOMPARE(speed, 1.0f);
    QCOMPARE(readVersion(damaged, buf, 33), 0);
    QCOMPARE(QByteArray(buf), QByteArray("V2"));
}

void TestSimulator::stateFileFromEnvironment()
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("env.state").toUtf8();
    simSetStateFile(path.constData());
    const int h = simAttach("QMA 202412000001", 1, 1);
    openDev(h);
    QCOMPARE(setBackLightLevel(h, 9), 0);

    qputenv("ACTUATOR_SIM_STATE", path);
    qputenv("ACTUATOR_SIM_DEVICES", "1");
    QCOMPARE(simInitFromEnvironment(), 1);
    qunsetenv("ACTUATOR_SIM_STATE");
    qunsetenv("ACTUATOR_SIM_DEVICES");
    int list[2];
    QCOMPARE(scanDev(list, 2), 1);
    openDev(list[0]);
    float speed;
    uint16_t mode, light, sleep, dormant;
    double step, pos1, pos2;
    QCOMPARE(getBtnParam(list[0], &speed, &mode, &step, &pos1, &pos2, &light, &sleep, &dormant),
             0);
    QCOMPARE(light, uint16_t(9));
    simReset();
}

// The disk is full (the file size limit stands in for it): every kind of
// flash write fails, and the device and the file keep what they held.
void TestSimulator::flashWriteThatCannotBeSavedFails()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("flash.state").toUtf8();
    simSetStateFile(path.constData());
    const int h = simAttach("S 000000000001", 1, 1);
    openDev(h);
    QCOMPARE(writeActuatorSerial(h, "OLD", 3), 0);
    const QByteArray before = flashView(h);
    QFile file(QString::fromUtf8(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();

    const std::function<int()> writes[] = {
        [h] { return writeActuatorSerial(h, "LOST", 4); },
        [h] { return writeActuatorModel(h, 4); },
        [h] { return setBtnSpeed(h, 1.5f); },
        [h] { return setBtnPos1(h, 0.5); },
        [h] { return setBackDormant(h, 9); },
    };
    rlimit normal{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &normal), 0);
    const rlimit full{16, normal.rlim_max};
    const auto onSignal = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    std::vector<int> results;
    for (const auto &write : writes)
        results.push_back(write());
    setrlimit(RLIMIT_FSIZE, &normal);
    std::signal(SIGXFSZ, onSignal);

    for (int result : results)
        QCOMPARE(result, -1);
    QCOMPARE(flashView(h), before);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);
    file.close();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"flash.state"});
#else
    QSKIP("needs a file size limit");
#endif
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
