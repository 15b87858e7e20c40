#include "chart/PositionRecorder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <algorithm>
#include <charconv>
#include <csignal>

namespace {

// Files being written by a recording, and the device each one records.
struct Recordings
{
    QMutex mutex;
    QHash<QString, QString> deviceOfFile;
};

Recordings &Active()
{
    static Recordings recordings;
    return recordings;
}

// The same text for every spelling of a file's path.
QString FileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (dir.isEmpty() ? info.absolutePath() : dir) + QLatin1Char('/') + info.fileName();
}


char Flag(quint16 status, quint16 bit)
{
    return (status & bit) ? '1' : '0';
}

} // namespace

const char PositionRecorder::kHeader[] =
    "time,position_mm,running,enabled,homed,left_limit,right_limit,status_word\n";

PositionRecorder::PositionRecorder(QObject *parent)
    : QObject(parent)
    , m_clock(MonotonicWallClock())
{
    m_flushTimer.setInterval(kFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &PositionRecorder::Flush);
}

PositionRecorder::~PositionRecorder()
{
    if (IsRecording()) {
        Flush();
        Close();
    }
}

void PositionRecorder::SetClock(const TraceClock &clock)
{
    m_clock = clock;
}

bool PositionRecorder::Start(const QString &path, const QString &device, QString *error)
{
    const QString key = FileKey(path);
    {
        Recordings &active = Active();
        QMutexLocker locker(&active.mutex);
        QString reason;
        if (IsRecording() || active.deviceOfFile.values().contains(device)) {
            reason = tr("设备 %1 已在记录中。").arg(device);
        } else if (active.deviceOfFile.contains(key)) {
            reason = tr("文件 %1 正在记录设备 %2，不能再写入另一个记录。")
                         .arg(QDir::toNativeSeparators(path), active.deviceOfFile.value(key));
        }
        if (!reason.isEmpty()) {
            if (error)
                *error = reason;
            return false;
        }
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            if (error)
                *error = tr("无法创建记录文件 %1：%2").arg(QDir::toNativeSeparators(path), m_file.errorString());
            m_file.setFileName(QString());
            return false;
        }
        active.deviceOfFile.insert(key, device);
        m_key = key;
    }
#ifdef SIGXFSZ
    // A file grown past the process's size limit must fail the write, not
    // end the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    m_committed = 0;
    m_rows = 0;
    m_pending = kHeader;
    if (m_havePos || m_haveStatus)
        AppendRow();
    emit SigStateChanged(true);
    if (!Flush())
        return true; // the fault has been reported
    m_flushTimer.start();
    return true;
}

void PositionRecorder::Stop()
{
    if (!IsRecording())
        return;
    if (Flush()) {
        Close();
        emit SigStateChanged(false);
    }
}

void PositionRecorder::DeviceLost()
{
    Stop();
}

void PositionRecorder::AddPosition(double dPos)
{
    m_pos = dPos;
    m_havePos = true;
    if (IsRecording())
        AppendRow();
}

void PositionRecorder::AddStatus(quint16 nStatus)
{
    m_status = nStatus;
    m_haveStatus = true;
    if (IsRecording())
        AppendRow();
}

// Local time with its offset from UTC. The offset is looked up once a
// minute: it changes only on whole minutes, and each lookup reads the
// system's time zone. The text is formatted once a second; rows in between
// only put in their milliseconds.
QByteArray PositionRecorder::IsoTime(qint64 ms)
{
    const qint64 second = ms / 1000;
    if (second != m_second) {
        const qint64 minute = ms / 60000;
        if (minute != m_offsetMinute) {
            m_offsetMinute = minute;
            m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(minute * 60000).offsetFromUtc();
        }
        m_second = second;
        m_secondText = QDateTime::fromMSecsSinceEpoch(second * 1000, Qt::OffsetFromUTC, m_offsetSeconds)
                           .toString(Qt::ISODateWithMs)
                           .toLatin1();
    }
    // "yyyy-MM-ddTHH:mm:ss." + "zzz" + the offset.
    QByteArray text = m_secondText;
    const int millis = int(ms % 1000);
    text[20] = char('0' + millis / 100);
    text[21] = char('0' + millis / 10 % 10);
    text[22] = char('0' + millis % 10);
    return text;
}

void PositionRecorder::AppendRow()
{
    m_lastTime = std::max(m_clock(), m_lastTime);
    m_pending += IsoTime(m_lastTime);
    m_pending += ',';
    if (m_havePos) {
        // As QByteArray::number(m_pos, 'f', 6) writes it (-0 as 0), without
        // the locale machinery.
        char number[32];
        const char *end = std::to_chars(number, number + sizeof number, m_pos + 0.0, std::chars_format::fixed, 6).ptr;
        m_pending.append(number, int(end - number));
    }
    if (m_haveStatus) {
        const char row[] = {',', (m_status & statusbit::Stopped) ? '0' : '1',
                            ',', Flag(m_status, statusbit::Enabled),
                            ',', Flag(m_status, statusbit::Homed),
                            ',', Flag(m_status, statusbit::LeftLimit),
                            ',', Flag(m_status, statusbit::RightLimit),
                            ','};
        m_pending.append(row, int(sizeof(row)));
        m_pending += QByteArray::number(m_status);
    } else {
        m_pending += ",,,,,,";
    }
    m_pending += '\n';
    ++m_rows;
    if (m_pending.size() >= kBufferBytes)
        Flush();
}

bool PositionRecorder::Flush()
{
    if (!IsRecording())
        return false;
    const QString path = QDir::toNativeSeparators(m_file.fileName());
    qint64 written = 0;
    while (written < m_pending.size()) {
        const qint64 n = m_file.write(m_pending.constData() + written, m_pending.size() - written);
        if (n <= 0) {
            const QString reason = m_file.errorString();
            // A row cut off by the fault goes; the whole rows before it stay.
            m_file.resize(m_committed);
            Fail(tr("记录已停止：无法写入文件 %1（%2）。\n之前的记录保留在文件中。").arg(path, reason));
            return false;
        }
        written += n;
    }
    m_committed += written;
    m_pending.clear();
    if (!QFileInfo::exists(m_file.fileName())) {
        Fail(tr("记录已停止：文件 %1 已被删除或移走。").arg(path));
        return false;
    }
    return true;
}

void PositionRecorder::Fail(const QString &message)
{
    Close();
    emit SigStateChanged(false);
    emit SigFault(message);
}

void PositionRecorder::Close()
{
    m_flushTimer.stop();
    {
        Recordings &active = Active();
        QMutexLocker locker(&active.mutex);
        active.deviceOfFile.remove(m_key);
    }
    m_file.close();
    m_pending.clear();
}
