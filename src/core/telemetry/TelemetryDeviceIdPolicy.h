#pragma once

#include <QString>

namespace verandel::TelemetryDeviceIdPolicy {

// The telemetry id of a device that has not been stored yet: the nil UUID.
inline const QString preStoragePlaceholder = QStringLiteral("00000000-0000-0000-0000-000000000000");

// The telemetry id a device gets when it is first stored as shared: a new random UUID, lower case.
QString newStoredDeviceId();

} // namespace verandel::TelemetryDeviceIdPolicy
