// A panel's chart window, recording and exports, driven through the real
// widgets on the simulated library; the worker is polled in step with the
// simulator's manual clock.
#include "app/MainWidget.h"
#include "chart/ChartWidget.h"
#include "chart/DeviceTrace.h"
#include "chart/PositionRecorder.h"
#include "config/DevConfig.h"
#include "panel/ControlWidget.h"
#include "panel/CruiseCtrlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTranslator>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtTest>

#include <memory>

namespace {

const char kSerial[] = "ORV 202405170042";
constexpr qint64 kBase = 1772366400000; // the trace's clock: this plus the simulator's

// Types path into the next file dialog and accepts it.
void AnswerFileDialog(const QString &path)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, path]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    });
    timer->start();
}

// Chooses the entry text of the next context menu.
void ChooseMenuEntry(const QString &text)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, text]() {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        timer->stop();
        timer->deleteLater();
        for (QAction *action : menu->actions()) {
            if (action->text() == text)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        }
    });
    timer->start();
}

QtCharts::QXYSeries *Series(ChartWidget *chart, const QString &name)
{
    for (QtCharts::QAbstractSeries *s : chart->findChild<QtCharts::QChartView *>()->chart()->series()) {
        if (s->name() == name)
            return qobject_cast<QtCharts::QXYSeries *>(s);
    }
    return nullptr;
}

} // namespace

class TestChart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void chartShowsWorkerUpdates();
    void ringAndLineStayBounded();
    void recordingEndsWithLostDevice();
    void exports();
    void screenshots();

private:
    bool MakePanel(QWidget *host = nullptr);
    // Moves the simulator's clock on by ms, polling the worker every 60 ms.
    void Run(int ms);
    DeviceTrace *Trace() const { return m_panel->findChild<DeviceTrace *>(); }
    QPushButton *Button(QWidget *w, const char *name) const { return w->findChild<QPushButton *>(name); }
    ChartWidget *OpenChart();

    std::unique_ptr<DevConfig> m_store;
    QPointer<ControlWidget> m_panel;
    bool m_made = false;
    int m_handle = -1;
    QTemporaryDir m_dir;
};

void TestChart::initTestCase()
{
    QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
    m_store.reset(new DevConfig);
    SetDevConfig(m_store.get());
    QVERIFY(m_dir.isValid());
}

