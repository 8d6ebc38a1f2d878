#pragma once

#include "records/DeviceType.h"

#include <QString>

namespace verandel::DeviceDisplayNamePolicy {

// The name shown for a device: its trimmed name without control characters, unless that is missing, "Unknown Device" or
// merely the device's own address, in which case a classified type's name is shown instead; with no type either,
// whatever name there is, else "Device <macAddress>".
QString displayName(const QString &rawName, const QString &macAddress, DeviceType classifiedDeviceType);

} // namespace verandel::DeviceDisplayNamePolicy
