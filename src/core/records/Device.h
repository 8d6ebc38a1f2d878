#pragma once

#include "records/DeviceDetectionAttributes.h"
#include "records/DeviceType.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace verandel {

// A paired or stored Bluetooth device. Its macAddress is its id in the shared-device repository and is
// compared as an exact string; decoding turns an address into its canonical form (see MacAddress).
class Device
{
public:
    // The legacy type is always absent: only decoding an older document sets it.
    Device(QString macAddress, QString name, QString telemetryDeviceId,
           std::optional<DeviceDetectionAttributes> detectionAttributes, QDateTime timestamp);

    const QString &macAddress() const { return m_macAddress; }
    const QString &name() const { return m_name; }
    const QString &telemetryDeviceId() const { return m_telemetryDeviceId; }
    const std::optional<DeviceDetectionAttributes> &detectionAttributes() const { return m_detectionAttributes; }
    std::optional<DeviceType> legacyDeviceType() const { return m_legacyDeviceType; }
    const QDateTime &timestamp() const { return m_timestamp; }

    std::optional<DeviceType> deviceType() const { return m_legacyDeviceType; }
    DeviceType effectiveDeviceType() const { return m_legacyDeviceType.value_or(DeviceType::Other); }
    // Only a stored legacy type makes a device supported here; the classifier decides for live devices.
    bool isSupported() const;
    // The name as it stands (blanks included) or "Device <macAddress>" when it is empty.
    QString displayName() const;
    QString formattedMacAddress() const { return m_macAddress.toUpper(); }

    // Every copy below is re-stamped and drops the legacy type.
    Device withUpdatedTimestamp(const QDateTime &now) const;
    // A given value replaces its field; the telemetry id is kept.
    Device withUpdates(std::optional<QString> macAddress, std::optional<QString> name,
                       std::optional<DeviceDetectionAttributes> detectionAttributes, const QDateTime &now) const;

    QString description() const;

    // "deviceType" is read but never written.
    QJsonValue toJson() const;
    static Device fromJson(const QJsonValue &json);

    // All six fields, the legacy type and the timestamp included.
    bool operator==(const Device &) const = default;

    // By name (see compareNames), then the later timestamp first; equal names and times tie.
    friend bool operator<(const Device &a, const Device &b);
    friend bool operator>(const Device &a, const Device &b) { return b < a; }
    friend bool operator<=(const Device &a, const Device &b) { return !(b < a); }
    friend bool operator>=(const Device &a, const Device &b) { return !(a < b); }

private:
    QString m_macAddress;
    QString m_name;
    QString m_telemetryDeviceId;
    std::optional<DeviceDetectionAttributes> m_detectionAttributes;
    std::optional<DeviceType> m_legacyDeviceType;
    QDateTime m_timestamp;
};

size_t qHash(const Device &device, size_t seed = 0);

} // namespace verandel
