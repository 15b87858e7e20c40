// The CSV recording against the simulated library on its manual clock, its
// write faults and its refusals. Core only: no widgets.
#include "chart/PositionRecorder.h"
#include "device/SerialComDev.h"
#include "sim/ActuatorSimControl.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// 2026-03-01 12:00:00 UTC: the recording's clock is this plus the simulator's.
constexpr qint64 kBase = 1772366400000;

struct Row
{
    qint64 timeMs;
    double pos;
    QString flags; // running,enabled,homed,left,right
    int status;
};

// The rows of a recording; fails on a header or row out of shape.
QList<Row> ReadRows(const QString &path, bool *ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    const QList<QByteArray> lines = file.readAll().split('\n');
    *ok = *ok && lines.size() >= 2 && lines.first() + '\n' == PositionRecorder::kHeader && lines.last().isEmpty();
    QList<Row> rows;
    for (int i = 1; *ok && i < lines.size() - 1; ++i) {
        const QList<QByteArray> f = lines.at(i).split(',');
        const QDateTime time = QDateTime::fromString(QString::fromLatin1(f.at(0)), Qt::ISODateWithMs);
        *ok = f.size() == 8 && time.isValid() && f.at(0).contains('.');
        if (*ok) {
            rows << Row{time.toMSecsSinceEpoch(), f.at(1).toDouble(),
                        QString::fromLatin1(f.mid(2, 5).join(',')), f.at(7).toInt()};
        }
    }
    return rows;
}

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scriptedSession();
    void writeFaults_data();
    void writeFaults();
    void refusals();

private:
    // A poll of the worker after the simulator's clock moved on by ms.
    void Poll(SerialComDev &worker, int ms)
    {
        simAdvanceClock(ms);
        QMetaObject::invokeMethod(&worker, "UpdateStatus", Qt::DirectConnection);
    }

    int m_handle = -1;
    QTemporaryDir m_dir;
};

void TestRecorder::init()
{
    simReset();
    simUseManualClock(1);
    m_handle = simAttach("REC 000000000001", 3, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
    QVERIFY(m_dir.isValid());
}

// Home, move and a cruise of two rounds, polled every 60 ms of the
// simulator's time: one row for each position or status report, in order,
// with the simulator's time, positions the slide can reach in that time and
// every status change.
void TestRecorder::scriptedSession()
{
    const float speed = 2.0f;
    SerialComDev worker;
    worker.SetDevHandle(m_handle);
    worker.SetAllParams({4.0, speed, 4.0f, 0, false}, {}, {}, {1.0, 3.0, 200, 2});
    simSetPosition(m_handle, 2.5);
    worker.InitParam();

    // What the worker reports, in order: position, or status word.
    QList<QPair<bool, double>> reports;
    connect(&worker, &SerialComDev::SigPosChanged, this, [&](double pos) { reports.append({true, pos}); });
    connect(&worker, &SerialComDev::SigStatusChanged, this,
            [&](bool, bool, bool, bool, bool, quint16 word) { reports.append({false, double(word)}); });

    PositionRecorder recorder;
    recorder.SetClock([]() { return kBase + qint64(simNowMs()); });
    connect(&worker, &SerialComDev::SigPosChanged, &recorder, &PositionRecorder::AddPosition);
    connect(&worker, &SerialComDev::SigStatusChanged, &recorder, &PositionRecorder::AddStatus);
    Poll(worker, 60);

    const QString path = m_dir.filePath("session.csv");
    QString error;
    QVERIFY2(recorder.Start(path, "REC 000000000001", &error), qPrintable(error));
    const double t0 = simNowMs();
    const int before = reports.size();
    worker.Home();
    for (int i = 0; i < 50; ++i)
        Poll(worker, 60);
    worker.Move();
    for (int i = 0; i < 50; ++i)
        Poll(worker, 60);
    worker.ParamChanged(OpCruise, 0);
    for (int i = 0; i < 150; ++i)
        Poll(worker, 60);
    recorder.Stop();

    bool ok = false;
    const QList<Row> rows = ReadRows(path, &ok);
    QVERIFY(ok);
    QCOMPARE(rows.size(), 1 + reports.size() - before);
    QCOMPARE(recorder.Rows(), qint64(rows.size()));
    QCOMPARE(rows.first().timeMs, kBase + qint64(t0));
    QCOMPARE(rows.first().pos, 2.5);
    int changes = 0;
    for (int i = 1; i < rows.size(); ++i) {
        const Row &row = rows.at(i);
        const Row &prev = rows.at(i - 1);
        const QPair<bool, double> &report = reports.at(before + i - 1);
        QCOMPARE(report.first ? row.pos : double(row.status), report.second);
        QVERIFY(row.timeMs >= prev.timeMs);
        // No faster than the move speed (a position is rounded to 6 decimals).
        QVERIFY2(std::fabs(row.pos - prev.pos) <= speed * (row.timeMs - prev.timeMs) / 1000.0 + 2e-6,
                 qPrintable(QStringLiteral("row %1: %2 mm after %3 mm").arg(i).arg(row.pos).arg(prev.pos)));
        const int w = row.status;
        QCOMPARE(row.flags, QStringLiteral("%1,%2,%3,%4,%5")
                                .arg(w & 4 ? 0 : 1).arg(w >> 5 & 1).arg(w >> 6 & 1).arg(w >> 3 & 1).arg(w >> 4 & 1));
        changes += row.status != prev.status ? 1 : 0;
    }
    // Homed at 0 (limit too), moved to 4, then 1 → 3 → 1 → 3 → 1.
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const Row &r) { return r.flags == "0,1,1,1,0"; }));
    QCOMPARE(rows.last().pos, 1.0);
    QVERIFY2(changes >= 14, qPrintable(QString::number(changes)));
}

