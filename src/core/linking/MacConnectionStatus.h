#pragma once

#include "linking/ConnectionState.h"
#include "records/ConnectionQuality.h"

#include <QJsonValue>
#include <QObject>
#include <QUuid>

#include <memory>
#include <optional>

namespace verandel {

// The health record of one linked computer: its state and the pings it missed in a row. The
// connection monitor owns and changes it (on the main thread); windows share it and follow its
// change signals.
class MacConnectionStatus final : public QObject
{
    Q_OBJECT

public:
    MacConnectionStatus(QUuid id, QUuid macId, ConnectionState connectionState, qint64 consecutiveFailures,
                        std::optional<QString> errorMessage);
    // A new record: a random id, disconnected, no failures, no message.
    explicit MacConnectionStatus(QUuid macId);

    // The record's own identity, not the computer's.
    const QUuid &id() const { return m_id; }
    const QUuid &macId() const { return m_macId; }
    ConnectionState connectionState() const { return m_connectionState; }
    qint64 consecutiveFailures() const { return m_consecutiveFailures; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }

    // A move to connected also clears the failures and the message.
    void updateConnectionState(ConnectionState state);
    // Clears failures and message; connected.
    void recordSuccessfulPing();
    // One more failure (the message kept when none is given): unstable for 1 or 2, disconnected from 3.
    void recordFailedPing(const std::optional<QString> &error);
    // Error state with the message; the failures stay.
    void setError(const QString &message);
    // Disconnected, no failures, no message.
    void reset();

    bool isHealthy() const { return m_connectionState == ConnectionState::Connected && m_consecutiveFailures == 0; }
    bool isStable() const { return m_connectionState == ConnectionState::Connected && m_consecutiveFailures < 2; }
    // The record keeps no ping times, so it cannot tell a quality.
    ConnectionQuality connectionQuality() const { return ConnectionQuality::Offline; }
    // "Connected (Unstable)" for connected with failures, "Connecting..." and the like.
    QString displayStatus() const;
    // "gray", "blue", "green", "yellow", "orange", "red".
    QString statusColor() const;
    // Without the message.
    QString description() const;

    // "errorMessage" left out when there is none.
    QJsonValue toJson() const;
    static std::shared_ptr<MacConnectionStatus> fromJson(const QJsonValue &json);

    // The message does not count; the hash uses the record id alone.
    friend bool operator==(const MacConnectionStatus &a, const MacConnectionStatus &b)
    {
        return a.m_id == b.m_id && a.m_macId == b.m_macId && a.m_connectionState == b.m_connectionState
            && a.m_consecutiveFailures == b.m_consecutiveFailures;
    }

Q_SIGNALS:
    void connectionStateChanged(verandel::ConnectionState state);
    void consecutiveFailuresChanged(qint64 failures);
    void errorMessageChanged(const std::optional<QString> &message);

private:
    void setConnectionState(ConnectionState state);
    void setConsecutiveFailures(qint64 failures);
    void setErrorMessage(std::optional<QString> message);

    QUuid m_id;
    QUuid m_macId;
    ConnectionState m_connectionState;
    qint64 m_consecutiveFailures;
    std::optional<QString> m_errorMessage;
};

using MacConnectionStatusPtr = std::shared_ptr<MacConnectionStatus>;

size_t qHash(const MacConnectionStatus &status, size_t seed = 0);

} // namespace verandel
