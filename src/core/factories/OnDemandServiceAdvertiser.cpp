#include "factories/OnDemandServiceAdvertiser.h"

namespace verandel {

OnDemandServiceAdvertiser::OnDemandServiceAdvertiser(Maker make, QObject *parent)
    : ServiceAdvertiserProtocol(parent)
    , m_make(std::move(make))
{ }

void OnDemandServiceAdvertiser::advertise(const ServiceAdvertisement &advertisement)
{
    if (!m_inner) {
        m_inner = m_make();
        connect(m_inner.get(), &ServiceAdvertiserProtocol::advertised, this, &ServiceAdvertiserProtocol::advertised);
        connect(m_inner.get(), &ServiceAdvertiserProtocol::advertisingFailed, this,
                &ServiceAdvertiserProtocol::advertisingFailed);
    }
    m_inner->advertise(advertisement);
}

void OnDemandServiceAdvertiser::withdraw()
{
    if (m_inner) {
        m_inner->withdraw();
    }
}

} // namespace verandel
