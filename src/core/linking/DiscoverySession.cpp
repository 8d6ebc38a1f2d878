#include "linking/DiscoverySession.h"

#include "foundation/JsonFields.h"

namespace verandel {

DiscoverySession::DiscoverySession(QUuid id, DiscoverySessionState state, QString securityCode, ClockPtr clock,
                                   std::optional<QDateTime> createdAt, std::optional<QDateTime> updatedAt,
                                   std::optional<QString> errorMessage)
    : m_id(id)
    , m_state(state)
    , m_securityCode(std::move(securityCode))
    , m_clock(std::move(clock))
    , m_errorMessage(std::move(errorMessage))
{
    m_createdAt = createdAt ? *createdAt : m_clock->now();
    m_updatedAt = updatedAt ? *updatedAt : m_clock->now();
}

void DiscoverySession::updateState(DiscoverySessionState state)
{
    setState(state);
    touch();
    if (state == DiscoverySessionState::Discovering) {
        setErrorMessage(std::nullopt);
    }
}

void DiscoverySession::setError(const QString &message)
{
    setState(DiscoverySessionState::Failed);
    setErrorMessage(message);
    touch();
}

void DiscoverySession::stop()
{
    if (!isActive(m_state)) {
        return;
    }
    setState(DiscoverySessionState::Stopped);
    touch();
}

void DiscoverySession::start()
{
    if (m_state != DiscoverySessionState::Idle) {
        return;
    }
    setState(DiscoverySessionState::Starting);
    touch();
    setErrorMessage(std::nullopt);
}

QString DiscoverySession::debugDescription() const
{
    return QStringLiteral("DiscoverySession(\n    id: %1,\n    state: %2,\n    securityCode: %3,\n"
                          "    errorMessage: %4\n)")
        .arg(json::uuidToString(m_id), toString(m_state), m_securityCode,
             m_errorMessage.value_or(QStringLiteral("nil")));
}

void DiscoverySession::setState(DiscoverySessionState state)
{
    m_state = state;
    Q_EMIT stateChanged(m_state);
}

void DiscoverySession::touch()
{
    m_updatedAt = m_clock->now();
    Q_EMIT updatedAtChanged(m_updatedAt);
}

void DiscoverySession::setErrorMessage(std::optional<QString> message)
{
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged(m_errorMessage);
}

size_t qHash(const DiscoverySession &session, size_t seed)
{
    return qHash(session.id(), seed);
}

} // namespace verandel
