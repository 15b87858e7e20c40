#ifndef DEVPARAMS_H
#define DEVPARAMS_H

#include <QMetaType>

// Motion parameter groups of one device, as confirmed by the operator and
// kept in devConfig.json. Lengths in mm, speeds in mm/s, accelerations in
// mm/s^2, times in ms.

struct MoveParam
{
    double TargetPos = 4.0;
    float Speed = 2.0f;
    float Acc = 1.0f;
    int Jerk = 0;
    bool JerkChecked = false;
};

struct JogParam
{
    double Step = 1.0;
    int Delay = 1000;
    int Times = 2;
};

// Speed and Acc are the same device setting as MoveParam's and always
// mirror them.
struct DriveParam
{
    double Offset = 1.5;
    float Speed = 2.0f;
    float Acc = 1.0f;
    bool Enable = false;
};

struct CruiseParam
{
    double BeginPos = 1.2;
    double EndPos = 2.5;
    int StopTime = 1000;
    int Times = 4;
};

Q_DECLARE_METATYPE(MoveParam)
Q_DECLARE_METATYPE(JogParam)
Q_DECLARE_METATYPE(DriveParam)
Q_DECLARE_METATYPE(CruiseParam)

#endif
