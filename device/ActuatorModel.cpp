#include "device/ActuatorModel.h"

namespace {

constexpr int kModelCount = 4;

// Built on first use, so lookups from other static initialisers are safe.
const ActuatorModelInfo *Models()
{
    static const ActuatorModelInfo models[kModelCount] = {
        {1, QStringLiteral("QUMA-S1A"), 6},
        {2, QStringLiteral("QUMA-S1B"), 6},
        {3, QStringLiteral("QUMA-L1A"), 13},
        {4, QStringLiteral("QUMA-L1B"), 13},
    };
    return models;
}

} // namespace

ActuatorModelInfo GetActuatorModel(int16_t code)
{
    if (code >= 1 && code <= kModelCount)
        return Models()[code - 1];
    return {0, QStringLiteral("Null"), 100};
}

ActuatorModelInfo GetActuatorModelOf(int nModel)
{
    if (nModel < INT16_MIN || nModel > INT16_MAX)
        return GetActuatorModel(0);
    return GetActuatorModel(int16_t(nModel));
}

const ActuatorModelInfo *GetActuatorModelCount(int *count)
{
    if (count)
        *count = kModelCount;
    return Models();
}
