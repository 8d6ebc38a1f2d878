#pragma once

#include "records/PeerEndpoint.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace verandel {

// One computer as it shows itself on the local network: the record this computer advertises of
// itself, and the record every computer found by browsing becomes.
class DiscoverableMac
{
public:
    // discoveredAt is the moment the record is made (the caller's clock).
    DiscoverableMac(QUuid id, QString name, QString version, std::optional<PeerEndpoint> endpoint,
                    QString installationId, std::optional<QString> securityCode, QDateTime discoveredAt);

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