void TestChart::init()
{
    simReset();
    simUseManualClock(1);
    m_handle = simAttach(kSerial, 3, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
}

void TestChart::cleanup()
{
    delete m_panel;
    // The worker closes the device before the next test resets the simulator.
    if (m_made)
        QTRY_VERIFY_WITH_TIMEOUT(simjournal::Journal().contains(QStringLiteral("closeDev(%1)").arg(m_handle)), 10000);
    m_made = false;
}

bool TestChart::MakePanel(QWidget *host)
{
    m_made = true;
    m_panel = new ControlWidget(host);
    m_panel->SetDevInfo({QString::fromLatin1(kSerial), m_handle, true});
    Trace()->SetClock([]() { return kBase + qint64(simNowMs()); });
    MoveParam move;
    JogParam jog;
    DriveParam drive;
    CruiseParam cruise;
    m_store->LoadDevParams(QString::fromLatin1(kSerial), move, jog, drive, cruise);
    m_panel->SetInitParams(move, jog, drive, cruise);
    m_panel->show();
    auto *log = m_panel->findChild<QTextBrowser *>("textBrowser");
    if (!QTest::qWaitFor([log] { return log->toPlainText().contains("初始化运动轴参数成功"); }, 5000))
        return false;
    QTest::qWait(200); // the first poll's reports
    return true;
}

void TestChart::Run(int ms)
{
    for (int t = 0; t < ms; t += 60) {
        simAdvanceClock(60);
        QMetaObject::invokeMethod(m_panel->GetWorker(), "UpdateStatus", Qt::BlockingQueuedConnection);
        QCoreApplication::processEvents();
    }
}

ChartWidget *TestChart::OpenChart()
{
    QTest::mouseClick(Button(m_panel, "pbChart"), Qt::LeftButton);
    ChartWidget *chart = Trace()->Chart();
    return chart && QTest::qWaitForWindowExposed(chart) ? chart : nullptr;
}

// The chart's trace holds exactly what the worker reported, in order, and
// the window draws the line up to the last position.
void TestChart::chartShowsWorkerUpdates()
{
    QVERIFY(MakePanel());
    ChartWidget *chart = OpenChart();
    QVERIFY(chart);
    QCOMPARE(chart->windowTitle(), QString::fromLatin1(kSerial));

    QMutex mutex;
    QList<QPair<double, int>> reports; // position, or -1 and a status word
    QObject context;
    SerialComDev *worker = m_panel->GetWorker();
    connect(worker, &SerialComDev::SigPosChanged, &context, [&](double pos) {
        QMutexLocker locker(&mutex);
        reports.append({pos, -1});
    }, Qt::DirectConnection);
    connect(worker, &SerialComDev::SigStatusChanged, &context, [&](bool, bool, bool, bool, bool, quint16 word) {
        QMutexLocker locker(&mutex);
        reports.append({-1.0, word});
    }, Qt::DirectConnection);
    const PositionTrace *trace = Trace()->Trace();
    const int before = trace->Samples().Size();

    QTest::mouseClick(Button(m_panel, "pbHome"), Qt::LeftButton);
    Run(6000);
    QTest::mouseClick(Button(m_panel, "pbSetting"), Qt::LeftButton);
    QTest::mouseClick(Button(m_panel->findChild<CruiseCtrlWidget *>(), "pbConfirm"), Qt::LeftButton);
    Run(6000);
    QTest::qWait(100);

    QMutexLocker locker(&mutex);
    QVERIFY(reports.size() > 50);
    QCOMPARE(trace->Samples().Size() - before, reports.size());
    double pos = trace->Samples().At(before).pos;
    for (int i = 0; i < reports.size(); ++i) {
        const TraceSample &s = trace->Samples().At(before + i);
        if (reports[i].second < 0)
            pos = reports[i].first;
        else
            QCOMPARE(int(s.status), reports[i].second);
        QCOMPARE(s.pos, pos);
    }
    // Home and cruise marked on the time axis; the slide reached home.
    int commands = 0, homed = 0;
    for (int i = 0; i < trace->Events().Size(); ++i) {
        commands += trace->Events().At(i).kind == TraceEvent::Command ? 1 : 0;
        homed += trace->Events().At(i).kind == TraceEvent::HomeReached ? 1 : 0;
    }
    QCOMPARE(commands, 2);
    QCOMPARE(homed, 1);
    chart->Refresh();
    QtCharts::QXYSeries *line = Series(chart, "位置");
    QVERIFY(line && line->count() > 2);
    QCOMPARE(line->at(line->count() - 1).y(), trace->Samples().Last().pos);
    QCOMPARE(Series(chart, "目标位置")->count(), 2); // the cruise's two ends

    // Paused, the view stands still while samples keep coming.
    locker.unlock();
    const QVector<QPointF> shown = line->pointsVector();
    const int samples = trace->Samples().Size();
    QTest::mouseClick(Button(chart, "pbPause"), Qt::LeftButton);
    Run(2000);
    chart->Refresh();
    QCOMPARE(line->pointsVector(), shown);
    QVERIFY(trace->Samples().Size() > samples);
    QTest::mouseClick(Button(chart, "pbPause"), Qt::LeftButton);
    QCOMPARE(line->at(line->count() - 1).y(), trace->Samples().Last().pos);
}

// However many updates come, the trace keeps its capacity and the drawn
// line at most four points per pixel column.
void TestChart::ringAndLineStayBounded()
{
    m_made = true;
    m_panel = new ControlWidget;
    m_panel->SetDevInfo({QString::fromLatin1(kSerial), m_handle, true});
    qint64 now = kBase;
    Trace()->SetClock([&now]() { return now; });
    ChartWidget *chart = OpenChart();
    QVERIFY(chart);
    chart->findChild<QComboBox *>("cbSpan")->setCurrentIndex(3); // 30 min

    SerialComDev *worker = m_panel->GetWorker();
    const int total = PositionTrace::kSampleCapacity + 5000;
    auto wave = [](int i) { return (i % 200) * 0.01; };
    for (int i = 1; i <= total; ++i) {
        now += 60;
        emit worker->SigPosChanged(wave(i));
    }
    const PositionTrace *trace = Trace()->Trace();
    QCOMPARE(trace->Samples().Size(), PositionTrace::kSampleCapacity);
    QCOMPARE(trace->Samples().Last().pos, wave(total));
    QCOMPARE(trace->Floor().pos, wave(total - PositionTrace::kSampleCapacity));

    chart->Refresh();
    const int columns = chart->findChild<QtCharts::QChartView *>()->chart()->plotArea().width();
    QVERIFY(columns > 100);
    QVERIFY2(chart->ShownPoints() > columns && chart->ShownPoints() <= 4 * columns + 2,
             qPrintable(QStringLiteral("%1 points, %2 columns").arg(chart->ShownPoints()).arg(columns)));
}

// A recording runs until the device goes; the file then ends with the last
// position, the chart marks the loss and stays open after the panel.
void TestChart::recordingEndsWithLostDevice()
{
    QWidget host;
    host.show();
    QVERIFY(MakePanel(&host));
    QPointer<ChartWidget> chart = OpenChart();
    QVERIFY(chart);
    const QString path = m_dir.filePath("lost.csv");
    AnswerFileDialog(path);
    QTest::mouseClick(Button(chart, "pbRecord"), Qt::LeftButton);
    PositionRecorder *recorder = Trace()->Recorder();
    QVERIFY(recorder->IsRecording());
    QCOMPARE(Button(m_panel, "pbChart")->property("recording").toBool(), true);
    QVERIFY(chart->findChild<QLabel *>("lbRecord")->text().contains(QDir::toNativeSeparators(path)));

    QTest::mouseClick(Button(m_panel, "pbMove"), Qt::LeftButton);
    Run(1500);
    simDetach(m_handle);
    Run(600);
    QTRY_VERIFY(!recorder->IsRecording());
    QCOMPARE(Button(m_panel, "pbChart")->property("recording").toBool(), false);
    QVERIFY(!Button(chart, "pbRecord")->isEnabled());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() > 10);
    QCOMPARE(lines.last(), QByteArray());
    QVERIFY(qAbs(lines.at(lines.size() - 2).split(',').at(1).toDouble() - Trace()->Trace()->Samples().Last().pos) < 1e-6);

    const qint64 lost = Trace()->Trace()->LostAt();
    QVERIFY(lost > 0);
    const QString at = QDateTime::fromMSecsSinceEpoch(lost).toString("hh:mm:ss.zzz");
    QCOMPARE(chart->findChild<QtCharts::QChartView *>()->chart()->title(), QStringLiteral("设备已断开：") + at);

    delete m_panel;
    QVERIFY(chart && chart->isVisible());
    chart->close();
    QTRY_VERIFY(!chart);
    simReattach(m_handle);
}

