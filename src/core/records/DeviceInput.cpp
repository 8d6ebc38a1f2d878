#include "records/DeviceInput.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

namespace {

const QString macAddressKey = QStringLiteral("macAddress");
const QString nameKey = QStringLiteral("name");
const QString telemetryDeviceIdKey = QStringLiteral("telemetryDeviceId");
const QString detectionAttributesKey = QStringLiteral("detectionAttributes");

} // namespace

Device DeviceInput::toDevice(const QDateTime &now) const
{
    return Device(macAddress, name, telemetryDeviceId, detectionAttributes, now);
}

QString DeviceInput::description() const
{
    return QStringLiteral("DeviceInput(name: \"%1\", macAddress: \"%2\", telemetryDeviceId: \"%3\", "
                          "detectionAttributes: %4)")
        .arg(name, macAddress, telemetryDeviceId,
             detectionAttributes ? detectionAttributes->description() : QStringLiteral("nil"));
}

QJsonValue DeviceInput::toJson() const
{
    QJsonObject object;
    object.insert(macAddressKey, macAddress);
    object.insert(nameKey, name);
    object.insert(telemetryDeviceIdKey, telemetryDeviceId);
    if (detectionAttributes) {
        object.insert(detectionAttributesKey, detectionAttributes->toJson());
    }
    return object;
}

DeviceInput DeviceInput::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("DeviceInput"));
    return DeviceInput{json::requireString(object, macAddressKey), json::requireString(object, nameKey),
                       json::requireString(object, telemetryDeviceIdKey),
                       DeviceDetectionAttributes::fromOptionalJson(object.value(detectionAttributesKey))};
}

size_t qHash(const DeviceInput &input, size_t seed)
{
    return qHashMulti(seed, input.macAddress, input.name, input.telemetryDeviceId,
                      input.detectionAttributes ? qHash(*input.detectionAttributes) : size_t{0});
}

} // namespace verandel
