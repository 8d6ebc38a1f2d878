#include "mock/DebugDiscoveryState.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

QJsonValue DebugDiscoveryState::toJson() const
{
    return QJsonObject{{QStringLiteral("state"), state}, {QStringLiteral("securityCode"), securityCode}};
}

DebugDiscoveryState DebugDiscoveryState::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("discovery state"));
    return DebugDiscoveryState{json::requireString(object, QStringLiteral("state")),
                               json::requireString(object, QStringLiteral("securityCode"))};
}

} // namespace verandel