// The log as UTF-8 text from its context menu, the chart as PNG; closing
// the panel ends a recording.
void TestChart::exports()
{
    QVERIFY(MakePanel());
    auto *log = m_panel->findChild<QTextBrowser *>("textBrowser");
    const QString logPath = m_dir.filePath("log.txt");
    ChooseMenuEntry("导出日志…");
    AnswerFileDialog(logPath);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(20, 20));
    QCoreApplication::sendEvent(log->viewport(), &menu);
    QFile text(logPath);
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QByteArray bytes = text.readAll();
    QCOMPARE(bytes, (log->toPlainText() + "\n").toUtf8());
    QVERIFY(QString::fromUtf8(bytes).contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\n初始化运动轴参数成功",
                                                                 QRegularExpression::MultilineOption)));

    ChartWidget *chart = OpenChart();
    QVERIFY(chart);
    const QString imagePath = m_dir.filePath("chart.png");
    AnswerFileDialog(imagePath);
    QTest::mouseClick(Button(chart, "pbExport"), Qt::LeftButton);
    const QImage image(imagePath);
    QCOMPARE(image.size(), chart->findChild<QtCharts::QChartView *>()->size());

    // A panel closed while recording closes the file after its last row.
    const QString csvPath = m_dir.filePath("closed.csv");
    AnswerFileDialog(csvPath);
    QTest::mouseClick(Button(chart, "pbRecord"), Qt::LeftButton);
    QTest::mouseClick(Button(m_panel, "pbMove"), Qt::LeftButton);
    Run(600);
    delete m_panel;
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray rows = csv.readAll();
    QVERIFY(rows.count('\n') > 5);
    QVERIFY(rows.endsWith('\n'));
}

