// A panel's position trace, chart window and CSV recording, driven through
// the program on the simulated library (the worker polled in step with the
// simulator's manual clock); the recorder's file faults on its own.
#include "chart/ChartWidget.h"
#include "chart/DeviceTrace.h"
#include "chart/PositionRecorder.h"
#include "panel/CruiseCtrlWidget.h"
#include "tests/support/AppHarness.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtCharts/QChartView>

#include <sys/resource.h>

namespace {

// Types path into the next file dialog and accepts it.
void AnswerFileDialog(const QString &path)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, path]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->deleteLater();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    });
    timer->start(10);
}

QPushButton *Button(QWidget *w, const char *name) { return w->findChild<QPushButton *>(QLatin1String(name)); }

} // namespace

class TestChart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void traceAndRecordingFollowTheDevice();
    void fileFaults_data();
    void fileFaults();
    void oneRecordingPerDeviceAndFile();
    void logExportTellsOfDroppedLines();

private:
    // Moves the simulator's clock on by ms, polling the worker every 60 ms.
    void Run(int ms)
    {
        for (int t = 0; m_panel && t < ms; t += 60) {
            simAdvanceClock(60);
            QMetaObject::invokeMethod(m_panel->GetWorker(), "UpdateStatus", Qt::BlockingQueuedConnection);
            QCoreApplication::processEvents();
        }
    }
    DeviceTrace *Trace() const { return m_panel->findChild<DeviceTrace *>(); }
    ChartWidget *OpenChart()
    {
        QTest::mouseClick(Button(m_panel, "pbChart"), Qt::LeftButton);
        return QTest::qWaitForWindowExposed(Trace()->Chart()) ? Trace()->Chart() : nullptr;
    }

    // The program with one initialised panel, whose first position reads fail.
    void Open()
    {
        m_app = harness::Start(1);
        simUseManualClock(1);
        simFailNext("getPositon", 3);
        m_panel = harness::OpenPanels(m_app.window.get(), 1).value(0);
    }

    harness::App m_app;
    QPointer<ControlWidget> m_panel;
    QTemporaryDir m_dir;
};

void TestChart::initTestCase()
{
    QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/devConfig.json"));
}

void TestChart::cleanup()
{
    m_app.window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_app.handles));
}

// Every position and status report is a sample of the trace and a row of
// the CSV, in order; the chart draws up to the last one, nothing before the
// first position, marks the loss of the device and stays open after its
// panel, whose end closes the file. A refused command leaves no mark.
void TestChart::traceAndRecordingFollowTheDevice()
{
    Open();
    QPointer<ChartWidget> chart = OpenChart();
    QVERIFY(chart && chart->windowTitle() == harness::Serial(1));
    QTRY_VERIFY(!chart->ShownLine().isEmpty());
    for (const QPointF &p : chart->ShownLine())
        QCOMPARE(p.y(), 5.2); // where the 13 mm device starts
    // Reports reach the trace and the recorder before these: a position, or -1 and a status word.
    QList<QPair<double, int>> reports, rows;
    const PositionTrace *trace = Trace()->Trace();
    QPointer<PositionRecorder> recorder = Trace()->Recorder();
    int before = -1; // the trace's samples before the first report
    const auto add = [&](double pos, int word) {
        before = before < 0 ? trace->Samples().Size() - 1 : before;
        reports.append({pos, word});
        if (recorder && recorder->IsRecording())
            rows.append({pos, word});
    };
    connect(m_panel->GetWorker(), &SerialComDev::SigPosChanged, chart, [&](double pos) { add(pos, -1); });
    connect(m_panel->GetWorker(), &SerialComDev::SigStatusWordChanged, chart, [&](quint16 word) { add(-1.0, word); });
    const QString path = m_dir.filePath(QStringLiteral("session.csv"));
    AnswerFileDialog(path);
    QTest::mouseClick(Button(chart, "pbRecord"), Qt::LeftButton);
    QVERIFY(Button(m_panel, "pbChart")->property("recording").toBool());

    QTest::mouseClick(Button(m_panel, "pbHome"), Qt::LeftButton);
    Run(6000);
    QTest::mouseClick(Button(m_panel, "pbSetting"), Qt::LeftButton);
    QTest::mouseClick(Button(m_panel->findChild<CruiseCtrlWidget *>(), "pbConfirm"), Qt::LeftButton);
    Run(6000);
    QTRY_VERIFY(reports.size() == trace->Samples().Size() - before && reports.size() > 50);
    for (int i = 0; i < reports.size(); ++i) {
        const TraceSample &s = trace->Samples().At(before + i);
        QCOMPARE(reports[i].second < 0 ? s.pos : double(s.status), reports[i].second < 0 ? reports[i].first : reports[i].second);
    }
    chart->Refresh();
    QCOMPARE(chart->ShownLine().last().y(), trace->Samples().Last().pos);

    const int events = trace->Events().Size();
    const QVector<double> targets = trace->Targets();
    simFailNext("move", 1);
    QVERIFY(harness::Press(m_panel, "pbMove"));
    QTRY_VERIFY(harness::LogOf(m_panel).endsWith(QStringLiteral("操作失败")));
    QCoreApplication::processEvents();
    QVERIFY(events == trace->Events().Size() && targets == trace->Targets() && targets.size() == 2);

    harness::BoxAnswerer answerer(QStringLiteral("确认"));
    simDetach(m_app.handles[0]);
    Run(600);
    QTRY_VERIFY(!m_panel);
    QVERIFY(chart && chart->isVisible());
    QVERIFY(chart->findChild<QtCharts::QChartView *>()->chart()->title().startsWith(QStringLiteral("设备已断开：")));
    QVERIFY(!Button(chart, "pbRecord")->isEnabled());

    // The file: a header, a row for the state at the start, then one per report.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.first() + '\n', QByteArray(PositionRecorder::kHeader));
    QCOMPARE(lines.size(), rows.size() + 3);
    QCOMPARE(lines.last(), QByteArray());
    const quint16 bits[] = {statusbit::Stopped, statusbit::Enabled, statusbit::Homed, statusbit::LeftLimit,
                            statusbit::RightLimit};
    bool leftLimit = false, atSpeed = false;
    for (int i = 2; i < lines.size() - 1; ++i) {
        const QList<QByteArray> f = lines.at(i).split(',');
        QVERIFY(QDateTime::fromString(QString::fromLatin1(f.at(0)), Qt::ISODateWithMs) >=
                QDateTime::fromString(QString::fromLatin1(lines.at(i - 1).split(',').at(0)), Qt::ISODateWithMs));
        const QPair<double, int> &report = rows.at(i - 2);
        const double expected = report.second < 0 ? report.first : report.second; // rounded to 6 decimals
        QVERIFY2(qAbs((report.second < 0 ? f.at(1) : f.at(7)).toDouble() - expected) < 1e-6, lines.at(i).constData());
        const int word = f.at(7).toInt();
        for (int b = 0; b < 5 && !f.at(7).isEmpty(); ++b) // no flags before the first status report
            QVERIFY2(f.at(2 + b).toInt() == ((b == 0) != bool(word & bits[b]) ? 1 : 0), lines.at(i).constData());
        leftLimit |= f.at(5) == "1";
        atSpeed |= bool(word & 0x02); // a bit the panel does not show
    }
    QVERIFY(leftLimit && atSpeed); // homing reached the left limit, the cruise its speed
    chart->close();
    QTRY_VERIFY(!chart);
}

