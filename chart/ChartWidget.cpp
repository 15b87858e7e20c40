#include "chart/ChartWidget.h"
#include "ui_ChartWidget.h"

#include "chart/PlotView.h"
#include "chart/PositionTrace.h"
#include "chart/SaveFileDialog.h"
#include "device/SerialComDev.h"

#include <QDateTime>
#include <QDir>
#include <QMetaMethod>
#include <QPointer>
#include <QEvent>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QChart>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {

constexpr qint64 kSpansMs[] = {30 * 1000, 60 * 1000, 5 * 60 * 1000, 30 * 60 * 1000};
constexpr int kDefaultSpan = 1; // 60 s
constexpr qint64 kMinZoomMs = 1000;
constexpr qint64 kMaxZoomMs = 2 * 60 * 60 * 1000;

const QColor kBackground(50, 50, 50);
const QColor kPlotBackground(36, 36, 36);
const QColor kText(255, 255, 255);
const QColor kGrid(80, 80, 80);
const QColor kPosition(110, 205, 255);
const QColor kRunning(60, 190, 90, 45);
const QColor kTarget(255, 170, 0);
const QColor kHomed(60, 220, 110);
const QColor kLimit(240, 60, 60);
const QColor kCommand(230, 230, 230);
const QColor kLost(255, 70, 70);

// Step of about six grid lines over range: 1, 2 or 5 times a power of ten.
double NiceStep(double range)
{
    const double raw = range / 6.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * magnitude)
            return factor * magnitude;
    }
    return 10.0 * magnitude;
}

// A range with about six grid lines at round values and labels with as
// many decimals as their step needs.
void SetAxis(QValueAxis *axis, double low, double high)
{
    const double step = NiceStep(high - low);
    axis->setTickInterval(step);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(std::max(0, int(-std::floor(std::log10(step))))));
    axis->setRange(low, high);
}

// Replacing a series' points lays the series out again, outline included,
// even when they are the same.
void Show(QXYSeries *series, const QVector<QPointF> &points)
{
    if (series->pointsVector() != points)
        series->replace(points);
}

QString TimeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("hh:mm:ss.zzz"));
}

} // namespace

// A part of the plot drawn by itself rather than as a series: a series is
// laid out anew, its outline traced for hit tests, whenever its points
// change, and in a scrolling chart they change at every redraw. The points
// are values (time in the x axis' unit, position in mm), mapped when painted,
// so that the layer follows the plot area and the axes' ranges as the series do.
class PlotLayer : public QGraphicsItem
{
public:
    using Draw = std::function<void(QPainter *, const QPolygonF &)>;

    PlotLayer(QChart *chart, QValueAxis *axisX, QValueAxis *axisY, qreal z, const Draw &draw)
        : QGraphicsItem(chart)
        , m_axisX(axisX)
        , m_axisY(axisY)
        , m_area(chart->plotArea())
        , m_draw(draw)
    {
        setZValue(z);
        QObject::connect(chart, &QChart::plotAreaChanged, chart, [this](const QRectF &area) {
            prepareGeometryChange();
            m_area = area;
        });
        for (QValueAxis *axis : {axisX, axisY})
            QObject::connect(axis, &QValueAxis::rangeChanged, chart, [this]() { update(); });
    }

    void SetPoints(const QVector<QPointF> &points)
    {
        if (points == m_points)
            return;
        m_points = points;
        update();
    }
    const QVector<QPointF> &Points() const { return m_points; }

    QRectF boundingRect() const override { return m_area; }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        const double left = m_axisX->min();
        const double low = m_axisY->min();
        const double sx = m_area.width() / (m_axisX->max() - left);
        const double sy = m_area.height() / (m_axisY->max() - low);
        QPolygonF mapped;
        mapped.reserve(m_points.size());
        for (const QPointF &p : qAsConst(m_points))
            mapped << QPointF(m_area.left() + (p.x() - left) * sx, m_area.bottom() - (p.y() - low) * sy);
        painter->setClipRect(m_area);
        m_draw(painter, mapped);
    }

private:
    QValueAxis *m_axisX;
    QValueAxis *m_axisY;
    QRectF m_area;
    Draw m_draw;
    QVector<QPointF> m_points;
};