// Pictures of the chart during a cruise in both languages and of a recorded
// CSV for a person to look at; only when ACTUATOR_SHOTS_DIR names a folder.
void TestChart::screenshots()
{
    const QString dir = qEnvironmentVariable("ACTUATOR_SHOTS_DIR");
    if (dir.isEmpty())
        QSKIP("set ACTUATOR_SHOTS_DIR to take screenshots");
    QVERIFY(QDir().mkpath(dir));
    m_store->SaveCruiseParam(QString::fromLatin1(kSerial), {0.5, 5.5, 500, 20});
    simSetPosition(m_handle, 2.0);
    QVERIFY(MakePanel());
    ChartWidget *chart = OpenChart();
    QVERIFY(chart);
    chart->resize(1000, 560);
    const QString csv = dir + "/recording.csv";
    QFile::remove(csv);
    AnswerFileDialog(csv);
    QTest::mouseClick(Button(chart, "pbRecord"), Qt::LeftButton);

    QTest::mouseClick(Button(m_panel, "pbHome"), Qt::LeftButton);
    Run(3500);
    QTest::mouseClick(Button(m_panel, "pbMove"), Qt::LeftButton);
    Run(4500);
    QTest::qWait(150); // the buttons' lock after a move
    QTest::mouseClick(Button(m_panel, "pbSetting"), Qt::LeftButton);
    QTest::mouseClick(Button(m_panel->findChild<CruiseCtrlWidget *>(), "pbConfirm"), Qt::LeftButton);
    Run(24000);

    auto *view = chart->findChild<QtCharts::QChartView *>();
    const auto hover = [&]() {
        QTest::qWait(200);
        const QRectF plot = view->chart()->plotArea();
        QMouseEvent move(QEvent::MouseMove, view->mapFromScene(plot.center() + QPointF(plot.width() / 4, 0)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        QTest::qWait(100);
    };
    hover();
    QVERIFY(chart->grab().save(dir + "/chart_cn.png"));

    QTranslator english;
    QVERIFY(english.load(QStringLiteral(PROGRAM_QM_FILE)));
    QCoreApplication::installTranslator(&english);
    Run(1000);
    hover();
    QVERIFY(chart->grab().save(dir + "/chart_en.png"));
    QTest::mouseClick(Button(chart, "pbPause"), Qt::LeftButton);
    const QPointF zoomAt = view->chart()->plotArea().center() + QPointF(view->chart()->plotArea().width() / 4, 0);
    for (int i = 0; i < 3; ++i) {
        QWheelEvent wheel(zoomAt, view->viewport()->mapToGlobal(zoomAt.toPoint()), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view->viewport(), &wheel);
    }
    Run(1000);
    hover();
    QVERIFY(chart->grab().save(dir + "/chart_paused_en.png"));
    QTest::mouseClick(Button(chart, "pbPause"), Qt::LeftButton);
    QVERIFY(m_panel->grab().save(dir + "/panel_en.png"));
    QCoreApplication::removeTranslator(&english);

    QTest::mouseClick(Button(chart, "pbRecord"), Qt::LeftButton);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QPlainTextEdit viewer;
    viewer.setWindowTitle(csv);
    viewer.setPlainText(QString::fromUtf8(file.readAll()));
    viewer.resize(760, 420);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.grab().save(dir + "/recording_csv.png"));
}

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
