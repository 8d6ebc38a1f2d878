#pragma once

#include "foundation/UserFacingError.h"

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// The discovery service's own failures.
class MacDiscoveryError final : public std::exception, public UserFacingError
{
public:
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

    static MacDiscoveryError invalidState(const QString &text) { return {Kind::InvalidState, text}; }
    static MacDiscoveryError invalidSecurityCode(const QString &text) { return {Kind::InvalidSecurityCode, text}; }
    static MacDiscoveryError connectionFailed(const QString &text) { return {Kind::ConnectionFailed, text}; }
    static MacDiscoveryError permissionDenied(const QString &text) { return {Kind::PermissionDenied, text}; }
    static MacDiscoveryError transportNotSupported() { return {Kind::TransportNotSupported, {}}; }
    static MacDiscoveryError timeout() { return {Kind::Timeout, {}}; }
    static MacDiscoveryError transportUnavailable() { return {Kind::TransportUnavailable, {}}; }
    static MacDiscoveryError networkError() { return {Kind::NetworkError, {}}; }

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }

    // "Invalid state: <text>", the text alone for permissionDenied, …
    QString description() const;
    QString userDescription() const override;
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const MacDiscoveryError &other) const { return m_kind == other.m_kind && m_text == other.m_text; }

private:
    MacDiscoveryError(Kind kind, QString text);

    Kind m_kind;
    QString m_text;
    QByteArray m_what;
};

} // namespace verandel
