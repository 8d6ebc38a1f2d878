#pragma once

#include <QHashFunctions>
#include <QJsonValue>
#include <QStringList>

#include <optional>

namespace verandel {

// The identifiers the Bluetooth layer reads from a device, used to classify it.
//
// vendorID is a USB-IF vendor id (Apple: 0x05AC), which is what the classifier matches. BlueZ's
// Modalias "usb:v05ACp0265d…" carries one directly; a "bluetooth:v004Cp…" Modalias carries a
// Bluetooth SIG company id instead (Apple: 0x004C), a different numbering that the classifier's
// product-id rule does not match, so such devices fall through to the class-of-device and name rules.
struct DeviceDetectionAttributes
{
    std::optional<quint16> vendorID;
    std::optional<quint16> productID;
    std::optional<quint32> classOfDevice;
    QStringList serviceNames;

    // The three numbers only when present; "serviceNames" always.
    QJsonValue toJson() const;
    // "serviceNames" is required; the numbers are optional (absent or null) and range-checked.
    static DeviceDetectionAttributes fromJson(const QJsonValue &json);
    // For a field that holds attributes or nothing: absent and null give nothing.
    static std::optional<DeviceDetectionAttributes> fromOptionalJson(const QJsonValue &json);

    QString description() const;

    bool operator==(const DeviceDetectionAttributes &) const = default;
};

size_t qHash(const DeviceDetectionAttributes &attributes, size_t seed = 0);

} // namespace verandel