ChartWidget::ChartWidget(PositionTrace *trace, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ChartWidget)
    , m_trace(trace)
{
    ui->setupUi(this);
    ui->cbSpan->setCurrentIndex(kDefaultSpan);
    SetUpChart();
    Retranslate();

    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ChartWidget::Refresh);
    connect(ui->cbSpan, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this]() {
        if (m_paused)
            m_pausedSpan = ChosenSpanMs();
        m_dirty = true;
        Refresh();
    });
    connect(ui->cbAutoFit, &QCheckBox::toggled, this, [this]() {
        m_dirty = true;
        Refresh();
    });
    connect(ui->pbPause, &QPushButton::toggled, this, &ChartWidget::SetPaused);
    connect(ui->pbRecord, &QPushButton::clicked, this, &ChartWidget::SigRecord);
    connect(ui->pbExport, &QPushButton::clicked, this, &ChartWidget::ExportImage);

    ui->chartView->viewport()->setMouseTracking(true);
    ui->chartView->viewport()->installEventFilter(this);
}

ChartWidget::~ChartWidget()
{
    delete ui;
}

void ChartWidget::SetUpChart()
{
    m_chart = new QChart;
    m_chart->setTheme(QChart::ChartThemeDark);
    m_chart->setMargins(QMargins(6, 6, 6, 6));
    m_chart->setTitleBrush(kLost);
    QFont titleFont = m_chart->titleFont();
    titleFont.setPixelSize(15);
    titleFont.setBold(true);
    m_chart->setTitleFont(titleFont);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->legend()->setLabelColor(kText);

    // Time runs to 0 at the right edge: the labels stay put while the chart
    // scrolls, so they are not laid out again at every redraw.
    m_axisX = new QValueAxis;
    m_axisY = new QValueAxis;
    for (QValueAxis *axis : {m_axisX, m_axisY}) {
        axis->setRange(0.0, 1.0);
        axis->setTickInterval(0.2); // dynamic ticks need one before the first layout
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0.0);
    }
    for (QAbstractAxis *axis : {static_cast<QAbstractAxis *>(m_axisX), static_cast<QAbstractAxis *>(m_axisY)}) {
        axis->setLabelsColor(kText);
        axis->setTitleBrush(kText);
        // A cosmetic pen: the bounds of a line drawn with a wider one are
        // found by outlining it, for every item at every redraw.
        QPen line = axis->linePen();
        line.setWidth(0);
        axis->setLinePen(line);
    }
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);

    // The running periods and the position line are layers of their own
    // (see PlotLayer); their series, without points, name them in the
    // legend, and the position's maps the pointer.
    m_runTop = new QLineSeries(this);
    m_running = new QAreaSeries(m_runTop);
    m_running->setBrush(kRunning);
    m_running->setPen(Qt::NoPen);

    m_position = new QLineSeries;
    m_position->setPen(QPen(kPosition, 1));

    for (QLineSeries *&target : m_targets) {
        target = new QLineSeries;
        target->setPen(QPen(kTarget, 1.5, Qt::DashLine));
    }

    auto scatter = [](QScatterSeries::MarkerShape shape, const QColor &color, qreal size) {
        auto *series = new QScatterSeries;
        series->setMarkerShape(shape);
        series->setMarkerSize(size);
        series->setColor(color);
        series->setBorderColor(kBackground);
        return series;
    };
    m_homed = scatter(QScatterSeries::MarkerShapeCircle, kHomed, 9);
    m_limits = scatter(QScatterSeries::MarkerShapeRectangle, kLimit, 13);
    m_commands = scatter(QScatterSeries::MarkerShapeRectangle, kCommand, 8);

    m_lost = new QLineSeries;
    m_lost->setPen(QPen(kLost, 2, Qt::DashDotLine));

    const QList<QXYSeries *> drawn{m_position, m_targets[0], m_targets[1], m_limits, m_homed, m_commands, m_lost};
    m_chart->addSeries(m_running);
    m_running->attachAxis(m_axisX);
    m_running->attachAxis(m_axisY);
    for (QXYSeries *series : drawn) {
        m_chart->addSeries(series);
        series->attachAxis(m_axisX);
        series->attachAxis(m_axisY);
    }
    // One legend entry for both target lines; the loss has one once it happened.
    for (QLegendMarker *marker : m_chart->legend()->markers(m_targets[1]) + m_chart->legend()->markers(m_lost))
        marker->setVisible(false);

    // The shading where the series' were, below the other series; the line
    // above them, below the legend. Pairs of points are the opposite
    // corners of the periods; the line's pen is cosmetic, 1 px, drawn
    // without stroking.
    m_runningLayer = new PlotLayer(m_chart, m_axisX, m_axisY, 3.5, [](QPainter *painter, const QPolygonF &corners) {
        for (int i = 0; i + 1 < corners.size(); i += 2)
            painter->fillRect(QRectF(corners.at(i), corners.at(i + 1)).normalized(), kRunning);
    });
    m_line = new PlotLayer(m_chart, m_axisX, m_axisY, 4.5, [](QPainter *painter, const QPolygonF &line) {
        painter->setPen(QPen(kPosition, 0));
        painter->drawPolyline(line);
    });

    // The view gives up the chart it made for itself without deleting it.
    QChart *own = ui->chartView->chart();
    ui->chartView->setChart(m_chart);
    delete own;
    // The view's background, with the plot area and the grid, covers the
    // whole view: nothing is painted below it.
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    ui->chartView->setFrameShape(QFrame::NoFrame);
    ui->chartView->viewport()->setAutoFillBackground(false);
    ui->chartView->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    ui->chartView->SetBackdrop(m_axisX, m_axisY, kBackground, kPlotBackground, kGrid);
}

