#include "records/ConnectedMacInput.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>
#include <QStringList>

namespace verandel {

namespace {

const QString idKey = QStringLiteral("id");
const QString nameKey = QStringLiteral("name");
const QString installationIdKey = QStringLiteral("installationId");
const QString connectionMetadataKey = QStringLiteral("connectionMetadata");

} // namespace

ConnectedMac ConnectedMacInput::toConnectedMac(const QDateTime &now) const
{
    return ConnectedMac(id, name, installationId, now, now, connectionMetadata);
}

QString ConnectedMacInput::description() const
{
    return QStringList{
        QStringLiteral("ConnectedMacInput("),
        QStringLiteral("    id: ") + json::uuidToString(id) + QLatin1Char(','),
        QStringLiteral("    name: ") + quotedText(name) + QLatin1Char(','),
        QStringLiteral("    installationId: ") + quotedText(installationId) + QLatin1Char(','),
        QStringLiteral("    connectionMetadata: ") + connectionMetadataDescription(connectionMetadata),
        QStringLiteral(")"),
    }
        .join(QLatin1Char('\n'));
}

QJsonValue ConnectedMacInput::toJson() const
{
    return QJsonObject{
        {idKey, json::uuidToString(id)},
        {nameKey, name},
        {installationIdKey, installationId},
        {connectionMetadataKey, connectionMetadataToJson(connectionMetadata)},
    };
}

ConnectedMacInput ConnectedMacInput::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("ConnectedMacInput"));
    return ConnectedMacInput{json::requireUuid(object, idKey), json::requireString(object, nameKey),
                             json::requireString(object, installationIdKey),
                             connectionMetadataFromJson(object.value(connectionMetadataKey))};
}

size_t qHash(const ConnectedMacInput &input, size_t seed)
{
    return qHashMulti(seed, input.id, input.name, input.installationId, input.connectionMetadata.keys(),
                      input.connectionMetadata.values());
}

} // namespace verandel
