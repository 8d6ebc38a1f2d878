#include "factories/OnDemandNetworkPathSource.h"

namespace verandel {

OnDemandNetworkPathSource::OnDemandNetworkPathSource(Maker make, QObject *parent)
    : NetworkPathSourceProtocol(parent)
    , m_make(std::move(make))
{ }

void OnDemandNetworkPathSource::begin()
{
    if (m_inner || !m_startRequested) {
        return;
    }
    m_inner = m_make();
    connect(m_inner.get(), &NetworkPathSourceProtocol::pathUpdated, this, &NetworkPathSourceProtocol::pathUpdated);
    m_inner->start();
}

} // namespace verandel
