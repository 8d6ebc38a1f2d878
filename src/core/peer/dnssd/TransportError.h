#pragma once

#include "foundation/KindError.h"

#include <QUuid>

namespace verandel {

struct TransportErrorCases
{
    enum class Kind {
        NetworkUnavailable,
        PermissionDenied,
        ServiceRegistrationFailed,
        BrowsingFailed,
        ConnectionFailed,
        MessageDeliveryFailed,
        InvalidServiceInfo,
        TransportNotSupported,
        Timeout,
        Unknown,
    };
    struct Payload
    {
        // The Mac id of connectionFailed and messageDeliveryFailed; null otherwise.
        QUuid macId;
        QString detail;
        bool operator==(const Payload &) const = default;
    };
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::NetworkUnavailable, u"Network is not available"},
        {Kind::PermissionDenied, u"Network permission denied"},
        {Kind::ServiceRegistrationFailed, u"Failed to register service: %2"},
        {Kind::BrowsingFailed, u"Failed to browse for services: %2"},
        {Kind::ConnectionFailed, u"Failed to connect to Mac %1: %2"},
        {Kind::MessageDeliveryFailed, u"Failed to send message to Mac %1: %2"},
        {Kind::InvalidServiceInfo, u"Invalid service information provided"},
        {Kind::TransportNotSupported, u"Transport mechanism not supported on this platform"},
        {Kind::Timeout, u"Operation timed out"},
        {Kind::Unknown, u"Unknown error: %2"},
    });
    static constexpr auto userDescriptions = std::to_array<EnumText<Kind>>({
        {Kind::NetworkUnavailable, u"The network is not available."},
        {Kind::PermissionDenied, u"The local network service (avahi-daemon) is not reachable."},
        {Kind::ServiceRegistrationFailed, u"This computer could not be announced on the local network."},
        {Kind::BrowsingFailed, u"Verandel could not look for computers on the local network."},
        {Kind::ConnectionFailed, u"The other computer could not be reached."},
        {Kind::MessageDeliveryFailed, u"The message did not reach the other computer."},
        {Kind::InvalidServiceInfo, u"The other computer announced itself with unusable details."},
        {Kind::TransportNotSupported, u"This is not supported on this computer."},
        {Kind::Timeout, u"This took too long. Try again."},
        {Kind::Unknown, u"Something went wrong on the local network."},
    });
    static QStringList arguments(const Payload &payload);
};

// The error type of DNS-SD discovery and advertising.
class TransportError final : public UserFacingKindError<TransportErrorCases>
{
public:
    static TransportError networkUnavailable() { return {Kind::NetworkUnavailable, {}}; }
    static TransportError permissionDenied() { return {Kind::PermissionDenied, {}}; }
    static TransportError serviceRegistrationFailed(const QString &detail)
    {
        return {Kind::ServiceRegistrationFailed, {{}, detail}};
    }
    static TransportError browsingFailed(const QString &detail) { return {Kind::BrowsingFailed, {{}, detail}}; }
    static TransportError connectionFailed(const QUuid &macId, const QString &detail)
    {
        return {Kind::ConnectionFailed, {macId, detail}};
    }
    static TransportError messageDeliveryFailed(const QUuid &macId, const QString &detail)
    {
        return {Kind::MessageDeliveryFailed, {macId, detail}};
    }
    static TransportError invalidServiceInfo() { return {Kind::InvalidServiceInfo, {}}; }
    static TransportError transportNotSupported() { return {Kind::TransportNotSupported, {}}; }
    static TransportError timeout() { return {Kind::Timeout, {}}; }
    static TransportError unknown(const QString &detail) { return {Kind::Unknown, {{}, detail}}; }

    const QUuid &macId() const { return payload().macId; }
    const QString &detail() const { return payload().detail; }

    using KindError::description;

private:
    using UserFacingKindError::UserFacingKindError;
};

} // namespace verandel
