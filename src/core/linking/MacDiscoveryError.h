#pragma once

#include "foundation/KindError.h"
#include "foundation/UserFacingError.h"

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
};

// The discovery service's own failures.
class MacDiscoveryError final : public KindError<MacDiscoveryErrorCases>, public UserFacingError
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
    QString userDescription() const override;

private:
    using KindError::KindError;
};

} // namespace verandel
