#pragma once

#include "peer/wire/WireJsonWriter.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

namespace verandel {

class Device;

// A device handed over in a control transfer.
struct TransferDeviceDescriptor
{
    QString macAddress;
    QString telemetryDeviceId;
    std::optional<quint16> deviceVendorID;
    std::optional<quint16> deviceProductID;
    std::optional<quint32> classOfDevice;

    TransferDeviceDescriptor() = default;
    // Both store the telemetry id lower-cased and the MAC address as given.
    TransferDeviceDescriptor(QString macAddress, QString telemetryDeviceId);
    TransferDeviceDescriptor(QString macAddress, QString telemetryDeviceId, std::optional<quint16> deviceVendorID,
                             std::optional<quint16> deviceProductID, std::optional<quint32> classOfDevice);

    // The descriptor of a device just released for a transfer, with its detection data when it has any.
    static TransferDeviceDescriptor fromDevice(const Device &device);
    // The descriptors' MAC addresses, in order.
    static QStringList addressesOf(const QList<TransferDeviceDescriptor> &descriptors);

    void writeJson(WireJsonWriter &writer) const;
    // Keeps the received letter case.
    static TransferDeviceDescriptor fromJson(const QJsonValue &json);

    bool operator==(const TransferDeviceDescriptor &) const = default;
};

} // namespace verandel
