#include "peer/dnssd/TransportError.h"

#include "foundation/JsonFields.h"

namespace verandel {

TransportError::TransportError(Kind kind, QUuid macId, QString detail)
    : m_kind(kind)
    , m_macId(macId)
    , m_detail(std::move(detail))
{
    m_what = description().toUtf8();
}

QString TransportError::description() const
{
    switch (m_kind) {
    case Kind::NetworkUnavailable: return QStringLiteral("Network is not available");
    case Kind::PermissionDenied: return QStringLiteral("Network permission denied");
    case Kind::ServiceRegistrationFailed: return QStringLiteral("Failed to register service: ") + m_detail;
    case Kind::BrowsingFailed: return QStringLiteral("Failed to browse for services: ") + m_detail;
    case Kind::ConnectionFailed:
        return QStringLiteral("Failed to connect to Mac ") + json::uuidToString(m_macId) + QStringLiteral(": ")
            + m_detail;
    case Kind::MessageDeliveryFailed:
        return QStringLiteral("Failed to send message to Mac ") + json::uuidToString(m_macId) + QStringLiteral(": ")
            + m_detail;
    case Kind::InvalidServiceInfo: return QStringLiteral("Invalid service information provided");
    case Kind::TransportNotSupported: return QStringLiteral("Transport mechanism not supported on this platform");
    case Kind::Timeout: return QStringLiteral("Operation timed out");
    case Kind::Unknown: return QStringLiteral("Unknown error: ") + m_detail;
    }
    return {};
}

QString TransportError::userDescription() const
{
    switch (m_kind) {
    case Kind::NetworkUnavailable: return QStringLiteral("The network is not available.");
    case Kind::PermissionDenied: return QStringLiteral("The local network service (avahi-daemon) is not reachable.");
    case Kind::ServiceRegistrationFailed:
        return QStringLiteral("This computer could not be announced on the local network.");
    case Kind::BrowsingFailed: return QStringLiteral("Verandel could not look for computers on the local network.");
    case Kind::ConnectionFailed: return QStringLiteral("The other computer could not be reached.");
    case Kind::MessageDeliveryFailed: return QStringLiteral("The message did not reach the other computer.");
    case Kind::InvalidServiceInfo: return QStringLiteral("The other computer announced itself with unusable details.");
    case Kind::TransportNotSupported: return QStringLiteral("This is not supported on this computer.");
    case Kind::Timeout: return QStringLiteral("This took too long. Try again.");
    case Kind::Unknown: return QStringLiteral("Something went wrong on the local network.");
    }
    return {};
}

} // namespace verandel
