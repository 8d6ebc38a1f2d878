#pragma once

#include "records/Device.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace verandel {

// What a caller supplies to create a stored device; the repository stamps the time.
struct DeviceInput
{
    QString macAddress;
    QString name;
    QString telemetryDeviceId;
    std::optional<DeviceDetectionAttributes> detectionAttributes;

    Device toDevice(const QDateTime &now) const;
    std::optional<DeviceType> deviceType() const { return std::nullopt; }

    QString description() const;

    QJsonValue toJson() const;
    static DeviceInput fromJson(const QJsonValue &json);

    bool operator==(const DeviceInput &) const = default;
};

size_t qHash(const DeviceInput &input, size_t seed = 0);

} // namespace verandel
