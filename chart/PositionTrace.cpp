#include "chart/PositionTrace.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <memory>

TraceClock MonotonicWallClock()
{
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    return [elapsed, start]() { return start + elapsed->elapsed(); };
}

PositionTrace::PositionTrace(QObject *parent, int sampleCapacity)
    : QObject(parent)
    , m_clock(MonotonicWallClock())
    , m_samples(sampleCapacity)
    , m_events(kEventCapacity)
{
    m_floor.timeMs = Now();
}

void PositionTrace::SetClock(const TraceClock &clock)
{
    m_clock = clock;
    if (m_samples.Size() == 0)
        m_floor.timeMs = Now();
}

qint64 PositionTrace::Now() const
{
    return m_clock();
}

void PositionTrace::AddSample()
{
    if (m_samples.Size() == m_samples.Capacity()) {
        m_floor = m_samples.At(0);
        if (!m_floor.hasPos)
            --m_unplaced;
    }
    TraceSample sample;
    // Times never go back, even if the clock is changed in between.
    sample.timeMs = std::max(Now(), m_samples.Size() ? m_samples.Last().timeMs : m_floor.timeMs);
    sample.pos = m_pos;
    sample.status = m_status;
    sample.hasPos = m_havePos;
    sample.hasStatus = m_haveStatus;
    m_unplaced += m_havePos ? 0 : 1;
    m_samples.Append(sample);
    ++m_revision;
}

void PositionTrace::AddPosition(double dPos)
{
    m_pos = dPos;
    m_havePos = true;
    AddSample();
}

void PositionTrace::AddStatus(quint16 nStatus)
{
    // A mark needs the position it happened at.
    const quint16 rising = m_haveStatus && m_havePos ? quint16(nStatus & ~m_status) : quint16(0);
    m_status = nStatus;
    m_haveStatus = true;
    AddSample();
    const qint64 t = m_samples.Last().timeMs;
    if (rising & statusbit::Homed)
        m_events.Append({t, TraceEvent::HomeReached, -1, m_pos});
    if (rising & statusbit::LeftLimit)
        m_events.Append({t, TraceEvent::LeftLimit, -1, m_pos});
    if (rising & statusbit::RightLimit)
        m_events.Append({t, TraceEvent::RightLimit, -1, m_pos});
}

void PositionTrace::AddCommand(int nOpType, const QVector<double> &targets)
{
    m_events.Append({Now(), TraceEvent::Command, nOpType, m_pos});
    m_targets = targets;
    ++m_revision;
}

void PositionTrace::MarkLost()
{
    if (m_lostAt >= 0)
        return;
    m_lostAt = Now();
    m_events.Append({m_lostAt, TraceEvent::Lost, -1, m_pos});
    m_targets.clear();
    ++m_revision;
}

int PositionTrace::FirstAtOrAfter(qint64 timeMs) const
{
    int lo = 0;
    int hi = m_samples.Size();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (m_samples.At(mid).timeMs < timeMs)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

QVector<QPointF> PositionTrace::PositionLine(qint64 fromMs, qint64 toMs, int columns) const
{
    QVector<QPointF> line;
    if (toMs <= fromMs || columns < 1)
        return line;
    const int first = std::max(FirstAtOrAfter(fromMs), m_unplaced);
    const int end = std::max(FirstAtOrAfter(toMs + 1), first);
    const TraceSample &before = first > 0 ? m_samples.At(first - 1) : m_floor;
    if (before.hasPos && before.timeMs <= fromMs)
        line.append(QPointF(double(fromMs), before.pos));

    const int count = end - first;
    if (count <= 4 * columns) {
        line.reserve(line.size() + count + 1);
        for (int i = first; i < end; ++i)
            line.append(QPointF(double(m_samples.At(i).timeMs), m_samples.At(i).pos));
    } else {
        // First, lowest, highest and last sample of each column, in time order.
        const double perColumn = double(toMs - fromMs) / columns;
        line.reserve(line.size() + 4 * columns + 1);
        int i = first;
        while (i < end) {
            const int start = i;
            const int column = int(double(m_samples.At(i).timeMs - fromMs) / perColumn);
            int lowest = i, highest = i;
            for (++i; i < end && int(double(m_samples.At(i).timeMs - fromMs) / perColumn) == column; ++i) {
                if (m_samples.At(i).pos < m_samples.At(lowest).pos)
                    lowest = i;
                if (m_samples.At(i).pos > m_samples.At(highest).pos)
                    highest = i;
            }
            const int picked[4] = {start, std::min(lowest, highest), std::max(lowest, highest), i - 1};
            for (int k = 0; k < 4; ++k) {
                if (k == 0 || picked[k] != picked[k - 1])
                    line.append(QPointF(double(m_samples.At(picked[k]).timeMs), m_samples.At(picked[k]).pos));
            }
        }
    }
    if (!line.isEmpty() && line.last().x() < double(toMs))
        line.append(QPointF(double(toMs), line.last().y()));
    return line;
}

QVector<QPair<qint64, qint64>> PositionTrace::RunningPeriods(qint64 fromMs, qint64 toMs, qint64 minGapMs) const
{
    QVector<QPair<qint64, qint64>> periods;
    const int first = FirstAtOrAfter(fromMs);
    const int end = FirstAtOrAfter(toMs + 1);
    auto running = [](const TraceSample &s) { return s.hasStatus && !(s.status & statusbit::Stopped); };
    qint64 start = -1;
    if (first > 0 && running(m_samples.At(first - 1)))
        start = fromMs;
    for (int i = first; i < end; ++i) {
        const TraceSample &s = m_samples.At(i);
        if (running(s) && start < 0) {
            if (!periods.isEmpty() && s.timeMs - periods.last().second < minGapMs) {
                start = periods.last().first;
                periods.removeLast();
            } else {
                start = s.timeMs;
            }
        } else if (!running(s) && start >= 0) {
            periods.append({start, s.timeMs});
            start = -1;
        }
    }
    if (start >= 0)
        periods.append({start, toMs});
    return periods;
}
