#include "chart/PlotView.h"

#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QValueAxis>

#include <cmath>

using namespace QtCharts;

namespace {

// The values of an axis' dynamic ticks: its anchor and every interval from
// there, within its range.
QVector<double> TickValues(const QValueAxis *axis)
{
    QVector<double> values;
    const double interval = axis->tickInterval();
    if (!(interval > 0.0) || axis->max() <= axis->min())
        return values;
    const double slack = interval * 1e-9;
    for (double k = std::ceil((axis->min() - axis->tickAnchor() - slack) / interval);; ++k) {
        const double value = axis->tickAnchor() + k * interval;
        if (value > axis->max() + slack)
            break;
        values << value;
    }
    return values;
}

} // namespace

void PlotView::SetBackdrop(QValueAxis *axisX, QValueAxis *axisY, const QColor &background, const QColor &plotArea,
                           const QColor &grid)
{
    m_axisX = axisX;
    m_axisY = axisY;
    m_background = background;
    m_plotArea = plotArea;
    m_grid = grid;
    QChart *shown = chart();
    shown->setBackgroundVisible(false);
    shown->setPlotAreaBackgroundVisible(false);
    const auto redraw = [this]() { resetCachedContent(); };
    connect(shown, &QChart::plotAreaChanged, this, redraw);
    for (QValueAxis *axis : {axisX, axisY}) {
        axis->setGridLineVisible(false);
        connect(axis, &QValueAxis::rangeChanged, this, redraw);
        connect(axis, &QValueAxis::tickIntervalChanged, this, redraw);
        connect(axis, &QValueAxis::tickAnchorChanged, this, redraw);
    }
    setCacheMode(QGraphicsView::CacheBackground);
    resetCachedContent();
}

void PlotView::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, m_background);
    if (!m_axisX || !m_axisY)
        return;
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    painter->fillRect(plot, m_plotArea);
    // A cosmetic pen of 1 px, as the chart's own grid.
    painter->setPen(QPen(m_grid, 0));
    for (double value : TickValues(m_axisX)) {
        const double x = plot.left() + (value - m_axisX->min()) / (m_axisX->max() - m_axisX->min()) * plot.width();
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (double value : TickValues(m_axisY)) {
        const double y = plot.bottom() - (value - m_axisY->min()) / (m_axisY->max() - m_axisY->min()) * plot.height();
        painter->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
}
