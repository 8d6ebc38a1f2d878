#pragma once

#include "foundation/UserFacingError.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <exception>

namespace verandel {

// The error type of DNS-SD discovery and advertising.
class TransportError final : public std::exception, public UserFacingError
{
public:
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

    static TransportError networkUnavailable() { return {Kind::NetworkUnavailable, {}, {}}; }
    static TransportError permissionDenied() { return {Kind::PermissionDenied, {}, {}}; }
    static TransportError serviceRegistrationFailed(const QString &detail)
    {
        return {Kind::ServiceRegistrationFailed, {}, detail};
    }
    static TransportError browsingFailed(const QString &detail) { return {Kind::BrowsingFailed, {}, detail}; }
    static TransportError connectionFailed(const QUuid &macId, const QString &detail)
    {
        return {Kind::ConnectionFailed, macId, detail};
    }
    static TransportError messageDeliveryFailed(const QUuid &macId, const QString &detail)
    {
        return {Kind::MessageDeliveryFailed, macId, detail};
    }
    static TransportError invalidServiceInfo() { return {Kind::InvalidServiceInfo, {}, {}}; }
    static TransportError transportNotSupported() { return {Kind::TransportNotSupported, {}, {}}; }
    static TransportError timeout() { return {Kind::Timeout, {}, {}}; }
    static TransportError unknown(const QString &detail) { return {Kind::Unknown, {}, detail}; }

    Kind kind() const { return m_kind; }
    // The Mac id of connectionFailed and messageDeliveryFailed; null otherwise.
    const QUuid &macId() const { return m_macId; }
    const QString &detail() const { return m_detail; }

    QString description() const;
    QString userDescription() const override;
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const TransportError &other) const
    {
        return m_kind == other.m_kind && m_macId == other.m_macId && m_detail == other.m_detail;
    }

private:
    TransportError(Kind kind, QUuid macId, QString detail);

    Kind m_kind;
    QUuid m_macId;
    QString m_detail;
    QByteArray m_what;
};

} // namespace verandel