// Recording stops with a message naming the file, keeps the whole rows
// written before and the program runs on.
void TestChart::fileFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("file size limit") << "limit";
    QTest::newRow("file removed") << "removed";
}

void TestChart::fileFaults()
{
    QFETCH(QString, fault);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fault.csv"));
    PositionRecorder recorder;
    QSignalSpy faults(&recorder, &PositionRecorder::SigFault);
    QVERIFY(recorder.Start(path, QStringLiteral("REC 1"), nullptr));
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4000;
    if (fault == "limit")
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 200 && faults.isEmpty(); ++i) {
        recorder.AddPosition(i * 0.001);
        if (i == 20 && fault == "removed")
            QVERIFY(QFile::remove(path));
        QTest::qWait(i % 20 == 0 ? PositionRecorder::kFlushMs + 100 : 0);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(faults.size(), 1);
    QVERIFY2(faults.first().first().toString().contains(path), qPrintable(faults.first().first().toString()));
    QVERIFY(!recorder.IsRecording());
    if (fault == "limit") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.size() <= 4000);
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.size() > 20 && lines.last().isEmpty());
        QCOMPARE(lines.at(lines.size() - 2).split(',').at(1).toDouble(), (lines.size() - 3) * 0.001);
    }
}

// A device is recorded once, and a file (however spelt) takes one recording at a time.
void TestChart::oneRecordingPerDeviceAndFile()
{
    PositionRecorder first, second;
    const QString a = m_dir.filePath(QStringLiteral("a.csv"));
    const QString b = m_dir.filePath(QStringLiteral("b.csv"));
    QString error;
    QVERIFY(first.Start(a, QStringLiteral("DEV 1"), &error));
    QVERIFY(!second.Start(b, QStringLiteral("DEV 1"), &error) && error.contains(QStringLiteral("DEV 1")));
    QVERIFY(!second.Start(m_dir.path() + QStringLiteral("/./a.csv"), QStringLiteral("DEV 2"), &error));
    QVERIFY(!QFile::exists(b));
    first.Stop();
    QFile started(a); // nothing was reported: no row
    QVERIFY(started.open(QIODevice::ReadOnly) && started.readAll() == PositionRecorder::kHeader);
    QVERIFY(second.Start(a, QStringLiteral("DEV 2"), &error));
}

// An export of a log that dropped its oldest lines says so in its first line.
void TestChart::logExportTellsOfDroppedLines()
{
    ControlWidget panel;
    QStringList lines;
    for (int i = 0; i < ControlWidget::kLogKeptLines + ControlWidget::kLogTrimLines; ++i)
        lines << QStringLiteral("L%1").arg(i);
    panel.OutputOptInfo(lines.join(QLatin1Char('\n')));
    const QString path = m_dir.filePath(QStringLiteral("log.txt"));
    AnswerFileDialog(path);
    panel.findChild<DeviceTrace *>()->ExportLog();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> exported = file.readAll().split('\n');
    QVERIFY2(exported.first().contains(QByteArray::number(ControlWidget::kLogTrimLines)), exported.first());
    QCOMPARE(exported.at(1), QByteArray("L1000"));
}

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
