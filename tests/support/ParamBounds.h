// Bounds of every motion parameter the program stores or pushes to a device,
// checked against the simulator's journal and against devConfig.json. Shared
// by the robustness suites (header only; this folder is not a suite).
#ifndef PARAMBOUNDS_H
#define PARAMBOUNDS_H

#include "sim/ActuatorSimControl.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>

namespace bounds {

// Widest ranges the parameter popups accept for any actuator model (the
// fallback model has 100 mm of travel).
struct Bound
{
    const char *name;
    double low;
    double high;
    bool integer;
    bool single;   // compared in single precision, as stored
};

constexpr double kMinLength = 0.000001;
constexpr int kMaxCount = 16777215;

// Library calls that push a motion parameter, with the range of the value.
inline const QVector<Bound> &PushBounds()
{
    static const QVector<Bound> bounds = {
        {"setTargetPos", 0, 100, false, false},
        {"setSpeed", 0.01, 2, false, true},
        {"setAcc", 0.01, 10, false, true},
        {"setJerk", 0, 18, true, false},
        {"setJogStep", kMinLength, 100, false, false},
        {"setJogDelay", 1, kMaxCount, true, false},
        {"setJogTimes", 1, kMaxCount, true, false},
        {"setRelativePos", kMinLength, 100, false, false},
        {"setRelativePosEnable", 0, 1, true, false},
        {"setCruiseBeginPos", 0, 100, false, false},
        {"setCruiseEndPos", 0, 100, false, false},
        {"setCruiseStopTime", 1, kMaxCount, true, false},
        {"setCruiseTimes", 1, kMaxCount, true, false},
    };
    return bounds;
}

inline bool InBound(const Bound &b, double v)
{
    if (!std::isfinite(v))
        return false;
    if (b.integer && std::trunc(v) != v)
        return false;
    if (b.single)
        return float(v) >= float(b.low) && float(v) <= float(b.high);
    return v >= b.low && v <= b.high;
}

inline QStringList Journal()
{
    QStringList entries;
    const int size = simJournalSize();
    entries.reserve(size);
    for (int i = 0; i < size; ++i) {
        char buffer[512] = {};
        if (simJournalEntry(i, buffer, int(sizeof buffer)) >= 0)
            entries << QString::fromUtf8(buffer);
    }
    return entries;
}

// Journal entries that pushed a parameter outside its range.
inline QStringList OutOfRangePushes(const QStringList &journal, int *pushes = nullptr)
{
    static const QRegularExpression call(QStringLiteral("^(\\w+)\\(-?\\d+, ([^,)]+)\\)$"));
    QStringList bad;
    int count = 0;
    for (const QString &entry : journal) {
        const QRegularExpressionMatch m = call.match(entry);
        if (!m.hasMatch())
            continue;
        const QString name = m.captured(1);
        for (const Bound &b : PushBounds()) {
            if (name != QLatin1String(b.name))
                continue;
            ++count;
            bool ok = false;
            const double v = m.captured(2).toDouble(&ok);
            if (!ok || !InBound(b, v))
                bad << entry;
        }
    }
    if (pushes)
        *pushes = count;
    return bad;
}

// Problems of a devConfig.json the program wrote: not a JSON object, a
// group of a device that is not an object, or a known field of the wrong type
// or outside its range. Top-level values that are not objects are keys the
// program keeps without using. Empty when the file is sound.
inline QStringList StoredProblems(const QByteArray &content)
{
    struct Field
    {
        const char *group;
        const char *name;
        Bound bound;
        bool boolean;
    };
    static const QVector<Field> fields = {
        {"MoveParam", "TargetPos", {"", 0, 100, false, false}, false},
        {"MoveParam", "Speed", {"", 0.01, 2, false, true}, false},
        {"MoveParam", "Acc", {"", 0.01, 10, false, true}, false},
        {"MoveParam", "Jerk", {"", 0, 18, true, false}, false},
        {"MoveParam", "JerkChecked", {}, true},
        {"JogParam", "Step", {"", kMinLength, 100, false, false}, false},
        {"JogParam", "Delay", {"", 1, kMaxCount, true, false}, false},
        {"JogParam", "Times", {"", 1, kMaxCount, true, false}, false},
        {"DriveParam", "Offset", {"", kMinLength, 100, false, false}, false},
        {"DriveParam", "Enable", {}, true},
        {"CruiseParam", "BeginPos", {"", 0, 100, false, false}, false},
        {"CruiseParam", "EndPos", {"", 0, 100, false, false}, false},
        {"CruiseParam", "StopTime", {"", 1, kMaxCount, true, false}, false},
        {"CruiseParam", "Times", {"", 1, kMaxCount, true, false}, false},
    };

    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError)
        return {QStringLiteral("parse error %1 at %2").arg(error.errorString()).arg(error.offset)};
    if (!doc.isObject())
        return {QStringLiteral("top level is not an object")};
    QStringList problems;
    const QJsonObject root = doc.object();
    for (auto dev = root.begin(); dev != root.end(); ++dev) {
        if (!dev.value().isObject())
            continue;
        const QJsonObject groups = dev.value().toObject();
        for (const Field &f : fields) {
            const QJsonValue group = groups.value(QLatin1String(f.group));
            if (group.isUndefined())
                continue;
            const QString where = QStringLiteral("%1/%2/%3").arg(dev.key(), QLatin1String(f.group),
                                                                 QLatin1String(f.name));
            if (!group.isObject()) {
                problems << where + QStringLiteral(": group is not an object");
                continue;
            }
            const QJsonValue v = group.toObject().value(QLatin1String(f.name));
            if (v.isUndefined())
                continue;
            if (f.boolean ? !v.isBool() : !v.isDouble() || !InBound(f.bound, v.toDouble()))
                problems << where + QStringLiteral(" = ")
                                + QString::fromUtf8(QJsonDocument(QJsonObject{{"v", v}}).toJson(
                                      QJsonDocument::Compact));
        }
    }
    return problems;
}

} // namespace bounds

#endif
