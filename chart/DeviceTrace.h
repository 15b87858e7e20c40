#ifndef DEVICETRACE_H
#define DEVICETRACE_H

#include "chart/PositionTrace.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class ChartWidget;
class PositionRecorder;
class SerialComDev;
class QPushButton;
class QTextBrowser;

// What a control panel keeps of its device beyond the moment: the position
// trace fed by the worker's signals, its chart window (opened by the panel's
// chart button, one per device, reopened where it was), the recording to CSV
// and the export of the panel's log (an entry of the log's context menu).
// Created by the panel, which owns it, with its device worker and the
// source of the current model's travel in mm.
class DeviceTrace : public QObject
{
    Q_OBJECT

public:
    DeviceTrace(QWidget *panel, SerialComDev *worker, const std::function<int()> &travel,
                QPushButton *chartButton, QTextBrowser *log);
    ~DeviceTrace() override;

    // The device's name: the chart's title and the start of file names.
    void SetDevName(const QString &name);
    // The clock of the trace and the recording (tests and benchmarks).
    void SetClock(const TraceClock &clock);

    PositionTrace *Trace() const { return m_trace; }
    PositionRecorder *Recorder() const { return m_recorder; }
    // The chart window once it has been opened.
    ChartWidget *Chart() const;
    // The log dropped its oldest lines: its export says how many are missing.
    void LogLinesDropped(int lines);

signals:
    // Something the operator must be told in the program's message box.
    void SigWarning(const QString &text);

public slots:
    void ShowChart();
    void ExportLog();

private slots:
    void AddLogEntry(QString strMsg, bool bWarning, int nOpType, int nOutcome);
    void DeviceLost();
    void Record(bool bStart);
    void RecordingChanged(bool bRecording);
    void ShowLogMenu(const QPoint &pos);

private:
    QWidget *m_panel;
    SerialComDev *m_worker;
    std::function<int()> m_travel;
    QPushButton *m_chartButton;
    QTextBrowser *m_log;
    PositionTrace *m_trace;
    PositionRecorder *m_recorder;
    QPointer<ChartWidget> m_chart;
    QString m_devName;
    QString m_lastDir;
    int m_droppedLogLines = 0;
    // The panel is being destroyed when its chart is handed over.
    int m_travelAtLoss = 0;
};

#endif
