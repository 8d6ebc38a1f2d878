#pragma once

#include "records/ConnectionMetadata.h"
#include "records/ConnectionQuality.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

namespace verandel {

// A linked computer: its machine id (the record's identity), the name it was linked under or last
// reported, its installation id, and when it was stored and last heard from.
class ConnectedMac
{
public:
    ConnectedMac(QUuid id, QString name, QString installationId, QDateTime timestamp, QDateTime lastSeenTimestamp,
                 ConnectionMetadata connectionMetadata);

    const QUuid &id() const { return m_id; }
    const QString &name() const { return m_name; }
    const QString &installationId() const { return m_installationId; }
    const QDateTime &timestamp() const { return m_timestamp; }
    const QDateTime &lastSeenTimestamp() const { return m_lastSeenTimestamp; }
    const ConnectionMetadata &connectionMetadata() const { return m_connectionMetadata; }

    // The name, or "Computer " and the first eight digits of the id when the name is empty.
    QString displayName() const;

    // Seconds from the last sighting to now; negative when it lies in the future.
    double timeSinceLastSeen(const QDateTime &now) const;
    bool wasLastSeenLongerThan(double seconds, const QDateTime &now) const;
    bool isStale(const QDateTime &now) const { return wasLastSeenLongerThan(300, now); }
    bool isOffline(const QDateTime &now) const { return wasLastSeenLongerThan(1800, now); }
    ConnectionQuality connectionQuality(const QDateTime &now) const;
    // "5 min. ago" and the like.
    QString formattedLastSeen(const QDateTime &now) const;

    std::optional<QString> getMetadata(const QString &key) const;
    bool hasMetadata(const QString &key) const { return m_connectionMetadata.contains(key); }

    ConnectedMac withUpdatedTimestamp(const QDateTime &now) const;
    ConnectedMac withUpdatedLastSeen(const QDateTime &now) const;
    // A given map replaces the whole map; both time stamps become now.
    ConnectedMac withUpdates(std::optional<QString> name, std::optional<ConnectionMetadata> connectionMetadata,
                             const QDateTime &now) const;
    // Merges the given pairs over the current ones; only the last-seen time moves.
    ConnectedMac withUpdatedMetadata(const ConnectionMetadata &metadata, const QDateTime &now) const;

    QString description() const;

    // All six keys, always; all six required when reading.
    QJsonValue toJson() const;
    static ConnectedMac fromJson(const QJsonValue &json);

    bool operator==(const ConnectedMac &) const = default;

    // By name (see compareNames), then the most recently seen first; no further tie-break.
    friend bool operator<(const ConnectedMac &a, const ConnectedMac &b);
    friend bool operator>(const ConnectedMac &a, const ConnectedMac &b) { return b < a; }
    friend bool operator<=(const ConnectedMac &a, const ConnectedMac &b) { return !(b < a); }
    friend bool operator>=(const ConnectedMac &a, const ConnectedMac &b) { return !(a < b); }

private:
    QUuid m_id;
    QString m_name;
    QString m_installationId;
    QDateTime m_timestamp;
    QDateTime m_lastSeenTimestamp;
    ConnectionMetadata m_connectionMetadata;
};

size_t qHash(const ConnectedMac &mac, size_t seed = 0);

} // namespace verandel
