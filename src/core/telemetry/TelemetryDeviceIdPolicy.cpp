#include "telemetry/TelemetryDeviceIdPolicy.h"

#include <QUuid>

namespace verandel::TelemetryDeviceIdPolicy {

QString newStoredDeviceId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

} // namespace verandel::TelemetryDeviceIdPolicy
