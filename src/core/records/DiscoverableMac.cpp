#include "records/DiscoverableMac.h"

namespace verandel {

DiscoverableMac::DiscoverableMac(QUuid id, QString name, QString version, std::optional<PeerEndpoint> endpoint,
                                 QString installationId, std::optional<QString> securityCode, QDateTime discoveredAt)
    : m_id(id)
    , m_name(std::move(name))
    , m_version(std::move(version))
    , m_installationId(std::move(installationId))
    , m_discoveredAt(std::move(discoveredAt))
    , m_endpoint(std::move(endpoint))
    , m_securityCode(std::move(securityCode))
{ }

DiscoverableMac DiscoverableMac::withEndpoint(std::optional<PeerEndpoint> endpoint) const
{
    DiscoverableMac copy = *this;
    copy.m_endpoint = std::move(endpoint);
    return copy;
}

} // namespace verandel
