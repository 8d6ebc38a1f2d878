#pragma once

#include "records/ConnectionStatus.h"
#include "records/Device.h"
#include "records/DeviceDetectionAttributes.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace verandel {

// A simulated Bluetooth device of this computer in the debug context.
struct DebugBluetoothDevice
{
    // A UUID in text form; becomes the device's telemetry id.
    QString id;
    // As written in the file; every comparison goes through the canonical form (see MacAddress).
    QString address;
    QString name;
    bool isConnected = false;
    bool isPaired = true;
    std::optional<DeviceDetectionAttributes> detectionAttributes;
    // Kept in the file; nothing reads it.
    std::optional<QString> deviceType;

    // The canonical form of the address; none when it is not a MAC address.
    std::optional<QString> canonicalAddress() const;
    // Not paired wins over the connected flag.
    ConnectionStatus connectionStatus() const { return connectionStatusFromBluetooth(isPaired, isConnected); }
    // The device as the Bluetooth layer reports it: the canonical address (the address as written
    // when it has none), the id in lower case as telemetry id, no legacy type.
    Device toDevice(const QDateTime &now) const;

    // "isPaired" always; "detectionAttributes" and "deviceType" only when present.
    QJsonValue toJson() const;
    // "isPaired" absent or null reads as true.
    static DebugBluetoothDevice fromJson(const QJsonValue &json);

    bool operator==(const DebugBluetoothDevice &) const = default;
};

} // namespace verandel
