#ifndef PLOTVIEW_H
#define PLOTVIEW_H

#include <QColor>
#include <QtCharts/QChartView>

QT_CHARTS_BEGIN_NAMESPACE
class QValueAxis;
QT_CHARTS_END_NAMESPACE

// A chart view that paints the chart's background, its plot area and the
// grid of its two value axes itself, as its cached background: they change
// only with the layout and the axes, while the data over them is redrawn
// several times a second, each time over the whole plot area.
class PlotView : public QtCharts::QChartView
{
public:
    using QtCharts::QChartView::QChartView;

    // Takes over the chart's background, plot area and grid (hidden in the
    // chart from now on) for the view's shown chart and these axes.
    void SetBackdrop(QtCharts::QValueAxis *axisX, QtCharts::QValueAxis *axisY, const QColor &background,
                     const QColor &plotArea, const QColor &grid);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    QtCharts::QValueAxis *m_axisX = nullptr;
    QtCharts::QValueAxis *m_axisY = nullptr;
    QColor m_background;
    QColor m_plotArea;
    QColor m_grid;
};

#endif
