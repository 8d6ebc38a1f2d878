#include "mock/TestCoordinatorError.h"

#include "foundation/LogText.h"

namespace verandel {

QStringList TestCoordinatorErrorCases::arguments(const Payload &payload)
{
    return {payload.signalName, formatDouble(payload.timeoutSeconds)};
}

} // namespace verandel
