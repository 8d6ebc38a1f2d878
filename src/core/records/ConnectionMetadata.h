#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>

namespace verandel {

// Free-form text pairs attached to a link.
using ConnectionMetadata = QMap<QString, QString>;

QJsonObject connectionMetadataToJson(const ConnectionMetadata &metadata);
// Required: an object whose members are all strings; throws JsonDecodeError otherwise (null included).
ConnectionMetadata connectionMetadataFromJson(const QJsonValue &json);
// For debug lines: ["key": "value", ...], or [:] when empty.
QString connectionMetadataDescription(const ConnectionMetadata &metadata);

// A text between double quotes, for debug lines.
QString quotedText(const QString &text);

} // namespace verandel
