#pragma once

#include "foundation/ClockProtocol.h"
#include "linking/DiscoverySessionState.h"

#include <QObject>
#include <QUuid>

#include <memory>
#include <optional>

namespace verandel {

// One run of Discovery Mode: the code it was started with, where it stands and why it failed. Shared
// between the discovery service and the windows that follow it; changed on the main thread only.
class DiscoverySession final : public QObject
{
    Q_OBJECT

public:
    // Time stamps not given are read from the clock, createdAt first.
    DiscoverySession(QUuid id, DiscoverySessionState state, QString securityCode, ClockPtr clock,
                     std::optional<QDateTime> createdAt = std::nullopt,
                     std::optional<QDateTime> updatedAt = std::nullopt,
                     std::optional<QString> errorMessage = std::nullopt);

    const QUuid &id() const { return m_id; }
    DiscoverySessionState state() const { return m_state; }
    const QString &securityCode() const { return m_securityCode; }
    const QDateTime &createdAt() const { return m_createdAt; }
    const QDateTime &updatedAt() const { return m_updatedAt; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }

    // Moving to discovering clears the error.
    void updateState(DiscoverySessionState state);
    // Fails the run with the message.
    void setError(const QString &message);
    // Starting or discovering becomes stopped; any other state is left alone.
    void stop();
    // Idle becomes starting; any other state is left alone.
    void start();

    bool canRestart() const
    {
        return m_state == DiscoverySessionState::Failed || m_state == DiscoverySessionState::Stopped;
    }

    // Six lines: "DiscoverySession(", id, state, code, error (or "nil"), ")".
    QString debugDescription() const;

    // Same id and same code; the hash uses the id alone.
    friend bool operator==(const DiscoverySession &a, const DiscoverySession &b)
    {
        return a.m_id == b.m_id && a.m_securityCode == b.m_securityCode;
    }

Q_SIGNALS:
    void stateChanged(verandel::DiscoverySessionState state);
    void updatedAtChanged(const QDateTime &updatedAt);
    void errorMessageChanged(const std::optional<QString> &errorMessage);

private:
    void setState(DiscoverySessionState state);
    void touch();
    void setErrorMessage(std::optional<QString> message);

    QUuid m_id;
    DiscoverySessionState m_state;
    QString m_securityCode;
    ClockPtr m_clock;
    QDateTime m_createdAt;
    QDateTime m_updatedAt;
    std::optional<QString> m_errorMessage;
};

using DiscoverySessionPtr = std::shared_ptr<DiscoverySession>;

size_t qHash(const DiscoverySession &session, size_t seed = 0);

} // namespace verandel
