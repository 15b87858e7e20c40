#ifndef POSITIONRECORDER_H
#define POSITIONRECORDER_H

#include "chart/PositionTrace.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

// Records a device's position and status changes into a CSV file: a header
// line, then one row per change with the local time (ISO 8601, milliseconds
// and UTC offset), the position in mm, the running, enabled, homed and limit
// flags and the status word, the fields not reported yet empty. Rows are
// written at least every kFlushMs, so a crash loses no more than that. A file that cannot be written stops the
// recording; the file then ends with the last whole row.
//
// Fed by the worker's position and status signals, which it follows also
// while not recording so that a recording starts with the current state.
class PositionRecorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFlushMs = 500;
    static constexpr int kBufferBytes = 64 * 1024;
    static const char kHeader[];

    explicit PositionRecorder(QObject *parent = nullptr);
    ~PositionRecorder() override;

    void SetClock(const TraceClock &clock);

    // Starts writing to path for the device; false with the reason in
    // *error when the device or the file is already being recorded, or the
    // file cannot be created.
    bool Start(const QString &path, const QString &device, QString *error);
    // Writes what is pending and closes the file.
    void Stop();
    bool IsRecording() const { return m_file.isOpen(); }
    // The file of the recording running or last run.
    QString FilePath() const { return m_file.fileName(); }
    qint64 Rows() const { return m_rows; }

public slots:
    void AddPosition(double dPos);
    void AddStatus(quint16 nStatus);
    // The device is gone: the file ends with the last row and is closed.
    void DeviceLost();

signals:
    // Recording started or ended.
    void SigStateChanged(bool bRecording);
    // Recording ended because the file could not be written; the message names the file.
    void SigFault(QString strMessage);

private:
    QByteArray IsoTime(qint64 ms);
    void AppendRow();
    bool Flush();
    void Fail(const QString &message);
    void Close();

    TraceClock m_clock;
    double m_pos = 0.0;
    quint16 m_status = 0;
    bool m_havePos = false;
    bool m_haveStatus = false;
    qint64 m_lastTime = 0;
    qint64 m_offsetMinute = -1;
    int m_offsetSeconds = 0;
    qint64 m_second = -1;
    QByteArray m_secondText;

    QFile m_file;
    QString m_key; // the file's entry among the files being recorded
    QByteArray m_pending;
    qint64 m_committed = 0; // bytes of whole rows in the file
    qint64 m_rows = 0;
    QTimer m_flushTimer;
};

#endif
