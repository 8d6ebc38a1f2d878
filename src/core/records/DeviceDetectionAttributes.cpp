#include "records/DeviceDetectionAttributes.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QJsonArray>
#include <QJsonObject>

namespace verandel {

namespace {

const QString vendorIDKey = QStringLiteral("vendorID");
const QString productIDKey = QStringLiteral("productID");
const QString classOfDeviceKey = QStringLiteral("classOfDevice");
const QString serviceNamesKey = QStringLiteral("serviceNames");

template <typename T>
QString optionalText(const std::optional<T> &value)
{
    return value ? QString::number(*value) : QStringLiteral("nil");
}

} // namespace

QJsonValue DeviceDetectionAttributes::toJson() const
{
    QJsonObject object;
    if (vendorID) {
        object.insert(vendorIDKey, static_cast<int>(*vendorID));
    }
    if (productID) {
        object.insert(productIDKey, static_cast<int>(*productID));
    }
    if (classOfDevice) {
        object.insert(classOfDeviceKey, static_cast<qint64>(*classOfDevice));
    }
    object.insert(serviceNamesKey, QJsonArray::fromStringList(serviceNames));
    return object;
}

DeviceDetectionAttributes DeviceDetectionAttributes::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("DeviceDetectionAttributes"));
    DeviceDetectionAttributes attributes;
    attributes.vendorID = json::optionalWithinRange<quint16>(object, vendorIDKey);
    attributes.productID = json::optionalWithinRange<quint16>(object, productIDKey);
    attributes.classOfDevice = json::optionalWithinRange<quint32>(object, classOfDeviceKey);

    const QJsonValue names = json::requireValue(object, serviceNamesKey);
    if (!names.isArray()) {
        throw JsonDecodeError(QStringLiteral("Expected an array for key \"serviceNames\""));
    }
    for (const QJsonValue &name : names.toArray()) {
        if (!name.isString()) {
            throw JsonDecodeError(QStringLiteral("Expected strings in \"serviceNames\""));
        }
        attributes.serviceNames.append(name.toString());
    }
    return attributes;
}

std::optional<DeviceDetectionAttributes> DeviceDetectionAttributes::fromOptionalJson(const QJsonValue &json)
{
    if (json.isUndefined() || json.isNull()) {
        return std::nullopt;
    }
    return fromJson(json);
}

QString DeviceDetectionAttributes::description() const
{
    QStringList quoted;
    for (const QString &name : serviceNames) {
        quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
    }
    return QStringLiteral(
               "DeviceDetectionAttributes(vendorID: %1, productID: %2, classOfDevice: %3, serviceNames: [%4])")
        .arg(optionalText(vendorID), optionalText(productID), optionalText(classOfDevice),
             quoted.join(QStringLiteral(", ")));
}

size_t qHash(const DeviceDetectionAttributes &attributes, size_t seed)
{
    return qHashMulti(seed, attributes.vendorID.value_or(0), attributes.vendorID.has_value(),
                      attributes.productID.value_or(0), attributes.productID.has_value(),
                      attributes.classOfDevice.value_or(0), attributes.classOfDevice.has_value(),
                      attributes.serviceNames);
}

} // namespace verandel
