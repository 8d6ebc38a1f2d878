#include "bluetooth/BluezDeviceProperties.h"

#include "records/MacAddress.h"
#include "telemetry/TelemetryDeviceIdPolicy.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QHash>
#include <QRegularExpression>

namespace verandel {

namespace BluezProperties {

std::optional<ModaliasIds> parseModalias(const QString &modalias)
{
    static const QRegularExpression pattern(QStringLiteral("^(?:usb|bluetooth):v([0-9A-Fa-f]{4})p([0-9A-Fa-f]{4})"));
    const QRegularExpressionMatch match = pattern.match(modalias);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return ModaliasIds{static_cast<quint16>(match.captured(1).toUInt(nullptr, 16)),
                       static_cast<quint16>(match.captured(2).toUInt(nullptr, 16))};
}

std::optional<QString> serviceName(const QString &uuid)
{
    static const QString baseSuffix = QStringLiteral("-0000-1000-8000-00805f9b34fb");
    static const QHash<QString, QString> names{
        {QStringLiteral("1101"), QStringLiteral("Serial Port")},
        {QStringLiteral("1105"), QStringLiteral("OBEX Object Push")},
        {QStringLiteral("1108"), QStringLiteral("Headset")},
        {QStringLiteral("110a"), QStringLiteral("Audio Source")},
        {QStringLiteral("110b"), QStringLiteral("Audio Sink")},
        {QStringLiteral("110c"), QStringLiteral("A/V Remote Control Target")},
        {QStringLiteral("110e"), QStringLiteral("A/V Remote Control")},
        {QStringLiteral("1112"), QStringLiteral("Headset Audio Gateway")},
        {QStringLiteral("1115"), QStringLiteral("PAN User")},
        {QStringLiteral("1116"), QStringLiteral("Network Access Point")},
        {QStringLiteral("111e"), QStringLiteral("Handsfree")},
        {QStringLiteral("111f"), QStringLiteral("Handsfree Audio Gateway")},
        {QStringLiteral("1124"), QStringLiteral("Human Interface Device Service")},
        {QStringLiteral("112f"), QStringLiteral("Phonebook Access Server")},
        {QStringLiteral("1200"), QStringLiteral("PnP Information")},
        {QStringLiteral("1800"), QStringLiteral("Generic Access")},
        {QStringLiteral("1801"), QStringLiteral("Generic Attribute")},
        {QStringLiteral("180a"), QStringLiteral("Device Information")},
        {QStringLiteral("180f"), QStringLiteral("Battery Service")},
        {QStringLiteral("1812"), QStringLiteral("Human Interface Device")},
    };
    const QString lower = uuid.toLower();
    if (lower.size() != 36 || !lower.startsWith(QStringLiteral("0000")) || !lower.endsWith(baseSuffix)) {
        return std::nullopt;
    }
    const auto it = names.constFind(lower.mid(4, 4));
    if (it == names.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<QString> firstAdapter(const Bluez::ManagedObjects &objects)
{
    std::optional<QString> first;
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it) {
        const auto adapter = it->constFind(Bluez::adapterInterface);
        if (adapter == it->constEnd()) {
            continue;
        }
        if (adapter->value(QStringLiteral("Powered")).toBool()) {
            return it.key().path();
        }
        if (!first) {
            first = it.key().path();
        }
    }
    return first;
}

std::optional<QString> address(const QVariant &value)
{
    return MacAddress::canonicalize(value.toString());
}

QStringList stringList(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>()) {
        return qdbus_cast<QStringList>(value.value<QDBusArgument>());
    }
    return value.toStringList();
}

} // namespace BluezProperties

BluezDeviceProperties BluezDeviceProperties::fromProperties(const QString &path, const QVariantMap &properties)
{
    BluezDeviceProperties device;
    device.path = path;
    if (const auto it = properties.constFind(QStringLiteral("Address")); it != properties.constEnd()) {
        device.macAddress = BluezProperties::address(*it);
    }
    if (const auto it = properties.constFind(QStringLiteral("Name")); it != properties.constEnd()) {
        device.name = it->toString();
    }
    if (const auto it = properties.constFind(QStringLiteral("Adapter")); it != properties.constEnd()) {
        device.adapterPath = it->value<QDBusObjectPath>().path();
    }
    if (const auto it = properties.constFind(QStringLiteral("Class")); it != properties.constEnd()) {
        device.classOfDevice = it->toUInt();
    }
    if (const auto it = properties.constFind(QStringLiteral("Modalias")); it != properties.constEnd()) {
        if (const auto ids = BluezProperties::parseModalias(it->toString())) {
            device.vendorID = ids->vendorID;
            device.productID = ids->productID;
        }
    }
    if (const auto it = properties.constFind(QStringLiteral("UUIDs")); it != properties.constEnd()) {
        for (const QString &uuid : BluezProperties::stringList(*it)) {
            if (const auto name = BluezProperties::serviceName(uuid); name && !device.serviceNames.contains(*name)) {
                device.serviceNames.append(*name);
            }
        }
    }
    device.paired = properties.value(QStringLiteral("Paired")).toBool();
    device.connected = properties.value(QStringLiteral("Connected")).toBool();
    return device;
}

std::optional<BluezDeviceProperties> BluezDeviceProperties::find(const Bluez::ManagedObjects &objects,
                                                                 const QString &address)
{
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it) {
        const auto device = it->constFind(Bluez::deviceInterface);
        if (device == it->constEnd()) {
            continue;
        }
        BluezDeviceProperties properties = fromProperties(it.key().path(), *device);
        if (properties.macAddress == address) {
            return properties;
        }
    }
    return std::nullopt;
}

Device BluezDeviceProperties::toDevice(const QDateTime &now) const
{
    DeviceDetectionAttributes attributes;
    attributes.vendorID = vendorID;
    attributes.productID = productID;
    attributes.classOfDevice = classOfDevice;
    attributes.serviceNames = serviceNames;
    return Device(macAddress.value_or(QStringLiteral("Unknown")), name.value_or(QStringLiteral("Unknown Device")),
                  TelemetryDeviceIdPolicy::preStoragePlaceholder, attributes, now);
}

} // namespace verandel
