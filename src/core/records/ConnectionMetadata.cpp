#include "records/ConnectionMetadata.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QStringList>

namespace verandel {

QJsonObject connectionMetadataToJson(const ConnectionMetadata &metadata)
{
    QJsonObject object;
    for (auto it = metadata.cbegin(); it != metadata.cend(); ++it) {
        object.insert(it.key(), it.value());
    }
    return object;
}

ConnectionMetadata connectionMetadataFromJson(const QJsonValue &json)
{
    const QJsonObject members = json::requireObject(json, QStringLiteral("\"connectionMetadata\""));
    ConnectionMetadata metadata;
    for (auto it = members.constBegin(); it != members.constEnd(); ++it) {
        if (!it.value().isString()) {
            throw JsonDecodeError(QStringLiteral("Expected string values in \"connectionMetadata\""));
        }
        metadata.insert(it.key(), it.value().toString());
    }
    return metadata;
}

QString connectionMetadataDescription(const ConnectionMetadata &metadata)
{
    if (metadata.isEmpty()) {
        return QStringLiteral("[:]");
    }
    QStringList pairs;
    for (auto it = metadata.cbegin(); it != metadata.cend(); ++it) {
        pairs.append(quotedText(it.key()) + QStringLiteral(": ") + quotedText(it.value()));
    }
    return QLatin1Char('[') + pairs.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString quotedText(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace verandel
