#pragma once

#include "records/Device.h"

namespace verandel::test {

// A device record as the system's paired list makes it (placeholder telemetry id).
inline Device makeDevice(const QString &address, const QString &name = QStringLiteral("Device"))
{
    return Device(address, name, QStringLiteral("00000000-0000-0000-0000-000000000000"), std::nullopt,
                  QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
}

} // namespace verandel::test
