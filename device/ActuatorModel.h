#ifndef ACTUATORMODEL_H
#define ACTUATORMODEL_H

#include <QString>
#include <cstdint>

// One actuator model the controller can drive.
struct ActuatorModelInfo
{
    int16_t code;
    QString name;
    int32_t travelMm;
};

// Row for a model code; codes outside the table (a failed read among them)
// give the fallback row {0, "Null", 100}.
ActuatorModelInfo GetActuatorModel(int16_t code);

// The table in code order (position p stands for code p + 1); count receives 4.
const ActuatorModelInfo *GetActuatorModelCount(int *count);

#endif
