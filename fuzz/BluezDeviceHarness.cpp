#include "BluezDeviceHarness.h"

#include "FuzzInput.h"
#include "FuzzRequire.h"

#include "bluetooth/BluezDeviceProperties.h"
#include "records/DeviceClassifier.h"
#include "records/DeviceDisplayNamePolicy.h"
#include "records/MacAddress.h"

#include <QDBusObjectPath>
#include <QDateTime>

namespace verandel::fuzz {

namespace {

// A value of the type BlueZ uses, or now and then a string or nothing, as a misbehaving stack or a
// future version might send.
QVariant numberOrOther(FuzzInput &in, QVariant number)
{
    switch (in.byte() % 4) {
    case 0: return in.text();
    case 1: return QVariant();
    default: return number;
    }
}

QVariantMap propertiesFrom(FuzzInput &in)
{
    QVariantMap properties;
    while (!in.atEnd()) {
        switch (in.byte() % 10) {
        case 0: properties.insert(QStringLiteral("Address"), in.text()); break;
        case 1: properties.insert(QStringLiteral("Name"), in.text()); break;
        case 2: properties.insert(QStringLiteral("Alias"), in.text()); break;
        case 3: properties.insert(QStringLiteral("Class"), numberOrOther(in, QVariant::fromValue(in.u32()))); break;
        case 4:
            properties.insert(QStringLiteral("Appearance"), numberOrOther(in, QVariant::fromValue(in.u16())));
            break;
        case 5: properties.insert(QStringLiteral("Modalias"), in.text()); break;
        case 6: {
            QStringList uuids;
            for (int count = in.byte() % 48; count > 0; --count) {
                uuids.append(in.text());
            }
            properties.insert(QStringLiteral("UUIDs"), uuids);
            break;
        }
        case 7: properties.insert(QStringLiteral("Paired"), numberOrOther(in, bool(in.byte() & 1))); break;
        case 8: properties.insert(QStringLiteral("Connected"), numberOrOther(in, bool(in.byte() & 1))); break;
        default:
            properties.insert(QStringLiteral("Adapter"),
                              QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/bluez/hci0"))));
            break;
        }
    }
    return properties;
}

} // namespace

int feedBluezDeviceProperties(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const BluezDeviceProperties properties = BluezDeviceProperties::fromProperties(
        QStringLiteral("/org/bluez/hci0/dev_00_00_00_00_00_00"), propertiesFrom(in));
    if (properties.macAddress) {
        require(MacAddress::isValid(*properties.macAddress)
                    && *properties.macAddress == MacAddress::normalized(*properties.macAddress),
                QStringLiteral("address not canonical: ") + *properties.macAddress);
    }
    for (const QString &service : properties.serviceNames) {
        require(properties.serviceNames.count(service) == 1, QStringLiteral("service listed twice: ") + service);
    }

    const Device device = properties.toDevice(QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC));
    const DeviceClassifier classifier;
    const DeviceClassification classification = classifier.classifyAndCheckSupport(device);
    require(classifier.classifyAndCheckSupport(device) == classification, QStringLiteral("classification changed"));
    const QString shown = DeviceDisplayNamePolicy::displayName(device.name(), device.macAddress(), classification.type);
    require(!shown.trimmed().isEmpty(), QStringLiteral("a device shown without a name"));

    // What the device store writes must read back as the same device.
    const DeviceDetectionAttributes attributes = device.detectionAttributes().value();
    require(DeviceDetectionAttributes::fromJson(attributes.toJson()) == attributes,
            QStringLiteral("detection attributes changed on a round trip"));
    if (!properties.macAddress) {
        return 0;
    }
    require(Device::fromJson(device.toJson()) == device, QStringLiteral("a device changed on a round trip"));
    return 1;
}

} // namespace verandel::fuzz
