#include "linking/MacDiscoveryError.h"

namespace verandel {

MacDiscoveryError::MacDiscoveryError(Kind kind, QString text)
    : m_kind(kind)
    , m_text(std::move(text))
    , m_what(description().toUtf8())
{ }

QString MacDiscoveryError::description() const
{
    switch (m_kind) {
    case Kind::InvalidState: return QStringLiteral("Invalid state: ") + m_text;
    case Kind::InvalidSecurityCode: return QStringLiteral("Invalid security code: ") + m_text;
    case Kind::ConnectionFailed: return QStringLiteral("Connection failed: ") + m_text;
    case Kind::PermissionDenied: return m_text;
    case Kind::TransportNotSupported: return QStringLiteral("Transport not supported");
    case Kind::Timeout: return QStringLiteral("Operation timed out");
    case Kind::TransportUnavailable: return QStringLiteral("Transport unavailable");
    case Kind::NetworkError: return QStringLiteral("Network error");
    }
    return {};
}

QString MacDiscoveryError::userDescription() const
{
    switch (m_kind) {
    case Kind::InvalidState: return QStringLiteral("Discovery Mode is busy. Try again in a moment.");
    case Kind::InvalidSecurityCode: return QStringLiteral("The security code is not valid.");
    case Kind::ConnectionFailed: return QStringLiteral("The other computer could not be reached.");
    // The service words this one for the user already.
    case Kind::PermissionDenied: return m_text;
    case Kind::TransportNotSupported: return QStringLiteral("This is not supported on this computer.");
    case Kind::Timeout: return QStringLiteral("This took too long. Try again.");
    case Kind::TransportUnavailable:
        return QStringLiteral("The local network service (avahi-daemon) is not reachable.");
    case Kind::NetworkError: return QStringLiteral("The network is not available.");
    }
    return {};
}

} // namespace verandel
