#include "records/Device.h"

#include "foundation/JsonFields.h"
#include "records/MacAddress.h"
#include "records/NameOrdering.h"

#include <QJsonObject>

namespace verandel {

namespace {

const QString macAddressKey = QStringLiteral("macAddress");
const QString nameKey = QStringLiteral("name");
const QString telemetryDeviceIdKey = QStringLiteral("telemetryDeviceId");
const QString detectionAttributesKey = QStringLiteral("detectionAttributes");
const QString deviceTypeKey = QStringLiteral("deviceType");
const QString timestampKey = QStringLiteral("timestamp");

} // namespace

Device::Device(QString macAddress, QString name, QString telemetryDeviceId,
               std::optional<DeviceDetectionAttributes> detectionAttributes, QDateTime timestamp)
    : m_macAddress(std::move(macAddress))
    , m_name(std::move(name))
    , m_telemetryDeviceId(std::move(telemetryDeviceId))
    , m_detectionAttributes(std::move(detectionAttributes))
    , m_timestamp(std::move(timestamp))
{ }

bool Device::isSupported() const
{
    return m_legacyDeviceType && verandel::isSupported(*m_legacyDeviceType);
}

QString Device::displayName() const
{
    return m_name.isEmpty() ? QStringLiteral("Device ") + m_macAddress : m_name;
}

Device Device::withUpdatedTimestamp(const QDateTime &now) const
{
    return Device(m_macAddress, m_name, m_telemetryDeviceId, m_detectionAttributes, now);
}

Device Device::withUpdates(std::optional<QString> macAddress, std::optional<QString> name,
                           std::optional<DeviceDetectionAttributes> detectionAttributes, const QDateTime &now) const
{
    return Device(macAddress ? std::move(*macAddress) : m_macAddress, name ? std::move(*name) : m_name,
                  m_telemetryDeviceId, detectionAttributes ? std::move(detectionAttributes) : m_detectionAttributes,
                  now);
}

QString Device::description() const
{
    return QStringLiteral(
               "Device(macAddress: \"%1\", name: \"%2\", telemetryDeviceId: \"%3\", detectionAttributes: %4, "
               "timestamp: %5)")
        .arg(m_macAddress, m_name, m_telemetryDeviceId,
             m_detectionAttributes ? m_detectionAttributes->description() : QStringLiteral("nil"),
             json::toIso8601(m_timestamp));
}

QJsonValue Device::toJson() const
{
    QJsonObject object;
    object.insert(macAddressKey, m_macAddress);
    object.insert(nameKey, m_name);
    object.insert(telemetryDeviceIdKey, m_telemetryDeviceId);
    if (m_detectionAttributes) {
        object.insert(detectionAttributesKey, m_detectionAttributes->toJson());
    }
    object.insert(timestampKey, json::toIso8601(m_timestamp));
    return object;
}

Device Device::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("Device"));
    // A file written by hand may spell an address another way; inside, addresses are canonical.
    Device device(MacAddress::normalized(json::requireString(object, macAddressKey)),
                  json::requireString(object, nameKey), json::requireString(object, telemetryDeviceIdKey),
                  DeviceDetectionAttributes::fromOptionalJson(object.value(detectionAttributesKey)),
                  json::requireDate(object, timestampKey));
    const QJsonValue legacyType = object.value(deviceTypeKey);
    if (!legacyType.isUndefined() && !legacyType.isNull()) {
        device.m_legacyDeviceType = deviceTypeFromJson(legacyType);
    }
    return device;
}

bool operator<(const Device &a, const Device &b)
{
    if (const int byName = compareNames(a.m_name, b.m_name); byName != 0) {
        return byName < 0;
    }
    return a.m_timestamp > b.m_timestamp;
}

size_t qHash(const Device &device, size_t seed)
{
    const std::optional<DeviceType> legacyType = device.legacyDeviceType();
    return qHashMulti(seed, device.macAddress(), device.name(), device.telemetryDeviceId(),
                      device.detectionAttributes() ? qHash(*device.detectionAttributes()) : size_t{0},
                      legacyType ? static_cast<int>(*legacyType) : -1, device.timestamp());
}

} // namespace verandel
