#include "config/DevConfig.h"

#include "config/ConfigDir.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSaveFile>

#include <cmath>

Q_LOGGING_CATEGORY(lcDevConfig, "actuator.devconfig")

namespace {

const QString kMoveGroup = QStringLiteral("MoveParam");
const QString kJogGroup = QStringLiteral("JogParam");
const QString kDriveGroup = QStringLiteral("DriveParam");
const QString kCruiseGroup = QStringLiteral("CruiseParam");

// Bounds the parameter popups accept whatever the actuator model; a stored
// value outside them is not trusted and the default is used instead.
constexpr double kPosMin = 0.0;
constexpr double kPosMax = 100.0;
constexpr double kLengthMin = 0.000001;
constexpr double kLengthMax = 100.0;
constexpr float kSpeedMin = 0.01f;
constexpr float kSpeedMax = 2.0f;
constexpr float kAccMin = 0.01f;
constexpr float kAccMax = 10.0f;
constexpr int kJerkMin = 0;
constexpr int kJerkMax = 18;
constexpr int kCountMin = 1;
constexpr int kCountMax = 16777215;

// Reads one field of a group into out; leaves out unchanged when the field
// is absent, has the wrong JSON type or lies outside [lo, hi].
class GroupReader
{
public:
    GroupReader(const QJsonObject &group, const QString &groupName)
        : m_group(group), m_groupName(groupName) {}

    void Double(const char *name, double lo, double hi, double &out) const
    {
        double d;
        if (Number(name, &d) && Accept(name, d >= lo && d <= hi))
            out = d;
    }

    // Compared in single precision, as the popups do; values far out of
    // range are refused first so that the narrowing stays defined.
    void Float(const char *name, float lo, float hi, float &out) const
    {
        double d;
        if (!Number(name, &d) || !Accept(name, d >= 0.0 && d <= 2.0 * hi))
            return;
        const float f = float(d);
        if (Accept(name, f >= lo && f <= hi))
            out = f;
    }

    // truncate: a fractional value is cut toward zero; otherwise it is refused.
    void Int(const char *name, int lo, int hi, bool truncate, int &out) const
    {
        double d;
        if (!Number(name, &d))
            return;
        const double whole = std::trunc(d);
        if (!truncate && !Accept(name, whole == d))
            return;
        if (Accept(name, whole >= lo && whole <= hi))
            out = int(whole);
    }

    void Bool(const char *name, bool &out) const
    {
        const QJsonValue v = m_group.value(QLatin1String(name));
        if (v.isUndefined())
            return;
        if (Accept(name, v.isBool()))
            out = v.toBool();
    }

private:
    bool Number(const char *name, double *d) const
    {
        const QJsonValue v = m_group.value(QLatin1String(name));
        if (v.isUndefined() || !Accept(name, v.isDouble()))
            return false;
        *d = v.toDouble();
        return true;
    }

    bool Accept(const char *name, bool ok) const
    {
        if (!ok)
            qCWarning(lcDevConfig).noquote()
                << QStringLiteral("load, invalid %1.%2, default used").arg(m_groupName, QLatin1String(name));
        return ok;
    }

    const QJsonObject m_group;
    const QString m_groupName;
};

// Writes all of data and replaces the target. QSaveFile alone may commit a
// short write (disk full, size limit), so the length and flush are checked.
bool WriteAndCommit(QSaveFile &file, const QByteArray &data)
{
    if (file.write(data) != data.size() || !file.flush()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

} // namespace

DevConfig::DevConfig(QObject *parent)
    : DevConfig(ConfigFilePath(QStringLiteral("devConfig.json")), parent)
{
}

DevConfig::DevConfig(const QString &filePath, QObject *parent)
    : QObject(parent), m_filePath(filePath)
{
    LoadFile();
}

DevConfig::~DevConfig()
{
    WriteFile();
}

QString DevConfig::FilePath() const
{
    return m_filePath;
}

void DevConfig::LoadFile()
{
    QFile file(m_filePath);
    // Binary, so that a backup of unusable content keeps its exact bytes.
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcDevConfig) << "load, open file error";
        // A file that is there but cannot be read (permissions, a lock) may
        // hold every device's parameters: it is never replaced. A directory
        // in its place cannot be replaced anyway.
        m_unreadable = file.exists() && !QFileInfo(m_filePath).isDir();
        return;
    }
    const QByteArray data = file.readAll();
    file.close();

    QJsonParseError jsError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &jsError);
    if (jsError.error != QJsonParseError::NoError) {
        qCWarning(lcDevConfig).noquote() << QStringLiteral("jsError.error: %1").arg(int(jsError.error));
        m_unusableContent = data;
        return;
    }
    if (!doc.isObject()) {
        qCWarning(lcDevConfig) << "load, top level is not an object";
        m_unusableContent = data;
        return;
    }
    m_root = doc.object();
}

bool DevConfig::WriteBackup()
{
    QSaveFile backup(m_filePath + QStringLiteral(".bak"));
    if (!backup.open(QIODevice::WriteOnly)) {
        qCWarning(lcDevConfig) << "save, open backup file error";
        return false;
    }
    if (!WriteAndCommit(backup, m_unusableContent)) {
        qCWarning(lcDevConfig) << "save, write backup file error";
        return false;
    }
    m_unusableContent.clear();
    return true;
}

