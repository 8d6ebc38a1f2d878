#pragma once

#include "linking/ConnectionDirection.h"
#include "linking/ConnectionRequestState.h"

#include <QDateTime>
#include <QJsonValue>
#include <QUuid>

namespace verandel {

// One attempt to link this computer with another, seen from this computer. A plain value: a change
// of state is a new value with the same id.
class ConnectionRequest
{
public:
    ConnectionRequest(QUuid id, QUuid otherMacId, QDateTime timestamp, QString securityCode,
                      ConnectionRequestState state, ConnectionDirection direction);

    const QUuid &id() const { return m_id; }
    // The recipient of an outgoing request, the sender of an incoming one.
    const QUuid &otherMacId() const { return m_otherMacId; }
    const QDateTime &timestamp() const { return m_timestamp; }
    const QString &securityCode() const { return m_securityCode; }
    ConnectionRequestState state() const { return m_state; }
    ConnectionDirection direction() const { return m_direction; }

    bool isPendingRequest() const { return m_state == ConnectionRequestState::Pending; }
    bool isRejectedRequest() const { return m_state == ConnectionRequestState::Rejected; }
    bool isConnectedRequest() const { return m_state == ConnectionRequestState::Connected; }

    // The same request in another state.
    ConnectionRequest withState(ConnectionRequestState state) const;

    // All six keys, all required when reading.
    QJsonValue toJson() const;
    static ConnectionRequest fromJson(const QJsonValue &json);

    bool operator==(const ConnectionRequest &) const = default;

private:
    QUuid m_id;
    QUuid m_otherMacId;
    QDateTime m_timestamp;
    QString m_securityCode;
    ConnectionRequestState m_state;
    ConnectionDirection m_direction;
};

size_t qHash(const ConnectionRequest &request, size_t seed = 0);

} // namespace verandel
