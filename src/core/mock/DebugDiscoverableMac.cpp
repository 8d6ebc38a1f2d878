#include "mock/DebugDiscoverableMac.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

QJsonValue DebugDiscoverableMac::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("port"), int(port)},
        {QStringLiteral("name"), name},
        {QStringLiteral("version"), version},
    };
    if (securityCode) {
        object.insert(QStringLiteral("securityCode"), *securityCode);
    }
    return object;
}

DebugDiscoverableMac DebugDiscoverableMac::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("discoverable Mac"));
    return DebugDiscoverableMac{
        json::requireString(object, QStringLiteral("id")),
        quint16(json::requireInteger(object, QStringLiteral("port"), 0, 65535)),
        json::requireString(object, QStringLiteral("name")),
        json::requireString(object, QStringLiteral("version")),
        json::optionalString(object, QStringLiteral("securityCode")),
    };
}

} // namespace verandel
