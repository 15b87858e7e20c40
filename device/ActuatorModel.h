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

// Row for a model code as the library reports it; anything that is not a
// 16-bit code (a failed read among them) gets the fallback row.
ActuatorModelInfo GetActuatorModelOf(int nModel);

// The table in code order (position p stands for code p + 1); count receives 4.
const ActuatorModelInfo *GetActuatorModelCount(int *count);

#endif
