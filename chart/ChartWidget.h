#ifndef CHARTWIDGET_H
#define CHARTWIDGET_H

#include <QList>
#include <QPointF>
#include <QVector>
#include <QTimer>
#include <QWidget>
#include <QtCharts/QChartGlobal>

#include <functional>

namespace Ui {
class ChartWidget;
}

QT_CHARTS_BEGIN_NAMESPACE
class QAreaSeries;
class QChart;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_CHARTS_END_NAMESPACE

class PlotLayer;
class PositionTrace;
class QGraphicsSimpleTextItem;

// A device's chart window: position over time from its trace, scrolling,
// with running periods shaded, homing and limits marked, the target of the
// current move and the commands sent. Redraws while shown, however fast the
// samples come, at most every kRefreshMs, and no more often than the view
// scrolls by a pixel (up to kMaxRefreshMs).
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    // Four redraws a second at most: one costs the interface thread about a
    // millisecond on X.
    static constexpr int kRefreshMs = 250;
    static constexpr int kMaxRefreshMs = 1000;
    // Command names shown at most, the newest ones.
    static constexpr int kMaxCommandLabels = 40;

    explicit ChartWidget(PositionTrace *trace, QWidget *parent = nullptr);
    ~ChartWidget() override;

    // The travel in mm, asked at each redraw: the y range unless auto-fit.
    void SetTravelSource(const std::function<int()> &travel);
    // The recording's state, file and rows written, shown below the chart.
    void SetRecording(bool bRecording, const QString &file, qint64 rows);
    void SetRecordEnabled(bool bEnabled);
    // The chart as shown, as a PNG file.
    bool SaveImage(const QString &path);
    // The position line as last drawn: time from the right edge (or the
    // moment of the pause) in the x axis' unit, position in mm.
    QVector<QPointF> ShownLine() const;

signals:
    void SigRecord(bool bStart);
    // Something the operator must be told in the program's message box.
    void SigWarning(const QString &text);

public slots:
    void Refresh();
    // Asks for a file and saves the chart in it as PNG.
    void ExportImage();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void SetUpChart();
    void Retranslate();
    void SetPaused(bool bPaused);
    qint64 ChosenSpanMs() const;
    void ShowHover(const QPoint &viewPos);
    void Zoom(const QPoint &viewPos, int delta);
    QPointF ValueAt(const QPoint &viewPos) const;
    QString CommandName(int opType) const;
    void ShowRecording();
    void PlaceCommandLabels(const QList<QPair<QPointF, QString>> &commands);

    Ui::ChartWidget *ui;
    PositionTrace *m_trace;
    std::function<int()> m_travel;
    QtCharts::QChart *m_chart = nullptr;
    QtCharts::QValueAxis *m_axisX = nullptr;
    QtCharts::QValueAxis *m_axisY = nullptr;
    QtCharts::QLineSeries *m_position = nullptr;
    PlotLayer *m_line = nullptr;
    QtCharts::QLineSeries *m_runTop = nullptr;
    QtCharts::QAreaSeries *m_running = nullptr;
    PlotLayer *m_runningLayer = nullptr;
    QtCharts::QLineSeries *m_targets[2] = {};
    QtCharts::QScatterSeries *m_homed = nullptr;
    QtCharts::QScatterSeries *m_limits = nullptr;
    QtCharts::QScatterSeries *m_commands = nullptr;
    QtCharts::QLineSeries *m_lost = nullptr;
    QList<QGraphicsSimpleTextItem *> m_commandLabels;
    QTimer m_refreshTimer;
    QString m_lastDir;
    QString m_recordFile;
    qint64 m_recordRows = 0;

    bool m_paused = false;
    qint64 m_pausedEnd = 0;
    qint64 m_pausedSpan = 0;
    qint64 m_pausedAt = 0;
    // What is on screen, to skip redraws that would change nothing.
    quint64 m_shownRevision = ~quint64(0);
    qint64 m_shownFrom = 0;
    qint64 m_shownTo = 0;
    qint64 m_shownUnitMs = 0;
    qint64 m_shownZero = 0;
    double m_shownLeft = 0.0;
    bool m_shownPaused = false;
    double m_shownLow = 0.0;
    double m_shownHigh = 0.0;
    int m_shownColumns = 0;
    bool m_dirty = true;
};

#endif