void ChartWidget::Retranslate()
{
    ui->retranslateUi(this);
    ui->pbPause->setText(m_paused ? tr("继续") : tr("暂停"));
    ShowRecording();
    m_position->setName(tr("位置"));
    m_running->setName(tr("运行中"));
    m_targets[0]->setName(tr("目标位置"));
    m_targets[1]->setName(tr("目标位置"));
    m_homed->setName(tr("已归零"));
    m_limits->setName(tr("限位"));
    m_commands->setName(tr("命令"));
    m_lost->setName(tr("设备已断开"));
    m_axisY->setTitleText(tr("位置 (mm)"));
    m_shownUnitMs = 0;
    m_dirty = true;
    if (isVisible())
        Refresh();
}

void ChartWidget::SetTravelSource(const std::function<int()> &travel)
{
    m_travel = travel;
    m_dirty = true;
}

void ChartWidget::SetRecording(bool bRecording, const QString &file, qint64 rows)
{
    const QSignalBlocker blocker(ui->pbRecord);
    ui->pbRecord->setChecked(bRecording);
    m_recordFile = QDir::toNativeSeparators(file);
    m_recordRows = rows;
    ShowRecording();
}

void ChartWidget::ShowRecording()
{
    const bool recording = ui->pbRecord->isChecked();
    ui->pbRecord->setText(recording ? tr("停止记录") : tr("记录"));
    if (m_recordFile.isEmpty())
        ui->lbRecord->clear();
    else if (recording)
        ui->lbRecord->setText(tr("正在记录：%1").arg(m_recordFile));
    else
        ui->lbRecord->setText(tr("已记录 %1 行：%2").arg(m_recordRows).arg(m_recordFile));
}

void ChartWidget::SetRecordEnabled(bool bEnabled)
{
    ui->pbRecord->setEnabled(bEnabled);
}

bool ChartWidget::SaveImage(const QString &path)
{
    return ui->chartView->grab().save(path, "PNG");
}

void ChartWidget::ExportImage()
{
    QPointer<ChartWidget> self(this);
    const QString path = AskSaveFile(this, tr("导出位置曲线"), windowTitle(), QStringLiteral("chart"),
                                     QStringLiteral("png"), tr("PNG 图片 (*.png)"), &m_lastDir);
    if (!self || path.isEmpty())
        return;
    if (SaveImage(path))
        return;
    const QString text = tr("无法保存图片 %1。").arg(QDir::toNativeSeparators(path));
    // A chart that outlived its panel has nobody to pass the message to.
    if (isSignalConnected(QMetaMethod::fromSignal(&ChartWidget::SigWarning)))
        emit SigWarning(text);
    else
        ui->lbRecord->setText(text);
}

QVector<QPointF> ChartWidget::ShownLine() const
{
    return m_line->Points();
}

qint64 ChartWidget::ChosenSpanMs() const
{
    const int index = ui->cbSpan->currentIndex();
    return kSpansMs[index >= 0 && index < 4 ? index : kDefaultSpan];
}

void ChartWidget::SetPaused(bool bPaused)
{
    m_paused = bPaused;
    if (bPaused) {
        m_pausedEnd = m_shownTo > m_shownFrom ? m_shownTo : m_trace->Now();
        m_pausedSpan = m_shownTo > m_shownFrom ? m_shownTo - m_shownFrom : ChosenSpanMs();
        m_pausedAt = m_pausedEnd;
    }
    ui->pbPause->setText(bPaused ? tr("继续") : tr("暂停"));
    m_dirty = true;
    Refresh();
}

