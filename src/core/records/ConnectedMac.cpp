#include "records/ConnectedMac.h"

#include "foundation/JsonFields.h"
#include "records/NameOrdering.h"
#include "records/RelativeTimeFormatter.h"

#include <QJsonObject>
#include <QStringList>

namespace verandel {

namespace {

const QString idKey = QStringLiteral("id");
const QString nameKey = QStringLiteral("name");
const QString installationIdKey = QStringLiteral("installationId");
const QString timestampKey = QStringLiteral("timestamp");
const QString lastSeenTimestampKey = QStringLiteral("lastSeenTimestamp");
const QString connectionMetadataKey = QStringLiteral("connectionMetadata");

// The debug form of a date: "2026-03-04 12:00:05 +0000".
QString dateDescription(const QDateTime &date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

} // namespace

ConnectedMac::ConnectedMac(QUuid id, QString name, QString installationId, QDateTime timestamp,
                           QDateTime lastSeenTimestamp, ConnectionMetadata connectionMetadata)
    : m_id(id)
    , m_name(std::move(name))
    , m_installationId(std::move(installationId))
    , m_timestamp(std::move(timestamp))
    , m_lastSeenTimestamp(std::move(lastSeenTimestamp))
    , m_connectionMetadata(std::move(connectionMetadata))
{ }

QString ConnectedMac::displayName() const
{
    return m_name.isEmpty() ? QStringLiteral("Computer ") + json::uuidToString(m_id).left(8) : m_name;
}

double ConnectedMac::timeSinceLastSeen(const QDateTime &now) const
{
    return static_cast<double>(m_lastSeenTimestamp.msecsTo(now)) / 1000.0;
}

bool ConnectedMac::wasLastSeenLongerThan(double seconds, const QDateTime &now) const
{
    return timeSinceLastSeen(now) > seconds;
}

ConnectionQuality ConnectedMac::connectionQuality(const QDateTime &now) const
{
    return connectionQualityForSecondsSinceLastSeen(timeSinceLastSeen(now));
}

QString ConnectedMac::formattedLastSeen(const QDateTime &now) const
{
    return RelativeTimeFormatter::format(timeSinceLastSeen(now));
}

std::optional<QString> ConnectedMac::getMetadata(const QString &key) const
{
    const auto found = m_connectionMetadata.constFind(key);
    if (found == m_connectionMetadata.cend()) {
        return std::nullopt;
    }
    return *found;
}

ConnectedMac ConnectedMac::withUpdatedTimestamp(const QDateTime &now) const
{
    ConnectedMac copy = *this;
    copy.m_timestamp = now;
    return copy;
}

ConnectedMac ConnectedMac::withUpdatedLastSeen(const QDateTime &now) const
{
    ConnectedMac copy = *this;
    copy.m_lastSeenTimestamp = now;
    return copy;
}

ConnectedMac ConnectedMac::withUpdates(std::optional<QString> name,
                                       std::optional<ConnectionMetadata> connectionMetadata, const QDateTime &now) const
{
    ConnectedMac copy = *this;
    if (name) {
        copy.m_name = std::move(*name);
    }
    if (connectionMetadata) {
        copy.m_connectionMetadata = std::move(*connectionMetadata);
    }
    copy.m_timestamp = now;
    copy.m_lastSeenTimestamp = now;
    return copy;
}

ConnectedMac ConnectedMac::withUpdatedMetadata(const ConnectionMetadata &metadata, const QDateTime &now) const
{
    ConnectedMac copy = *this;
    copy.m_connectionMetadata.insert(metadata);
    copy.m_lastSeenTimestamp = now;
    return copy;
}

QString ConnectedMac::description() const
{
    return QStringList{
        QStringLiteral("ConnectedMac("),
        QStringLiteral("    id: ") + json::uuidToString(m_id) + QLatin1Char(','),
        QStringLiteral("    name: ") + quotedText(m_name) + QLatin1Char(','),
        QStringLiteral("    installationId: ") + quotedText(m_installationId) + QLatin1Char(','),
        QStringLiteral("    timestamp: ") + dateDescription(m_timestamp) + QLatin1Char(','),
        QStringLiteral("    lastSeenTimestamp: ") + dateDescription(m_lastSeenTimestamp) + QLatin1Char(','),
        QStringLiteral("    connectionMetadata: ") + connectionMetadataDescription(m_connectionMetadata),
        QStringLiteral(")"),
    }
        .join(QLatin1Char('\n'));
}

QJsonValue ConnectedMac::toJson() const
{
    return QJsonObject{
        {idKey, json::uuidToString(m_id)},
        {nameKey, m_name},
        {installationIdKey, m_installationId},
        {timestampKey, json::toIso8601(m_timestamp)},
        {lastSeenTimestampKey, json::toIso8601(m_lastSeenTimestamp)},
        {connectionMetadataKey, connectionMetadataToJson(m_connectionMetadata)},
    };
}

ConnectedMac ConnectedMac::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("ConnectedMac"));
    return ConnectedMac(json::requireUuid(object, idKey), json::requireString(object, nameKey),
                        json::requireString(object, installationIdKey), json::requireDate(object, timestampKey),
                        json::requireDate(object, lastSeenTimestampKey),
                        connectionMetadataFromJson(object.value(connectionMetadataKey)));
}

bool operator<(const ConnectedMac &a, const ConnectedMac &b)
{
    if (const int byName = compareNames(a.m_name, b.m_name); byName != 0) {
        return byName < 0;
    }
    return a.m_lastSeenTimestamp > b.m_lastSeenTimestamp;
}

size_t qHash(const ConnectedMac &mac, size_t seed)
{
    return qHashMulti(seed, mac.id(), mac.name(), mac.installationId(), mac.timestamp(), mac.lastSeenTimestamp(),
                      mac.connectionMetadata().keys(), mac.connectionMetadata().values());
}

} // namespace verandel
