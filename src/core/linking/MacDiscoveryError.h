#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct MacDiscoveryErrorCases
{
    enum class Kind {
        InvalidState,
        InvalidSecurityCode,
        ConnectionFailed,
        PermissionDenied,
        TransportNotSupported,
        Timeout,
        TransportUnavailable,
        NetworkError,
    };
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::InvalidState, u"Invalid state: %1"},
        {Kind::InvalidSecurityCode, u"Invalid security code: %1"},
        {Kind::ConnectionFailed, u"Connection failed: %1"},
        {Kind::PermissionDenied, u"%1"},
        {Kind::TransportNotSupported, u"Transport not supported"},
        {Kind::Timeout, u"Operation timed out"},
        {Kind::TransportUnavailable, u"Transport unavailable"},
        {Kind::NetworkError, u"Network error"},
    });
    static constexpr auto userDescriptions = std::to_array<EnumText<Kind>>({
        {Kind::InvalidState, u"Discovery Mode is busy. Try again in a moment."},
        {Kind::InvalidSecurityCode, u"The security code is not valid."},
        {Kind::ConnectionFailed, u"The other computer could not be reached."},
        // The service words this one for the user already.
        {Kind::PermissionDenied, u"%1"},
        {Kind::TransportNotSupported, u"This is not supported on this computer."},
        {Kind::Timeout, u"This took too long. Try again."},
        {Kind::TransportUnavailable, u"The local network service (avahi-daemon) is not reachable."},
        {Kind::NetworkError, u"The network is not available."},
    });
};

// The discovery service's own failures.
class MacDiscoveryError final : public UserFacingKindError<MacDiscoveryErrorCases>
{
public:
    static MacDiscoveryError invalidState(const QString &text) { return {Kind::InvalidState, text}; }
    static MacDiscoveryError invalidSecurityCode(const QString &text) { return {Kind::InvalidSecurityCode, text}; }
    static MacDiscoveryError connectionFailed(const QString &text) { return {Kind::ConnectionFailed, text}; }
    static MacDiscoveryError permissionDenied(const QString &text) { return {Kind::PermissionDenied, text}; }
    static MacDiscoveryError transportNotSupported() { return {Kind::TransportNotSupported, {}}; }
    static MacDiscoveryError timeout() { return {Kind::Timeout, {}}; }
    static MacDiscoveryError transportUnavailable() { return {Kind::TransportUnavailable, {}}; }
    static MacDiscoveryError networkError() { return {Kind::NetworkError, {}}; }

    const QString &text() const { return payload(); }

    // "Invalid state: <text>", the text alone for permissionDenied, …
    using KindError::description;

private:
    using UserFacingKindError::UserFacingKindError;
};

} // namespace verandel