void ChartWidget::Refresh()
{
    if (!isVisible())
        return;
    const qint64 span = m_paused ? m_pausedSpan : ChosenSpanMs();
    qint64 to = m_paused ? m_pausedEnd : m_trace->Now();
    // After a loss the view stops a little past it, so the mark stays in sight.
    if (!m_paused && m_trace->LostAt() >= 0)
        to = std::min(to, m_trace->LostAt() + span / 10);
    const qint64 from = to - span;
    const int columns = std::max(1, int(m_chart->plotArea().width()));
    const bool newData = !m_paused && m_trace->Revision() != m_shownRevision;
    // Nothing new and less than a pixel to scroll: leave the picture as it is.
    if (!m_dirty && !newData && columns == m_shownColumns && span == m_shownTo - m_shownFrom
        && (to - m_shownTo) * columns < span)
        return;

    // x: time from now (or from the moment of the pause), in seconds, or
    // minutes for long spans.
    const qint64 unitMs = span >= 5 * 60 * 1000 ? 60 * 1000 : 1000;
    const qint64 zero = m_paused ? m_pausedAt : to;
    const auto x = [zero, unitMs](qint64 t) { return double(t - zero) / double(unitMs); };
    QVector<QPointF> line = m_trace->PositionLine(from, to, columns);
    for (QPointF &p : line)
        p.setX(x(qint64(p.x())));
    const QVector<double> &targets = m_trace->Targets();

    double low = 0.0;
    double high = 0.0;
    const int travel = m_travel ? m_travel() : 0;
    if (ui->cbAutoFit->isChecked() || travel <= 0) {
        low = line.isEmpty() ? 0.0 : line.first().y();
        high = low;
        for (const QPointF &p : line) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
        const double pad = std::max((high - low) * 0.08, 0.005);
        low -= pad;
        high += pad;
    } else {
        low = -0.02 * travel;
        high = 1.02 * travel;
    }
    if (low != m_shownLow || high != m_shownHigh) {
        SetAxis(m_axisY, low, high);
        m_shownLow = low;
        m_shownHigh = high;
    }
    if (unitMs != m_shownUnitMs || x(from) != m_shownLeft || m_paused != m_shownPaused) {
        SetAxis(m_axisX, x(from), x(to));
        const QString unit = unitMs == 1000 ? QStringLiteral("s") : QStringLiteral("min");
        m_axisX->setTitleText(m_paused ? tr("时间 (%1，0 = 暂停时)").arg(unit) : tr("时间 (%1，0 = 现在)").arg(unit));
        m_shownUnitMs = unitMs;
        m_shownLeft = x(from);
        m_shownPaused = m_paused;
    }

    m_line->SetPoints(line);

    QVector<QPointF> running;
    for (const auto &period : m_trace->RunningPeriods(from, to, span / columns))
        running << QPointF(x(period.first), low) << QPointF(x(period.second), high);
    m_runningLayer->SetPoints(running);

    for (int i = 0; i < 2; ++i) {
        if (i < targets.size())
            Show(m_targets[i], {QPointF(x(from), targets[i]), QPointF(x(to), targets[i])});
        else
            Show(m_targets[i], {});
    }

    QVector<QPointF> homed, limits, commands;
    QList<QPair<QPointF, QString>> labels;
    const double commandY = low + (high - low) * 0.03;
    const BoundedRing<TraceEvent> &events = m_trace->Events();
    for (int i = events.Size() - 1; i >= 0; --i) {
        const TraceEvent &e = events.At(i);
        if (e.timeMs < from)
            break;
        if (e.timeMs > to)
            continue;
        const double t = x(e.timeMs);
        switch (e.kind) {
        case TraceEvent::HomeReached:
            homed << QPointF(t, e.pos);
            break;
        case TraceEvent::LeftLimit:
        case TraceEvent::RightLimit:
            limits << QPointF(t, e.pos);
            break;
        case TraceEvent::Command:
            commands << QPointF(t, commandY);
            if (labels.size() < kMaxCommandLabels)
                labels << qMakePair(QPointF(t, commandY), CommandName(e.opType));
            break;
        case TraceEvent::Lost:
            break;
        }
    }
    Show(m_homed, homed);
    Show(m_limits, limits);
    Show(m_commands, commands);

    const qint64 lost = m_trace->LostAt();
    if (lost >= from && lost <= to)
        Show(m_lost, {QPointF(x(lost), low), QPointF(x(lost), high)});
    else
        Show(m_lost, {});
    const QString title = lost >= 0 ? tr("设备已断开：%1").arg(TimeText(lost)) : QString();
    if (m_chart->title() != title) {
        m_chart->setTitle(title);
        for (QLegendMarker *marker : m_chart->legend()->markers(m_lost))
            marker->setVisible(lost >= 0);
    }
    PlaceCommandLabels(labels);

    m_shownRevision = m_trace->Revision();
    m_shownFrom = from;
    m_shownTo = to;
    m_shownZero = zero;
    m_shownColumns = columns;
    m_dirty = false;
    m_refreshTimer.setInterval(int(qBound(qint64(kRefreshMs), span / columns, qint64(kMaxRefreshMs))));
}