bool DevConfig::IsUnreadable() const
{
    return m_unreadable;
}

bool DevConfig::WriteFile()
{
    if (m_unreadable)
        return false;
    // Unusable content is only replaced once a copy of it is safe.
    if (!m_unusableContent.isEmpty() && !WriteBackup())
        return false;

    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qCWarning(lcDevConfig) << "save, open file error";
        return false;
    }
    if (!WriteAndCommit(file, QJsonDocument(m_root).toJson(QJsonDocument::Indented))) {
        qCWarning(lcDevConfig) << "save, write file error";
        return false;
    }
    return true;
}

void DevConfig::LoadDevParams(const QString &key, MoveParam &moveParam, JogParam &jogParam,
                              DriveParam &driveParam, CruiseParam &cruiseParam) const
{
    moveParam = MoveParam();
    jogParam = JogParam();
    driveParam = DriveParam();
    cruiseParam = CruiseParam();

    if (!m_root.contains(key))
        return;
    const QJsonObject dev = m_root.value(key).toObject();

    if (dev.contains(kMoveGroup)) {
        const GroupReader move(dev.value(kMoveGroup).toObject(), kMoveGroup);
        move.Double("TargetPos", kPosMin, kPosMax, moveParam.TargetPos);
        move.Float("Speed", kSpeedMin, kSpeedMax, moveParam.Speed);
        move.Float("Acc", kAccMin, kAccMax, moveParam.Acc);
        move.Int("Jerk", kJerkMin, kJerkMax, false, moveParam.Jerk);
        move.Bool("JerkChecked", moveParam.JerkChecked);
        driveParam.Speed = moveParam.Speed;
        driveParam.Acc = moveParam.Acc;
    }
    if (dev.contains(kJogGroup)) {
        const GroupReader jog(dev.value(kJogGroup).toObject(), kJogGroup);
        jog.Double("Step", kLengthMin, kLengthMax, jogParam.Step);
        jog.Int("Delay", kCountMin, kCountMax, true, jogParam.Delay);
        jog.Int("Times", kCountMin, kCountMax, true, jogParam.Times);
    }
    if (dev.contains(kDriveGroup)) {
        const GroupReader drive(dev.value(kDriveGroup).toObject(), kDriveGroup);
        drive.Double("Offset", kLengthMin, kLengthMax, driveParam.Offset);
        drive.Bool("Enable", driveParam.Enable);
    }
    if (dev.contains(kCruiseGroup)) {
        const GroupReader cruise(dev.value(kCruiseGroup).toObject(), kCruiseGroup);
        cruise.Double("BeginPos", kPosMin, kPosMax, cruiseParam.BeginPos);
        cruise.Double("EndPos", kPosMin, kPosMax, cruiseParam.EndPos);
        cruise.Int("StopTime", kCountMin, kCountMax, false, cruiseParam.StopTime);
        cruise.Int("Times", kCountMin, kCountMax, false, cruiseParam.Times);
    }
}

void DevConfig::SetGroup(const QString &key, const QString &group, const QJsonObject &fields)
{
    QJsonObject dev = m_root.value(key).toObject();
    QJsonObject obj = dev.value(group).toObject();
    for (auto it = fields.begin(); it != fields.end(); ++it)
        obj.insert(it.key(), it.value());
    dev.insert(group, obj);
    m_root.insert(key, dev);
}

void DevConfig::SaveMoveParam(const QString &key, const MoveParam &param)
{
    SetGroup(key, kMoveGroup, {
        {QStringLiteral("TargetPos"), param.TargetPos},
        {QStringLiteral("Speed"), double(param.Speed)},
        {QStringLiteral("Acc"), double(param.Acc)},
        {QStringLiteral("Jerk"), param.Jerk},
        {QStringLiteral("JerkChecked"), param.JerkChecked},
    });
    WriteFile();
}

void DevConfig::SaveJogParam(const QString &key, const JogParam &param)
{
    SetGroup(key, kJogGroup, {
        {QStringLiteral("Step"), param.Step},
        {QStringLiteral("Delay"), param.Delay},
        {QStringLiteral("Times"), param.Times},
    });
    WriteFile();
}

void DevConfig::SaveDriveParam(const QString &key, const DriveParam &param)
{
    SetGroup(key, kMoveGroup, {
        {QStringLiteral("Speed"), double(param.Speed)},
        {QStringLiteral("Acc"), double(param.Acc)},
    });
    SetGroup(key, kDriveGroup, {
        {QStringLiteral("Offset"), param.Offset},
        {QStringLiteral("Enable"), param.Enable},
    });
    WriteFile();
}

void DevConfig::SaveCruiseParam(const QString &key, const CruiseParam &param)
{
    SetGroup(key, kCruiseGroup, {
        {QStringLiteral("BeginPos"), param.BeginPos},
        {QStringLiteral("EndPos"), param.EndPos},
        {QStringLiteral("StopTime"), param.StopTime},
        {QStringLiteral("Times"), param.Times},
    });
    WriteFile();
}
