#include "linking/MacConnectionStatus.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

MacConnectionStatus::MacConnectionStatus(QUuid id, QUuid macId, ConnectionState connectionState,
                                         qint64 consecutiveFailures, std::optional<QString> errorMessage)
    : m_id(id)
    , m_macId(macId)
    , m_connectionState(connectionState)
    , m_consecutiveFailures(consecutiveFailures)
    , m_errorMessage(std::move(errorMessage))
{ }

MacConnectionStatus::MacConnectionStatus(QUuid macId)
    : MacConnectionStatus(QUuid::createUuid(), macId, ConnectionState::Disconnected, 0, std::nullopt)
{ }

void MacConnectionStatus::updateConnectionState(ConnectionState state)
{
    setConnectionState(state);
    if (state == ConnectionState::Connected) {
        setErrorMessage(std::nullopt);
        setConsecutiveFailures(0);
    }
}

void MacConnectionStatus::recordSuccessfulPing()
{
    setConsecutiveFailures(0);
    setErrorMessage(std::nullopt);
    if (m_connectionState != ConnectionState::Connected) {
        setConnectionState(ConnectionState::Connected);
    }
}

void MacConnectionStatus::recordFailedPing(const std::optional<QString> &error)
{
    setConsecutiveFailures(m_consecutiveFailures + 1);
    if (error) {
        setErrorMessage(*error);
    }
    setConnectionState(m_consecutiveFailures >= 3 ? ConnectionState::Disconnected : ConnectionState::Unstable);
}

void MacConnectionStatus::setError(const QString &message)
{
    setConnectionState(ConnectionState::Error);
    setErrorMessage(message);
}

void MacConnectionStatus::reset()
{
    setConnectionState(ConnectionState::Disconnected);
    setConsecutiveFailures(0);
    setErrorMessage(std::nullopt);
}

QString MacConnectionStatus::displayStatus() const
{
    switch (m_connectionState) {
    case ConnectionState::Disconnected: return QStringLiteral("Disconnected");
    case ConnectionState::Connecting: return QStringLiteral("Connecting...");
    case ConnectionState::Connected:
        return m_consecutiveFailures == 0 ? QStringLiteral("Connected") : QStringLiteral("Connected (Unstable)");
    case ConnectionState::Unstable: return QStringLiteral("Unstable");
    case ConnectionState::Error: return QStringLiteral("Error");
    }
    return {};
}

QString MacConnectionStatus::statusColor() const
{
    switch (m_connectionState) {
    case ConnectionState::Disconnected: return QStringLiteral("gray");
    case ConnectionState::Connecting: return QStringLiteral("blue");
    case ConnectionState::Connected:
        return m_consecutiveFailures == 0 ? QStringLiteral("green") : QStringLiteral("yellow");
    case ConnectionState::Unstable: return QStringLiteral("orange");
    case ConnectionState::Error: return QStringLiteral("red");
    }
    return {};
}

QString MacConnectionStatus::description() const
{
    return QStringLiteral("MacConnectionStatus(\n    id: %1,\n    macId: %2,\n    connectionState: %3,\n"
                          "    consecutiveFailures: %4,\n)")
        .arg(json::uuidToString(m_id), json::uuidToString(m_macId), toString(m_connectionState),
             QString::number(m_consecutiveFailures));
}

QJsonValue MacConnectionStatus::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), json::uuidToString(m_id)},
        {QStringLiteral("macId"), json::uuidToString(m_macId)},
        {QStringLiteral("connectionState"), toString(m_connectionState)},
        {QStringLiteral("consecutiveFailures"), static_cast<double>(m_consecutiveFailures)},
    };
    if (m_errorMessage) {
        object.insert(QStringLiteral("errorMessage"), *m_errorMessage);
    }
    return object;
}

std::shared_ptr<MacConnectionStatus> MacConnectionStatus::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("connection status"));
    const QString stateText = json::requireString(object, QStringLiteral("connectionState"));
    const std::optional<ConnectionState> state = connectionStateFromString(stateText);
    if (!state) {
        throw JsonDecodeError(QStringLiteral("\"connectionState\" holds an unknown value: ") + stateText);
    }
    // JSON numbers are doubles: whole numbers up to 2^53 survive the trip.
    constexpr qint64 limit = qint64(1) << 53;
    return std::make_shared<MacConnectionStatus>(
        json::requireUuid(object, QStringLiteral("id")), json::requireUuid(object, QStringLiteral("macId")), *state,
        json::requireInteger(object, QStringLiteral("consecutiveFailures"), -limit, limit),
        json::optionalString(object, QStringLiteral("errorMessage")));
}

void MacConnectionStatus::setConnectionState(ConnectionState state)
{
    m_connectionState = state;
    Q_EMIT connectionStateChanged(m_connectionState);
}

void MacConnectionStatus::setConsecutiveFailures(qint64 failures)
{
    m_consecutiveFailures = failures;
    Q_EMIT consecutiveFailuresChanged(m_consecutiveFailures);
}

void MacConnectionStatus::setErrorMessage(std::optional<QString> message)
{
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged(m_errorMessage);
}

size_t qHash(const MacConnectionStatus &status, size_t seed)
{
    return qHash(status.id(), seed);
}

} // namespace verandel
