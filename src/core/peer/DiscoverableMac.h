#pragma once

#include "peer/PeerEndpoint.h"
#include "peer/TxtRecord.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace verandel {

// One computer as it shows itself on the local network: the local computer's own record is
// advertised in the TXT record of its DNS-SD service, and every service found by browsing becomes
// such a record again.
class DiscoverableMac
{
public:
    // The DNS-SD service type every computer advertises its frame listener under.
    static QString serviceType() { return QStringLiteral("_verandel._tcp"); }

    struct TxtKeys
    {
        static QByteArray id() { return QByteArrayLiteral("id"); }
        static QByteArray name() { return QByteArrayLiteral("name"); }
        static QByteArray version() { return QByteArrayLiteral("version"); }
        static QByteArray installationId() { return QByteArrayLiteral("installationId"); }
        static QByteArray securityCode() { return QByteArrayLiteral("securityCode"); }
    };

    // discoveredAt is the moment the record is made (the caller's clock).
    DiscoverableMac(QUuid id, QString name, QString version, std::optional<PeerEndpoint> endpoint,
                    QString installationId, std::optional<QString> securityCode, QDateTime discoveredAt);

    // The record a browse result's TXT record describes; none when "id", "name", "version" or
    // "installationId" is missing or has no value, when a value is not UTF-8, or when "id" or
    // "installationId" is not a UUID.
    static std::optional<DiscoverableMac> from(const PeerEndpoint &endpoint, const TxtRecord &txtRecord,
                                               const QDateTime &discoveredAt);

    // The TXT record advertising this record: "id" (upper-case UUID), "name", "version",
    // "installationId" and, when present, "securityCode".
    TxtRecord txtRecordData() const;

    DiscoverableMac withEndpoint(std::optional<PeerEndpoint> endpoint) const;

    const QUuid &id() const { return m_id; }
    const QString &name() const { return m_name; }
    const QString &version() const { return m_version; }
    const QString &installationId() const { return m_installationId; }
    const QDateTime &discoveredAt() const { return m_discoveredAt; }
    const std::optional<PeerEndpoint> &endpoint() const { return m_endpoint; }
    const std::optional<QString> &securityCode() const { return m_securityCode; }

    // Every field counts, discoveredAt and endpoint included: two records of one computer made at
    // different moments differ. Compare id() for identity.
    bool operator==(const DiscoverableMac &other) const = default;

private:
    QUuid m_id;
    QString m_name;
    QString m_version;
    QString m_installationId;
    QDateTime m_discoveredAt;
    std::optional<PeerEndpoint> m_endpoint;
    std::optional<QString> m_securityCode;
};

} // namespace verandel
