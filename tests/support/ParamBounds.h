// Ranges of the motion parameters pushed to a device (the call) or kept in
// devConfig.json (group and field), widest over all actuator models (100 mm of
// travel at most); single: compared in single precision. Header only.
#ifndef PARAMBOUNDS_H
#define PARAMBOUNDS_H

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

namespace bounds {

struct Bound { const char *call, *group, *field; double lo, hi; bool integer, single; };

inline const QVector<Bound> &All()
{
    static const QVector<Bound> all = {
        {"setTargetPos", "MoveParam", "TargetPos", 0, 100, false, false},
        {"setSpeed", "MoveParam", "Speed", 0.01, 2, false, true},
        {"setAcc", "MoveParam", "Acc", 0.01, 10, false, true},
        {"setJerk", "MoveParam", "Jerk", 0, 18, true, false},
        {"setJogStep", "JogParam", "Step", 0.000001, 100, false, false},
        {"setJogDelay", "JogParam", "Delay", 1, 16777215, true, false},
        {"setJogTimes", "JogParam", "Times", 1, 16777215, true, false},
        {"setRelativePos", "DriveParam", "Offset", 0.000001, 100, false, false},
        {"setRelativePosEnable", "", "", 0, 1, true, false},
        {"setCruiseBeginPos", "CruiseParam", "BeginPos", 0, 100, false, false},
        {"setCruiseEndPos", "CruiseParam", "EndPos", 0, 100, false, false},
        {"setCruiseStopTime", "CruiseParam", "StopTime", 1, 16777215, true, false},
        {"setCruiseTimes", "CruiseParam", "Times", 1, 16777215, true, false},
    };
    return all;
}

inline bool In(const Bound &b, double v)
{
    return std::isfinite(v) && (!b.integer || std::trunc(v) == v)
           && (b.single ? float(v) >= float(b.lo) && float(v) <= float(b.hi) : v >= b.lo && v <= b.hi);
}

// Journal entries that pushed a parameter out of range; pushes counts every push.
inline QStringList BadPushes(const QStringList &journal, int &pushes)
{
    static const QRegularExpression push(QStringLiteral("^(\\w+)\\(-?\\d+, ([^,)]+)\\)$"));
    QStringList bad;
    for (const QString &entry : journal) {
        const QRegularExpressionMatch m = push.match(entry);
        for (const Bound &b : All())
            if (m.hasMatch() && m.captured(1) == QLatin1String(b.call) && ++pushes && !In(b, m.captured(2).toDouble()))
                bad << entry;
    }
    return bad;
}

// Problems of a devConfig.json: not a JSON object, or a known field of a device
// that is not a number in range. Empty when the content is sound.
inline QStringList StoredProblems(const QByteArray &content)
{
    const QJsonObject root = QJsonDocument::fromJson(content).object();
    QStringList problems = QJsonDocument::fromJson(content).isObject() ? QStringList() : QStringList("not a JSON object");
    for (auto dev = root.begin(); dev != root.end(); ++dev)
        for (const Bound &b : All()) {
            const QJsonValue v = dev.value().toObject().value(QLatin1String(b.group)).toObject().value(QLatin1String(b.field));
            if (!v.isUndefined() && !In(b, v.toDouble(NAN)))
                problems << dev.key() + '/' + b.group + '/' + b.field;
        }
    return problems;
}

} // namespace bounds

#endif
