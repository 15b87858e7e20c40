#include "device/ActuatorModel.h"

namespace {

const ActuatorModelInfo kModels[] = {
    {1, QStringLiteral("QUMA-S1A"), 6},
    {2, QStringLiteral("QUMA-S1B"), 6},
    {3, QStringLiteral("QUMA-L1A"), 13},
    {4, QStringLiteral("QUMA-L1B"), 13},
};
constexpr int kModelCount = int(sizeof(kModels) / sizeof(kModels[0]));

} // namespace

ActuatorModelInfo GetActuatorModel(int16_t code)
{
    if (code >= 1 && code <= kModelCount)
        return kModels[code - 1];
    return {0, QStringLiteral("Null"), 100};
}

const ActuatorModelInfo *GetActuatorModelCount(int *count)
{
    if (count)
        *count = kModelCount;
    return kModels;
}