void TestRecorder::writeFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("file size limit") << "limit";
    QTest::newRow("file removed") << "removed";
    QTest::newRow("folder not writable") << "folder";
}

// Recording stops with a message naming the file; the rows written before
// stay whole and readable; the process runs on.
void TestRecorder::writeFaults()
{
    QFETCH(QString, fault);
    QTemporaryDir dir;
    QString path = dir.filePath("fault.csv");
    if (fault == "folder") {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        // The superuser writes anywhere; /proc takes no new files from anyone.
        if (access(qPrintable(dir.path()), W_OK) == 0)
            path = "/proc/fault.csv";
    }
    PositionRecorder recorder;
    qint64 now = kBase;
    recorder.SetClock([&now]() { return now; });
    QSignalSpy faults(&recorder, &PositionRecorder::SigFault);
    QString error;
    const bool started = recorder.Start(path, "REC 000000000001", &error);
    if (fault == "folder") {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!started);
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        QVERIFY(!recorder.IsRecording());
        return;
    }
    QVERIFY2(started, qPrintable(error));

    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    if (fault == "limit") {
        rlimit small = old;
        small.rlim_cur = 4000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    for (int i = 0; i < 200 && faults.isEmpty(); ++i) {
        now += 60;
        recorder.AddPosition(i * 0.001);
        if (i == 20 && fault == "removed")
            QVERIFY(QFile::remove(path));
        QTest::qWait(i % 20 == 0 ? PositionRecorder::kFlushMs + 100 : 0);
    }
    setrlimit(RLIMIT_FSIZE, &old);

    QCOMPARE(faults.size(), 1);
    const QString message = faults.first().first().toString();
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    QVERIFY(!recorder.IsRecording());
    if (fault == "limit") {
        bool ok = false;
        const QList<Row> rows = ReadRows(path, &ok);
        QVERIFY(ok);
        QVERIFY(rows.size() > 20);
        QVERIFY(QFileInfo(path).size() <= 4000);
        QCOMPARE(rows.last().pos, (rows.size() - 2) * 0.001);
    }
}

// A device is recorded once, and a file takes one recording at a time.
void TestRecorder::refusals()
{
    PositionRecorder first, second;
    const QString a = m_dir.filePath("a.csv");
    const QString b = m_dir.filePath("b.csv");
    QString error;
    QVERIFY(first.Start(a, "DEV 1", &error));
    QVERIFY(!first.Start(b, "DEV 1", &error));
    QVERIFY(!second.Start(b, "DEV 1", &error));
    QVERIFY(error.contains("DEV 1"));
    QVERIFY(!second.Start(m_dir.path() + "/./a.csv", "DEV 2", &error));
    QVERIFY(error.contains(QDir::toNativeSeparators(m_dir.path() + "/./a.csv")));
    QVERIFY(!QFile::exists(b));
    first.Stop();
    QVERIFY(second.Start(a, "DEV 2", &error));
}

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
