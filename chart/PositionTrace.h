#ifndef POSITIONTRACE_H
#define POSITIONTRACE_H

#include <QObject>
#include <QPointF>
#include <QVector>

#include <functional>

// Milliseconds since the epoch, never going back.
using TraceClock = std::function<qint64()>;
// The wall-clock time at its creation, moved on by a monotonic timer.
TraceClock MonotonicWallClock();

// Status word bits the trace and the recording read.
namespace statusbit {
constexpr quint16 Stopped = 1u << 2;
constexpr quint16 LeftLimit = 1u << 3;
constexpr quint16 RightLimit = 1u << 4;
constexpr quint16 Enabled = 1u << 5;
constexpr quint16 Homed = 1u << 6;
} // namespace statusbit

// One position or status change of a device.
struct TraceSample
{
    qint64 timeMs = 0;
    double pos = 0.0;
    quint16 status = 0;
    bool hasPos = false;    // false until the device's first position report
    bool hasStatus = false; // false until the device's first status report
};

// Something that happened at one moment: a command sent, the slide homed, a
// limit reached or the device lost.
struct TraceEvent
{
    enum Kind { Command, HomeReached, LeftLimit, RightLimit, Lost };
    qint64 timeMs = 0;
    Kind kind = Command;
    int opType = -1;   // the command's log entry type, for Command
    double pos = 0.0;  // the position at that moment
};

// Fixed-capacity ring: the oldest element goes when a new one comes.
template <typename T>
class BoundedRing
{
public:
    explicit BoundedRing(int capacity) : m_capacity(capacity) { m_items.reserve(capacity); }
    void Append(const T &item)
    {
        if (m_items.size() < m_capacity) {
            m_items.append(item);
        } else {
            m_items[m_head] = item;
            m_head = (m_head + 1) % m_capacity;
        }
    }
    int Size() const { return m_items.size(); }
    int Capacity() const { return m_capacity; }
    // i = 0 is the oldest element kept.
    const T &At(int i) const { return m_items.at((m_head + i) % m_items.size()); }
    const T &Last() const { return At(m_items.size() - 1); }

private:
    QVector<T> m_items;
    int m_capacity;
    int m_head = 0;
};

// A device's recent history for its chart: position and status samples and
// events, each in a ring of bounded size, time-stamped on arrival. Fed by
// the worker's signals on the interface thread.
class PositionTrace : public QObject
{
    Q_OBJECT

public:
    // About 40 minutes of a moving slide at one sample per 60 ms poll.
    static constexpr int kSampleCapacity = 40000;
    static constexpr int kEventCapacity = 4000;

    explicit PositionTrace(QObject *parent = nullptr, int sampleCapacity = kSampleCapacity);

    void SetClock(const TraceClock &clock);
    qint64 Now() const;

    const BoundedRing<TraceSample> &Samples() const { return m_samples; }
    const BoundedRing<TraceEvent> &Events() const { return m_events; }
    // Counts every change, so that a view can tell when to redraw.
    quint64 Revision() const { return m_revision; }
    bool HasStatus() const { return m_haveStatus; }
    // Lines of the commanded target of the current move (two for a cruise).
    const QVector<double> &Targets() const { return m_targets; }
    // Time the device was lost, or -1.
    qint64 LostAt() const { return m_lostAt; }
    // Position held before the oldest sample kept, and since when.
    const TraceSample &Floor() const { return m_floor; }

    // The index of the first sample at or after timeMs (Size() when none).
    int FirstAtOrAfter(qint64 timeMs) const;
    // The position line over [fromMs, toMs] for a plot columns wide: every
    // sample when they are fewer than four per column, otherwise the first,
    // lowest, highest and last sample of each column. Starts with the
    // position held at fromMs (or with the first position reported) and runs
    // on to toMs at the last position.
    QVector<QPointF> PositionLine(qint64 fromMs, qint64 toMs, int columns) const;
    // Running periods over [fromMs, toMs] as (start, end) pairs; periods
    // closer than minGapMs are merged.
    QVector<QPair<qint64, qint64>> RunningPeriods(qint64 fromMs, qint64 toMs, qint64 minGapMs) const;

public slots:
    void AddPosition(double dPos);
    void AddStatus(quint16 nStatus);
    void AddCommand(int nOpType, const QVector<double> &targets);
    void MarkLost();

private:
    void AddSample();

    TraceClock m_clock;
    TraceSample m_floor;
    BoundedRing<TraceSample> m_samples;
    BoundedRing<TraceEvent> m_events;
    double m_pos = 0.0;
    quint16 m_status = 0;
    bool m_havePos = false;
    bool m_haveStatus = false;
    // Samples kept from before the first position report.
    int m_unplaced = 0;
    QVector<double> m_targets;
    qint64 m_lostAt = -1;
    quint64 m_revision = 0;
};

#endif
