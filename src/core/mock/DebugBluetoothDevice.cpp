#include "mock/DebugBluetoothDevice.h"

#include "foundation/JsonFields.h"
#include "records/MacAddress.h"

#include <QJsonObject>

namespace verandel {

std::optional<QString> DebugBluetoothDevice::canonicalAddress() const
{
    return MacAddress::canonicalize(address);
}

Device DebugBluetoothDevice::toDevice(const QDateTime &now) const
{
    return Device(MacAddress::normalized(address), name, id.toLower(), detectionAttributes, now);
}

QJsonValue DebugBluetoothDevice::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("address"), address},
        {QStringLiteral("name"), name},
        {QStringLiteral("isConnected"), isConnected},
        {QStringLiteral("isPaired"), isPaired},
    };
    if (detectionAttributes) {
        object.insert(QStringLiteral("detectionAttributes"), detectionAttributes->toJson());
    }
    if (deviceType) {
        object.insert(QStringLiteral("deviceType"), *deviceType);
    }
    return object;
}

DebugBluetoothDevice DebugBluetoothDevice::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("Bluetooth device"));
    return DebugBluetoothDevice{
        json::requireString(object, QStringLiteral("id")),
        json::requireString(object, QStringLiteral("address")),
        json::requireString(object, QStringLiteral("name")),
        json::requireBool(object, QStringLiteral("isConnected")),
        json::optionalBool(object, QStringLiteral("isPaired")).value_or(true),
        DeviceDetectionAttributes::fromOptionalJson(object.value(QStringLiteral("detectionAttributes"))),
        json::optionalString(object, QStringLiteral("deviceType")),
    };
}

} // namespace verandel