QString ChartWidget::CommandName(int opType) const
{
    switch (opType) {
    case OpHome:
        return tr("回原点");
    case OpStop:
        return tr("停止");
    case OpMove:
        return tr("移动");
    case OpJog:
        return tr("步进");
    case OpDrive:
        return tr("推进");
    case OpCruise:
        return tr("巡航");
    default:
        return QString();
    }
}

void ChartWidget::PlaceCommandLabels(const QList<QPair<QPointF, QString>> &commands)
{
    while (m_commandLabels.size() < commands.size()) {
        auto *label = new QGraphicsSimpleTextItem(m_chart);
        label->setBrush(kCommand);
        QFont font = label->font();
        font.setPixelSize(11);
        label->setFont(font);
        label->setZValue(10);
        // Laid out and drawn once; scrolling only moves the picture.
        label->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
        m_commandLabels << label;
    }
    for (int i = 0; i < m_commandLabels.size(); ++i) {
        QGraphicsSimpleTextItem *label = m_commandLabels.at(i);
        if (i >= commands.size()) {
            label->hide();
            continue;
        }
        if (label->text() != commands.at(i).second)
            label->setText(commands.at(i).second);
        const QPointF at = m_chart->mapToPosition(commands.at(i).first, m_commands);
        const QRectF box = label->boundingRect();
        label->setPos(at.x() - box.width() / 2, at.y() - box.height() - 5);
        label->show();
    }
}

QPointF ChartWidget::ValueAt(const QPoint &viewPos) const
{
    const QPointF inChart = m_chart->mapFromScene(ui->chartView->mapToScene(viewPos));
    if (!m_chart->plotArea().contains(inChart))
        return QPointF(qQNaN(), qQNaN());
    return m_chart->mapToValue(inChart, m_position);
}

void ChartWidget::ShowHover(const QPoint &viewPos)
{
    const QPointF value = ValueAt(viewPos);
    if (std::isnan(value.x())) {
        ui->lbHover->clear();
        return;
    }
    const qint64 t = m_shownZero + qint64(std::llround(value.x() * double(m_shownUnitMs)));
    const int next = m_trace->FirstAtOrAfter(t + 1);
    const TraceSample &held = next > 0 ? m_trace->Samples().At(next - 1) : m_trace->Floor();
    if ((next == 0 && t < held.timeMs) || !held.hasPos) {
        ui->lbHover->clear();
        return;
    }
    ui->lbHover->setText(QStringLiteral("%1    %2 mm").arg(TimeText(t)).arg(held.pos, 0, 'f', 6));
}

void ChartWidget::Zoom(const QPoint &viewPos, int delta)
{
    const QPointF value = ValueAt(viewPos);
    if (std::isnan(value.x()) || delta == 0)
        return;
    const double factor = delta > 0 ? 0.8 : 1.25;
    const qint64 span = qBound(kMinZoomMs, qint64(double(m_pausedSpan) * factor), kMaxZoomMs);
    const double anchor = double(m_shownZero) + value.x() * double(m_shownUnitMs);
    const double share = (anchor - double(m_pausedEnd - m_pausedSpan)) / double(m_pausedSpan);
    m_pausedEnd = qint64(anchor + (1.0 - share) * double(span));
    m_pausedSpan = span;
    m_dirty = true;
    Refresh();
}

bool ChartWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->chartView->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            ShowHover(static_cast<QMouseEvent *>(event)->pos());
        } else if (event->type() == QEvent::Leave) {
            ui->lbHover->clear();
        } else if (event->type() == QEvent::Wheel) {
            auto *wheel = static_cast<QWheelEvent *>(event);
            if (m_paused)
                Zoom(wheel->position().toPoint(), wheel->angleDelta().y());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChartWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QWidget::changeEvent(event);
}

void ChartWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_dirty = true;
    m_refreshTimer.start();
    QTimer::singleShot(0, this, &ChartWidget::Refresh);
}

void ChartWidget::hideEvent(QHideEvent *event)
{
    m_refreshTimer.stop();
    QWidget::hideEvent(event);
}
