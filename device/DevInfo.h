#ifndef DEVINFO_H
#define DEVINFO_H

#include "device/ActuatorLibrary.h"

#include <QMetaType>
#include <QString>

// A controller found by a scan: its driver serial (also the key of its
// stored parameters), its handle and whether the operator picked it.
struct DevInfo
{
    QString serial;
    DevHandle handle = -1;
    bool checked = false;
};

Q_DECLARE_METATYPE(DevInfo)

#endif
