#include "chart/DeviceTrace.h"

#include "chart/ChartWidget.h"
#include "chart/PositionRecorder.h"
#include "chart/SaveFileDialog.h"
#include "device/SerialComDev.h"

#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QTextDocument>
#include <QTextBrowser>

DeviceTrace::DeviceTrace(QWidget *panel, SerialComDev *worker, const std::function<int()> &travel,
                         QPushButton *chartButton, QTextBrowser *log)
    : QObject(panel)
    , m_panel(panel)
    , m_worker(worker)
    , m_travel(travel)
    , m_chartButton(chartButton)
    , m_log(log)
    , m_trace(new PositionTrace(this))
    , m_recorder(new PositionRecorder(this))
{
    connect(worker, &SerialComDev::SigPosChanged, m_trace, &PositionTrace::AddPosition);
    connect(worker, &SerialComDev::SigPosChanged, m_recorder, &PositionRecorder::AddPosition);
    connect(worker, &SerialComDev::SigStatusWordChanged, m_trace, &PositionTrace::AddStatus);
    connect(worker, &SerialComDev::SigStatusWordChanged, m_recorder, &PositionRecorder::AddStatus);
    connect(worker, &SerialComDev::SigOutputMsg, this, &DeviceTrace::AddLogEntry);
    connect(worker, &SerialComDev::SigDisconnect, this, &DeviceTrace::DeviceLost);
    connect(m_recorder, &PositionRecorder::SigStateChanged, this, &DeviceTrace::RecordingChanged);
    connect(m_recorder, &PositionRecorder::SigFault, this, &DeviceTrace::SigWarning);

    connect(chartButton, &QPushButton::clicked, this, &DeviceTrace::ShowChart);
    log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log, &QWidget::customContextMenuRequested, this, &DeviceTrace::ShowLogMenu);
}

DeviceTrace::~DeviceTrace()
{
    // The panel's widgets are gone by now: the recording closes its file
    // without telling anyone.
    disconnect(m_recorder, nullptr, this, nullptr);
    m_recorder->Stop();
    if (!m_chart)
        return;
    // The chart of a lost device stays open, with the moment of the loss,
    // until the operator closes it.
    if (m_trace->LostAt() >= 0 && m_chart->isVisible() && m_chart->parent() != m_panel) {
        const int travel = m_travelAtLoss;
        m_chart->SetTravelSource([travel]() { return travel; });
        m_chart->SetRecordEnabled(false);
        m_chart->setAttribute(Qt::WA_DeleteOnClose);
        m_trace->setParent(m_chart);
        disconnect(m_chart, nullptr, this, nullptr);
    } else {
        delete m_chart;
    }
}

ChartWidget *DeviceTrace::Chart() const
{
    return m_chart;
}

void DeviceTrace::SetDevName(const QString &name)
{
    m_devName = name;
    if (m_chart)
        m_chart->setWindowTitle(name);
}

void DeviceTrace::SetClock(const TraceClock &clock)
{
    m_trace->SetClock(clock);
    m_recorder->SetClock(clock);
}

void DeviceTrace::ShowChart()
{
    if (!m_chart) {
        m_chart = new ChartWidget(m_trace, m_panel->window());
        m_chart->setWindowFlags(Qt::Window);
        m_chart->setWindowTitle(m_devName);
        connect(m_chart, &ChartWidget::SigWarning, this, &DeviceTrace::SigWarning);
        m_chart->SetTravelSource(m_travel);
        m_chart->SetRecording(m_recorder->IsRecording(), m_recorder->FilePath(), m_recorder->Rows());
        m_chart->SetRecordEnabled(m_trace->LostAt() < 0);
        connect(m_chart, &ChartWidget::SigRecord, this, &DeviceTrace::Record);
        m_chart->move(m_panel->mapToGlobal(QPoint(40, 60)));
    }
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
}

// A command the device refused or that failed was not carried out: it gets
// no mark, and the target lines of the one before stay.
void DeviceTrace::AddLogEntry(QString, bool, int nOpType, int nOutcome)
{
    if (nOutcome != OutcomeSuccess)
        return;
    QVector<double> targets;
    switch (nOpType) {
    case OpHome:
    case OpStop:
    case OpJog:
    case OpDrive:
        break;
    // What the worker holds is what the device was last told.
    case OpMove:
        targets = {m_worker->CopyMoveParam().TargetPos};
        break;
    case OpCruise: {
        const CruiseParam cruise = m_worker->CopyCruiseParam();
        targets = {cruise.BeginPos, cruise.EndPos};
        break;
    }
    default:
        return;
    }
    m_trace->AddCommand(nOpType, targets);
}

void DeviceTrace::LogLinesDropped(int lines)
{
    m_droppedLogLines += lines;
}

void DeviceTrace::DeviceLost()
{
    m_travelAtLoss = m_travel();
    m_trace->MarkLost();
    m_recorder->DeviceLost();
    if (m_chart) {
        m_chart->SetRecordEnabled(false);
        m_chart->Refresh();
    }
}

void DeviceTrace::Record(bool bStart)
{
    if (!bStart) {
        m_recorder->Stop();
        return;
    }
    QPointer<DeviceTrace> self(this);
    const QString path = AskSaveFile(m_chart, tr("记录到 CSV 文件"), m_devName, QString(), QStringLiteral("csv"),
                                     tr("CSV 文件 (*.csv)"), &m_lastDir);
    if (!self)
        return;
    QString error;
    if (path.isEmpty() || m_trace->LostAt() >= 0 || !m_recorder->Start(path, m_devName, &error)) {
        RecordingChanged(false);
        if (!error.isEmpty())
            emit SigWarning(error);
    }
}

void DeviceTrace::RecordingChanged(bool bRecording)
{
    m_chartButton->setProperty("recording", bRecording);
    m_chartButton->style()->unpolish(m_chartButton);
    m_chartButton->style()->polish(m_chartButton);
    if (m_chart)
        m_chart->SetRecording(bRecording, m_recorder->FilePath(), m_recorder->Rows());
}

void DeviceTrace::ExportLog()
{
    QPointer<DeviceTrace> self(this);
    const QString path = AskSaveFile(m_panel, tr("导出日志"), m_devName, QStringLiteral("log"),
                                     QStringLiteral("txt"), tr("文本文件 (*.txt)"), &m_lastDir);
    if (!self || path.isEmpty())
        return;
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
    } else {
        if (m_droppedLogLines > 0) {
            file.write(tr("此文件只含日志最新的 %1 行：更早的 %2 行已从面板删除。")
                           .arg(m_log->document()->blockCount())
                           .arg(m_droppedLogLines)
                           .toUtf8());
            file.write("\n");
        }
        file.write(m_log->toPlainText().toUtf8());
        file.write("\n");
        if (!file.commit())
            error = file.errorString();
    }
    if (!error.isEmpty())
        emit SigWarning(tr("无法保存日志文件 %1：%2").arg(QDir::toNativeSeparators(path), error));
}

void DeviceTrace::ShowLogMenu(const QPoint &pos)
{
    QPointer<DeviceTrace> self(this);
    QPointer<QMenu> menu = m_log->createStandardContextMenu(pos);
    menu->addSeparator();
    QAction *exportLog = menu->addAction(tr("导出日志…"));
    QAction *chosen = menu->exec(m_log->viewport()->mapToGlobal(pos));
    if (!self || !menu)
        return;
    delete menu;
    if (chosen == exportLog)
        ExportLog();
}
